#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace quillon {

// One chunk of a pass over samples: count samples from position done of the pass, and room for a
// step that cannot work in place.
struct TPassChunk {
  std::vector<int16_t> samples;
  std::vector<int16_t> spare;
  uint64_t done = 0;
  uint64_t count = 0;
};

struct TPassSteps {
  // Fills a chunk whose done and count are set; on the calling thread.
  std::function<void(TPassChunk& chunk)> read;
  // Works on samples [at, at + count) of a chunk's samples, a whole number of frames; pieces of
  // one chunk run on two threads at once, so a piece must touch only its own samples.
  std::function<void(TPassChunk& chunk, uint64_t at, uint64_t count)> work;
  // Takes each chunk once its work is done, in order; on the calling thread.
  std::function<void(const TPassChunk& chunk)> write;
};

// Passes count samples through the steps, a chunk at a time, on the calling thread and one more:
// while this thread writes the chunk before and reads the next, the other works on the current
// one in pieces, and this one then takes the pieces left. So the arithmetic overlaps the
// kernel's copies and both processors share it. frameSamples divides every chunk and piece.
// Every step has ended when this returns or throws.
void RunChunkPass(uint64_t count, uint64_t frameSamples, const TPassSteps& steps);

}  // namespace quillon
