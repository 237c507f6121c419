#include "cli/progressbar.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace quillon {

TProgressBar::TProgressBar(std::FILE* stream)
    : stream_(stream), enabled_(isatty(fileno(stream)) != 0) {}

TProgressBar::~TProgressBar() {
  Finish();
}

void TProgressBar::Update(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (!enabled_ || percent == shown_) return;
  shown_ = percent;
  constexpr int kWidth = 40;
  int filled = percent * kWidth / 100;
  std::string bar(filled, '#');
  bar.append(kWidth - filled, '.');
  std::fprintf(stream_, "\r[%s] %3d%%", bar.c_str(), percent);
  std::fflush(stream_);
}

void TProgressBar::Finish() {
  if (!enabled_ || shown_ < 0) return;
  std::fprintf(stream_, "\r%*s\r", 48, "");
  std::fflush(stream_);
  shown_ = -1;
}

}  // namespace quillon
