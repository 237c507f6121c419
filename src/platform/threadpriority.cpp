#include "platform/threadpriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace quillon {

void LowerThisThreadsPriority() {
  // On Linux a nice value belongs to a thread, named by its id.
  constexpr int kBackgroundNice = 10;
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kBackgroundNice);
}

}  // namespace quillon
