#include "platform/granularity.h"

#include <unistd.h>

namespace quillon {

uint32_t AllocationGranularity = SystemAllocationGranularity();

uint32_t SystemPageSize() {
  long page = sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<uint32_t>(page) : 4096;
}

uint32_t SystemAllocationGranularity() {
  uint32_t page = SystemPageSize();
  return page > 65536 ? page : 65536;
}

}  // namespace quillon
