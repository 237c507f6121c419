#pragma once

#include <cstdint>
#include <vector>

#include "spectrum/frequencyscale.h"
#include "spectrum/spectrumcache.h"
#include "spectrum/spectrumsettings.h"

namespace quillon {

// The stretch of the document a picture shows: pixel x covers frames firstFrame +
// x * framesPerPixel up to the next pixel's.
struct TSpectrumSpan {
  double firstFrame = 0;
  double framesPerPixel = 1;
  int32_t width = 0;
};

// The pixel columns from .. to - 1 of a drawing (to -1: the span's width); again, when given,
// gets 1 for each column to draw once more as levels arrive (pending, or shown from the column at
// a wide pixel's middle until its groups arrive) and 0 for each one that is final.
struct TDrawColumns {
  int32_t from = 0;
  int32_t to = -1;
  uint8_t* again = nullptr;
};

// Colour of the part of a band past the document's end.
inline constexpr uint32_t kPastEndColour = 0xFF1E1E1E;

// Draws bands of one channel from a cache, keeping the row table and colours between drawings
// while the settings stay. Columns of a pixel narrower than a group show the column nearest its
// middle; wider pixels show the maximum of the reduced level's groups under them, and the column
// at their middle until those arrive (before that, one column for every four pixels). What is not
// held yet is drawn kPendingColour and its key appended to missing, nearest the middle first,
// the coarse columns first, then the others, then groups.
class TSpectrumPainter {
 public:
  // pixels: span.width x height colours 0xFFRRGGBB, stride apart (in pixels), row 0 the highest
  // frequency. Returns how many pixel columns were pending.
  int32_t Draw(TSpectrumCache& cache, const TSpectrumSettings& settings, int32_t channel,
               const TSpectrumSpan& span, int32_t height, uint32_t* pixels, int32_t stride,
               std::vector<TSpectrumKey>& missing, TDrawColumns columns = {});

  // The level (dB, before the gain) at row y of the last drawing's column x; none when that
  // column was pending or is outside.
  bool LevelAt(TSpectrumCache& cache, int32_t channel, const TSpectrumSpan& span, int32_t x,
               int32_t y, float& db);

 private:
  void Prepare(const TSpectrumCache& cache, const TSpectrumSettings& settings, int32_t height);
  // The key pixel x shows, or -1 index past the end; for groups also the last group's index.
  TSpectrumKey KeyAt(const TSpectrumCache& cache, const TSpectrumSpan& span, int32_t x,
                     int64_t& lastIndex) const;

  TSpectrumSettings settings_{};
  int32_t window_ = 0;
  uint32_t sampleRate_ = 0;
  int32_t height_ = -1;
  std::vector<TRowBins> rows_;
  uint32_t lut_[256]{};
};

// A whole picture of every channel, bands stacked with a one-pixel gap between them, computed
// to the end on cache's workers: for the command line, tests and benchmarks. Frames first to
// first + frames over width x height pixels.
std::vector<uint32_t> RenderSpectrumPicture(TSpectrumCache& cache,
                                            const TSpectrumSettings& settings, double first,
                                            double frames, int32_t width, int32_t height);

}  // namespace quillon
