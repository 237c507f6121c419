#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "spectrum/spectrumcache.h"
#include "spectrum/spectrumpicture.h"
#include "spectrum/spectrumsettings.h"

namespace quillon {

// The spectrogram's drawn bands, kept between paints: scrolling moves what is drawn and draws
// only the newly exposed pixel columns, and arrivals redraw only the columns that waited for
// them. Pixel columns lie on a grid of whole pixels from the document's start, so that a scroll
// by any number of frames moves the picture by whole pixels (the picture starts up to half a pixel
// from the asked-for start). Needs no window.
class TSpectrumCanvas {
 public:
  // The bands of channels channels, band pixels high one pixel apart, over width pixels of
  // framesPerPixel frames from near firstFrame. Keeps what it can of the last picture.
  void Show(double firstFrame, double framesPerPixel, int32_t width, int32_t height, int32_t band,
            int32_t channels);
  // Everything is drawn again on the next Paint (other settings, another cache).
  void Invalidate();
  // Draws what needs drawing; appends the keys missing, nearest the middle first. Returns how
  // many pixel columns are pending, of every band.
  int32_t Paint(TSpectrumCache& cache, const TSpectrumSettings& settings,
                std::vector<TSpectrumPainter>& painters, std::vector<TSpectrumKey>& missing);

  const QImage& Image() const { return image_; }
  // The span the picture shows.
  const TSpectrumSpan& Span() const { return span_; }
  // Pixel columns the last Paint drew.
  int32_t DrawnColumns() const { return drawn_; }

 private:
  void Scroll(int64_t pixels);

  QImage image_;
  TSpectrumSpan span_;
  int64_t origin_ = 0;
  int32_t band_ = 0;
  int32_t channels_ = 0;
  // 1 for each pixel column to draw on the next Paint.
  std::vector<uint8_t> again_;
  int32_t drawn_ = 0;
};

}  // namespace quillon
