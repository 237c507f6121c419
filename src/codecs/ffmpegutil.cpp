#include "codecs/ffmpegutil.h"

#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace quillon {

void SilenceFFmpegLog() {
  static std::once_flag quietLog;
  std::call_once(quietLog, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace quillon
