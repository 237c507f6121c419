#pragma once

#include <cstdio>

namespace quillon {

// A one-line progress bar on a terminal; silent when the stream is not a terminal.
class TProgressBar {
 public:
  explicit TProgressBar(std::FILE* stream);
  ~TProgressBar();
  void Update(int percent);
  void Finish();

 private:
  std::FILE* stream_;
  bool enabled_;
  int shown_ = -1;
};

}  // namespace quillon
