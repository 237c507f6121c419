#pragma once

#include <cstdint>
#include <vector>

#include "codecs/cache.h"

namespace quillon {

// What one column of the waveform draws for one channel: the extreme reached first in time and
// the other one. Columns are stored at column * channels + channel.
struct TColumnPeak {
  int16_t first = 0;
  int16_t second = 0;
};

// The columns of a view of frames from start on at framesPerColumn >= kIndexBlockFrames, from
// the peak index: column s takes the blocks from (start + s * framesPerColumn) / kIndexBlockFrames
// on, framesPerColumn / kIndexBlockFrames + 1 of them, cut at the index's end; whole groups of
// blocks come from the coarse level when it matches the index. A column past the end has the
// extremes of nothing: maximum -32768 first, minimum 32767 second.
void IndexColumns(const Tindexdata& index, const Tcoarseindex& coarse, int channels, uint32_t start,
                  double framesPerColumn, int columns, std::vector<TColumnPeak>& out);

// The frames first to last (inclusive) that column s of samples reads at 1 <= framesPerColumn:
// the whole part of framesPerColumn plus one, moved back to end at the document's last frame.
struct TColumnFrames {
  uint64_t first = 0;
  uint64_t last = 0;
};
TColumnFrames ColumnFrames(int column, double framesPerColumn, uint32_t start, uint32_t frameCount);

// The columns of samples, the maximum first: samples holds the interleaved frames from
// ColumnFrames(0) to ColumnFrames(columns - 1) inclusive.
void SampleColumns(const int16_t* samples, int channels, uint32_t start, double framesPerColumn,
                   uint32_t frameCount, int columns, std::vector<TColumnPeak>& out);

}  // namespace quillon
