#include "shell/closeafterwork.h"

#include "document/wavfile.h"
#include "localization/constants.h"

namespace quillon {

TCloseAfterWork::TCloseAfterWork(Twavefile& document, TShow show, TClose close)
    : document_(document), show_(std::move(show)), close_(std::move(close)) {}

bool TCloseAfterWork::Defer() {
  QUILLON_MAIN_THREAD_ONLY();
  if (!document_.Busy()) return false;
  if (!waiting_) idle_ = document_.OnIdle.Subscribe([this](Twavefile*) { Ended(); });
  waiting_ = true;
  document_.Cancel();
  show_(ConstantText("closewhenstopped"));
  return true;
}

void TCloseAfterWork::Ended() {
  idle_.Reset();
  waiting_ = false;
  close_();
}

}  // namespace quillon
