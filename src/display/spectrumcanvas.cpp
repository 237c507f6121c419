#include "display/spectrumcanvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quillon {

void TSpectrumCanvas::Show(double firstFrame, double framesPerPixel, int32_t width, int32_t height,
                           int32_t band, int32_t channels) {
  width = std::max(0, width);
  height = std::max(0, height);
  const auto origin = static_cast<int64_t>(std::llround(firstFrame / framesPerPixel));
  const bool sameGrid = framesPerPixel == span_.framesPerPixel && width == span_.width &&
                        image_.height() == height && band == band_ && channels == channels_;
  if (!sameGrid) {
    image_ = QImage(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    image_.fill(kPastEndColour);
    again_.assign(static_cast<size_t>(width), 1);
  } else if (origin != origin_) {
    Scroll(origin - origin_);
  }
  origin_ = origin;
  span_ = {static_cast<double>(origin) * framesPerPixel, framesPerPixel, width};
  band_ = band;
  channels_ = channels;
}

void TSpectrumCanvas::Invalidate() {
  std::fill(again_.begin(), again_.end(), 1);
}

void TSpectrumCanvas::Scroll(int64_t pixels) {
  const int32_t width = span_.width;
  if (std::llabs(pixels) >= width) {
    Invalidate();
    return;
  }
  const auto shift = static_cast<int32_t>(pixels);
  const int32_t kept = width - std::abs(shift);
  const int32_t from = shift > 0 ? shift : 0, to = shift > 0 ? 0 : -shift;
  for (int32_t y = 0; y < image_.height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image_.scanLine(y));
    std::memmove(row + to, row + from, static_cast<size_t>(kept) * sizeof(uint32_t));
  }
  std::memmove(again_.data() + to, again_.data() + from, static_cast<size_t>(kept));
  // The newly exposed side.
  std::fill_n(again_.begin() + (shift > 0 ? kept : 0), std::abs(shift), 1);
}

int32_t TSpectrumCanvas::Paint(TSpectrumCache& cache, const TSpectrumSettings& settings,
                               std::vector<TSpectrumPainter>& painters,
                               std::vector<TSpectrumKey>& missing) {
  drawn_ = 0;
  int32_t pending = 0;
  const auto stride = static_cast<int32_t>(image_.bytesPerLine() / 4);
  const int32_t channels = std::min<int32_t>(channels_, static_cast<int32_t>(painters.size()));
  std::vector<uint8_t> again(again_.size());
  // Each run of columns to draw at once; what the bands leave to draw again is gathered apart
  // so that every band sees the same runs.
  for (int32_t x = 0; x < span_.width;) {
    if (!again_[x]) {
      ++x;
      continue;
    }
    int32_t end = x;
    while (end < span_.width && again_[end]) ++end;
    for (int32_t ch = 0; ch < channels && band_ > 0; ++ch) {
      auto* pixels = reinterpret_cast<uint32_t*>(image_.scanLine(ch * (band_ + 1)));
      pending += painters[ch].Draw(cache, settings, ch, span_, band_, pixels, stride, missing,
                                   {x, end, again.data()});
    }
    drawn_ += end - x;
    x = end;
  }
  again_ = std::move(again);
  return pending;
}

}  // namespace quillon
