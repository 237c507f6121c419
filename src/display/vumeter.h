#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>

namespace quillon {

// The level values of one update, one per channel, first channel first.
using maxsample = std::array<int16_t, 9>;
using TDSPBuffer = std::array<int16_t, 256>;
using TBandOut = std::array<int32_t, 128>;

// The level meter: one horizontal bar per channel with a peak-hold marker. It measures nothing
// itself; each update hands it one level per channel on the meter's scale (0 to 128, where 128
// fills the width), and it keeps the bars and peaks between updates and lets them fall. Every
// update is drawn into an off-screen frame that paintEvent only copies.
class TVUMeter : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMaxChannels = static_cast<int>(std::tuple_size_v<maxsample>);
  static constexpr int kFullScale = 128;
  static constexpr int32_t kPeaksDelay = 10;
  static constexpr int32_t kPeaksFallof = 1;
  static constexpr int32_t kSpectrumFallof = 3;

  explicit TVUMeter(QWidget* parent = nullptr);

  // One update: the first ch values of points become the new levels; the bars and peaks move
  // and the meter is redrawn. Ignored while the meter is hidden. ch is held to 0..9 and each
  // level to 0..128, so nothing is read past points and nothing is drawn past the right edge.
  void event_s(const maxsample& points, int ch);
  // Fills the picture with the background colour and schedules a repaint; bars and peaks stay.
  void ClearVisual();
  // ClearVisual, then every bar, level and peak back to zero.
  void ResetVisual();
  // Bars, peaks and hold counters of every channel back to zero.
  void ResetPeaks();

  // Colours as 0x00BBGGRR values, the way the settings keep colours.
  uint32_t backcolor() const { return VIS32_; }
  void SetBackcolor(uint32_t color);
  uint32_t forecolor() const { return VISD_; }
  void SetForecolor(uint32_t color) { VISD_ = color; }
  // Kept for the main window's settings; the meter draws no labels.
  bool showlabels() const { return fshowlabels_; }
  void SetShowlabels(bool show) { fshowlabels_ = show; }
  bool ShowPeaks() const { return fShowPeaks_; }
  void SetShowPeaks(bool show) { fShowPeaks_ = show; }

  uint8_t VUChannels() const { return fVUChannels_; }
  int32_t BandOut(int channel) const { return BandOut_.at(channel); }
  int32_t Peaks(int channel) const { return Peaks_.at(channel); }
  int32_t PeaksWait(int channel) const { return PeaksWait_.at(channel); }
  // The picture the meter shows.
  const QImage& Frame() const { return BasicBMP_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SizeFrame();
  void MoveBar(int channel, int32_t length);
  void MovePeak(int channel, int32_t length);
  int32_t LevelToPixels(int16_t level) const;

  uint32_t VIS32_ = 0;
  uint32_t VISD_ = 0;
  TDSPBuffer dspBuffer_{};
  uint8_t fVUChannels_ = 1;
  TBandOut BandOut_{};
  TBandOut Peaks_{};
  TBandOut PeaksWait_{};
  QImage BasicBMP_;
  bool fShowPeaks_ = true;
  bool fshowlabels_ = false;
};

}  // namespace quillon
