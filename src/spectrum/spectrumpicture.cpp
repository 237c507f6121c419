#include "spectrum/spectrumpicture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "spectrum/colourmaps.h"
#include "spectrum/spectrumtransform.h"

namespace quillon {

namespace {

// Pixels a wide zoom's first, coarse drawing shows from one column.
constexpr int32_t kCoarsePixels = 4;

}  // namespace

void TSpectrumPainter::Prepare(const TSpectrumCache& cache, const TSpectrumSettings& settings,
                               int32_t height) {
  const uint32_t rate = cache.Source().sampleRate;
  if (height != height_ || cache.Window() != window_ || rate != sampleRate_ ||
      settings.scale != settings_.scale)
    rows_ = RowBins(TFrequencyAxis(settings.scale, height, rate), cache.Window(), rate);
  const TColourMap& map = ColourMap(settings.colourMap);
  for (int q = 0; q < 256; ++q) {
    const double db = LevelDb(static_cast<uint8_t>(q)) + settings.gainDb;
    const double t = std::clamp((db + settings.rangeDb) / settings.rangeDb, 0.0, 1.0);
    lut_[q] = map[static_cast<size_t>(std::lround(t * 255))];
  }
  settings_ = settings;
  window_ = cache.Window();
  sampleRate_ = rate;
  height_ = height;
}

TSpectrumKey TSpectrumPainter::KeyAt(const TSpectrumCache& cache, const TSpectrumSpan& span,
                                     int32_t x, int64_t& lastIndex) const {
  const double left = span.firstFrame + x * span.framesPerPixel;
  const double right = left + span.framesPerPixel;
  const double hop = cache.Hop();
  if (left >= cache.Source().frameCount || right <= 0) return {false, -1};
  if (span.framesPerPixel >= hop * kSpectrumGroup) {
    const double groupFrames = hop * kSpectrumGroup;
    const auto first = static_cast<int64_t>(std::floor(std::max(0.0, left) / groupFrames));
    lastIndex = std::clamp(static_cast<int64_t>(std::ceil(right / groupFrames)) - 1, first,
                           cache.GroupCount() - 1);
    return {true, first};
  }
  const auto column = static_cast<int64_t>(std::lround((left + right) / 2 / hop));
  lastIndex = std::clamp<int64_t>(column, 0, cache.ColumnCount() - 1);
  return {false, lastIndex};
}

int32_t TSpectrumPainter::Draw(TSpectrumCache& cache, const TSpectrumSettings& settings,
                               int32_t channel, const TSpectrumSpan& span, int32_t height,
                               uint32_t* pixels, int32_t stride, std::vector<TSpectrumKey>& missing,
                               TDrawColumns columns) {
  const int32_t to = columns.to < 0 ? span.width : std::min(columns.to, span.width);
  if (height <= 0 || span.width <= 0 || columns.from >= to) return 0;
  Prepare(cache, settings, height);
  const int32_t bins = cache.Bins();
  const size_t offset = static_cast<size_t>(channel) * bins;
  std::vector<std::pair<int32_t, TSpectrumKey>> wanted, provisional, coarse;
  std::vector<uint8_t> most(static_cast<size_t>(bins));
  TSpectrumKey drawnKey{false, -2};
  int64_t drawnLast = -2;
  int32_t pending = 0;
  auto again = [&columns](int32_t x, uint8_t value) {
    if (columns.again) columns.again[x] = value;
  };
  for (int32_t x = columns.from; x < to; ++x) {
    int64_t last = 0;
    const TSpectrumKey key = KeyAt(cache, span, x, last);
    uint32_t* out = pixels + x;
    if (x > columns.from && key.reduced == drawnKey.reduced && key.index == drawnKey.index &&
        last == drawnLast) {
      // The same column as the pixel to the left: copy it.
      for (int32_t y = 0; y < height; ++y)
        out[static_cast<ptrdiff_t>(y) * stride] = out[static_cast<ptrdiff_t>(y) * stride - 1];
      if (columns.again) again(x, columns.again[x - 1]);
      continue;
    }
    drawnKey = key;
    drawnLast = last;
    if (key.index < 0) {
      for (int32_t y = 0; y < height; ++y) out[static_cast<ptrdiff_t>(y) * stride] = kPastEndColour;
      again(x, 0);
      continue;
    }
    const uint8_t* levels = nullptr;
    TSpectrumLevels held[2];
    bool complete = true;
    if (!key.reduced || last == key.index) {
      held[0] = cache.Find(key);
      if (held[0])
        levels = held[0]->data() + offset;
      else
        wanted.push_back({x, key}), complete = false;
    } else {
      std::fill(most.begin(), most.end(), 0);
      for (int64_t g = key.index; g <= last; ++g) {
        held[1] = cache.Find({true, g});
        if (!held[1]) {
          wanted.push_back({x, {true, g}});
          complete = false;
          continue;
        }
        const uint8_t* group = held[1]->data() + offset;
        for (int32_t k = 0; k < bins; ++k) most[k] = std::max(most[k], group[k]);
      }
      levels = most.data();
    }
    again(x, complete ? 0 : 1);
    if (!complete && key.reduced) {
      // Until its groups arrive a wide pixel shows the column at its middle, which costs one
      // transform instead of a group's; until that arrives, the column at the middle of its
      // stretch of kCoarsePixels pixels (counted from the document's start, so that a scroll
      // keeps them), which a quarter of the transforms give every pixel first.
      const double pixelFrames = span.framesPerPixel;
      const double middleFrame = span.firstFrame + (x + 0.5) * pixelFrames;
      const double stretch = kCoarsePixels * pixelFrames;
      const double coarseFrame = (std::floor(middleFrame / stretch) + 0.5) * stretch;
      auto columnAt = [&cache](double frame) {
        return TSpectrumKey{false, std::clamp<int64_t>(std::lround(frame / cache.Hop()), 0,
                                                       cache.ColumnCount() - 1)};
      };
      const TSpectrumKey fine = columnAt(middleFrame), rough = columnAt(coarseFrame);
      held[0] = cache.Find(fine);
      if (!held[0]) {
        provisional.push_back({x, fine});
        held[0] = cache.Find(rough);
        // Pixels of one stretch ask for its column once.
        if (!held[0] && (coarse.empty() || coarse.back().second.index != rough.index))
          coarse.push_back({x, rough});
      }
      if (held[0]) {
        levels = held[0]->data() + offset;
        complete = true;
      }
    }
    if (!complete) {
      ++pending;
      for (int32_t y = 0; y < height; ++y) out[static_cast<ptrdiff_t>(y) * stride] = kPendingColour;
      continue;
    }
    for (int32_t y = 0; y < height; ++y) {
      const TRowBins& row = rows_[y];
      uint8_t v = levels[row.first];
      for (int32_t k = row.first + 1; k <= row.last; ++k) v = std::max(v, levels[k]);
      out[static_cast<ptrdiff_t>(y) * stride] = lut_[v];
    }
  }
  const int32_t middle = span.width / 2;
  auto nearestFirst = [middle](const auto& a, const auto& b) {
    return std::abs(a.first - middle) < std::abs(b.first - middle);
  };
  std::stable_sort(coarse.begin(), coarse.end(), nearestFirst);
  std::stable_sort(provisional.begin(), provisional.end(), nearestFirst);
  for (const auto& [x, key] : coarse) missing.push_back(key);
  std::stable_sort(wanted.begin(), wanted.end(), nearestFirst);
  for (const auto& [x, key] : provisional) missing.push_back(key);
  for (const auto& [x, key] : wanted) missing.push_back(key);
  return pending;
}

bool TSpectrumPainter::LevelAt(TSpectrumCache& cache, int32_t channel, const TSpectrumSpan& span,
                               int32_t x, int32_t y, float& db) {
  if (x < 0 || x >= span.width || y < 0 || y >= height_ || rows_.empty()) return false;
  int64_t last = 0;
  const TSpectrumKey key = KeyAt(cache, span, x, last);
  if (key.index < 0) return false;
  uint8_t v = 0;
  const size_t offset = static_cast<size_t>(channel) * cache.Bins();
  for (int64_t i = key.index; i <= (key.reduced ? last : key.index); ++i) {
    const TSpectrumLevels levels = cache.Find({key.reduced, i});
    if (!levels) return false;
    for (int32_t k = rows_[y].first; k <= rows_[y].last; ++k)
      v = std::max(v, (*levels)[offset + k]);
  }
  db = LevelDb(v);
  return true;
}

std::vector<uint32_t> RenderSpectrumPicture(TSpectrumCache& cache,
                                            const TSpectrumSettings& settings, double first,
                                            double frames, int32_t width, int32_t height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, kPastEndColour);
  const int32_t channels = std::max<int32_t>(1, cache.Source().channels);
  const int32_t band = (height - (channels - 1)) / channels;
  if (width <= 0 || band <= 0) return pixels;
  const TSpectrumSpan span{first, frames / width, width};
  TSpectrumPainter painter;
  // The first pass finds what is missing; a cache that failed leaves it pending.
  for (int pass = 0; pass < 3; ++pass) {
    std::vector<TSpectrumKey> missing;
    for (int32_t ch = 0; ch < cache.Source().channels; ++ch)
      painter.Draw(cache, settings, ch, span, band,
                   pixels.data() + static_cast<size_t>(ch) * (band + 1) * width, width, missing);
    if (missing.empty() || cache.Failed()) break;
    cache.Request(std::move(missing), static_cast<int64_t>(first / cache.Hop()));
    cache.WaitUntilIdle();
  }
  return pixels;
}

}  // namespace quillon
