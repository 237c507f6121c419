#pragma once

#include <atomic>
#include <cstdint>

#include "document/splitplan.h"

namespace quillon {

// How far a split has come: the number (from 1) of the file being written, 0 before the first.
// Written by the worker alone; the window reads it while the split runs.
struct TSplitProgress {
  std::atomic<int32_t> file{0};
  int32_t total = 0;
};

}  // namespace quillon
