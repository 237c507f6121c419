// The waveform as drawn, pixel for pixel: views of two synthetic documents at zooms from the
// whole document down to single frames, compared with pictures stored from an earlier drawing
// that is known to be right. Only the wave area is compared (the scale bands hold text, which
// depends on the fonts installed). QUILLON_WRITE_WAVE_PICTURES=<folder> writes the pictures
// there instead of comparing, to renew them after a wanted change of the drawing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "display/waveview.h"
#include "platform/config.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 160;
// Not a multiple of the index block, so the last block is a partial one; long enough that the
// whole document spans many coarse index entries per column.
constexpr uint32_t kFrames = (1u << 22) + 12345;

// A deterministic signal with what a drawing must get right: noise and slow tones whose loudness
// swells and fades (steps of every height between columns, the small ones included), silences,
// lone spikes up and down, and channels that differ.
std::vector<int16_t> Signal(uint16_t channels) {
  std::vector<int16_t> samples(static_cast<size_t>(kFrames) * channels);
  uint32_t seed = 12345u + channels;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  uint32_t f = 0;
  while (f < kFrames) {
    const uint32_t run = 1 + next() % (next() % 8 == 0 ? 20000 : 900);
    const bool silent = next() % 5 == 0, tone = next() % 2 == 0;
    const double from = next() % 32768, to = next() % 32768, period = 2 + next() % 3000;
    for (uint32_t i = 0; i < run && f < kFrames; ++i, ++f) {
      const double amplitude = silent ? 0 : from + (to - from) * i / run;
      const double value = tone ? amplitude * std::sin(6.283185307179586 * i / period)
                                : amplitude * ((next() % 65536) / 32768.0 - 1);
      for (uint16_t c = 0; c < channels; ++c)
        samples[static_cast<size_t>(f) * channels + c] =
            static_cast<int16_t>(std::lround(c == 0 ? value : -value / 2));
    }
    if (f < kFrames && next() % 3 == 0)
      samples[static_cast<size_t>(f) * channels] = next() % 2 ? 32767 : -32768;
  }
  return samples;
}

// One view: frames per pixel (0: the whole document), where it starts as a share of the document,
// and whether a selection covers the middle of it.
struct TPicture {
  const char* name;
  double framesPerPixel;
  double start;
  bool selected;
};

const TPicture kPictures[] = {
    {"whole", 0, 0, false},
    {"whole-selected", 0, 0, true},
    {"coarse-index", 9000.5, 0.31, false},
    {"coarse-index-start", 4700, 0, true},
    {"index-past-end", 2048, 0.99, false},
    {"index-513", 513, 0.5, false},
    {"index-512", 512, 0.77, true},
    {"samples-511", 511, 0.5, false},
    {"samples-tens", 37.3, 0.2, true},
    {"samples-1.7", 1.7, 0.6, false},
    {"samples-1", 1, 0.6, true},
    {"samples-near-end", 3, 0.99995, false},
    {"frames-0.6", 0.6, 0.4, false},
    {"frames-markers", 0.1, 0.4, true},
    {"frames-markers-start", 0.05, 0, false},
};

// The pictures that the screen scaled to 200 % is held to: each drawn in a view twice the size.
// None has a selection, whose edge columns are rounded from logical pixels.
const char* const kDoubled[] = {"whole",       "coarse-index",     "index-513", "samples-511",
                                "samples-1.7", "samples-near-end", "frames-0.6"};

std::string PictureFolder() {
  return QUILLON_WAVE_PICTURES;
}

class WavePictureTest : public ::testing::TestWithParam<uint16_t> {
 protected:
  static void TearDownTestSuite() { harness.reset(); }

  // The document of the test's channel count; one harness at a time, since each installs itself
  // as the main thread's loop.
  static Twavefile& Document(uint16_t channels) {
    if (!harness || harness->document.Channels() != channels) {
      harness.reset();
      harness = std::make_unique<test::TDocumentHarness>();
      EXPECT_TRUE(harness->OpenSamples(channels, Signal(channels), 44100));
    }
    return harness->document;
  }

  static inline std::unique_ptr<test::TDocumentHarness> harness;

  void SetUp() override {
    saved_ = {ViewBackColor, ViewScaleColor, ViewWaveColor};
    ViewBackColor = kDefaultBackColor;
    ViewScaleColor = kDefaultScaleColor;
    ViewWaveColor = kDefaultWaveColor;
  }
  void TearDown() override {
    ViewBackColor = saved_[0];
    ViewScaleColor = saved_[1];
    ViewWaveColor = saved_[2];
  }

  // Draws picture in a view of width x height logical pixels; its frames per pixel are those of
  // the standard view.
  void Draw(TWaveView& view, const TPicture& picture, int width, int height) const {
    view.resize(width, height);
    view.AttachDocument(&Document(GetParam()));
    const int area = kWidth - RightMargin;
    const uint32_t length = picture.framesPerPixel == 0
                                ? kFrames
                                : static_cast<uint32_t>(std::lround(picture.framesPerPixel * area));
    const uint32_t start = static_cast<uint32_t>(picture.start * kFrames);
    view.SetView(start, length);
    if (picture.selected)
      view.SetSelection(view.ViewStart() + view.ViewLength() / 4,
                        view.ViewStart() + view.ViewLength() * 3 / 5, true);
  }

  // The wave area of a view's frame: its columns up to the amplitude band's border, which the
  // last column's wave reaches, and its rows below the time band.
  static QImage WaveArea(const TWaveView& view) {
    const QImage& frame = view.Frame();
    const qreal ratio = frame.devicePixelRatio();
    const int top = static_cast<int>(TopMargin * ratio);
    const int right = static_cast<int>((view.width() - RightMargin) * ratio) + 1;
    return frame.copy(0, top, right, frame.height() - top).convertToFormat(QImage::Format_RGB32);
  }

  std::string FileName(const std::string& name) const {
    return name + (GetParam() == 1 ? "-mono" : "-stereo") + ".png";
  }

  std::array<uint32_t, 3> saved_{};
};

// Where two pictures first differ, or an empty text when they are alike.
std::string FirstDifference(const QImage& got, const QImage& want) {
  if (got.size() != want.size())
    return "size " + std::to_string(got.width()) + "x" + std::to_string(got.height()) +
           ", expected " + std::to_string(want.width()) + "x" + std::to_string(want.height());
  for (int y = 0; y < got.height(); ++y)
    for (int x = 0; x < got.width(); ++x) {
      const QRgb a = got.pixel(x, y) & 0xFFFFFF, b = want.pixel(x, y) & 0xFFFFFF;
      if (a != b)
        return "first at x " + std::to_string(x) + ", y " + std::to_string(y) + ": #" +
               QString::number(a, 16).toStdString() + " where #" +
               QString::number(b, 16).toStdString() + " was expected";
    }
  return {};
}

TEST_P(WavePictureTest, EveryZoomDrawsTheStoredPicture) {
  const char* writeTo = std::getenv("QUILLON_WRITE_WAVE_PICTURES");
  TWaveView view;
  if (view.devicePixelRatioF() != 1) GTEST_SKIP() << "the pictures are of an unscaled screen";
  auto check = [&](const TPicture& picture, int width, int height, const std::string& name) {
    Draw(view, picture, width, height);
    const QImage got = WaveArea(view);
    const std::string file = FileName(name);
    if (writeTo) {
      ASSERT_TRUE(got.save(QDir(writeTo).filePath(QString::fromStdString(file))));
      return;
    }
    const QImage want(
        QDir(QString::fromStdString(PictureFolder())).filePath(QString::fromStdString(file)));
    ASSERT_FALSE(want.isNull()) << file;
    EXPECT_EQ(FirstDifference(got, want.convertToFormat(QImage::Format_RGB32)), "") << file;
  };
  for (const TPicture& picture : kPictures) check(picture, kWidth, kHeight, picture.name);
  for (const TPicture& picture : kPictures)
    for (const char* doubled : kDoubled)
      if (std::string(picture.name) == doubled)
        check(picture, 2 * kWidth - RightMargin, 2 * kHeight, std::string("double-") + doubled);
}

// The wave's pixels of a picture as column and row from the centre of the nearest lane.
std::set<std::pair<int, int>> WavePixels(const QImage& area, const std::vector<int>& centres) {
  std::set<std::pair<int, int>> pixels;
  const QRgb wave = qRgb(kDefaultWaveColor & 0xFF, (kDefaultWaveColor >> 8) & 0xFF,
                         (kDefaultWaveColor >> 16) & 0xFF) &
                    0xFFFFFF;
  for (int y = 0; y < area.height(); ++y)
    for (int x = 0; x < area.width(); ++x) {
      if ((area.pixel(x, y) & 0xFFFFFF) != wave) continue;
      int lane = 0;
      for (size_t i = 1; i < centres.size(); ++i)
        if (std::abs(y - centres[i]) < std::abs(y - centres[lane])) lane = static_cast<int>(i);
      pixels.insert({x, y - centres[lane]});
    }
  return pixels;
}

// On a screen scaled to 200 % the wave has a column of its own in every device pixel: it is the
// unscaled drawing of a view twice as wide and twice as high, lane by lane. (The lane's centre
// line is two device pixels thick; the wave's zero is its lower one.)
TEST_P(WavePictureTest, ScaledScreenDrawsAColumnPerDevicePixel) {
  TWaveView view;
  if (view.devicePixelRatioF() != 2) GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
  const int lanes = GetParam();
  for (const TPicture& picture : kPictures)
    for (const char* doubled : kDoubled) {
      if (std::string(picture.name) != doubled) continue;
      Draw(view, picture, kWidth, kHeight);
      std::vector<int> centres, doubleCentres;
      for (int i = 0; i < lanes; ++i) {
        centres.push_back(2 * (view.LaneCentre(i) - TopMargin));
        // A lane's centre in an unscaled view of twice the height.
        const double slice = (2.0 * kHeight - TopMargin) / (2 * lanes);
        doubleCentres.push_back(static_cast<int>(std::nearbyint(slice * (2 * i + 1))));
      }
      const std::string file = FileName(std::string("double-") + doubled);
      const QImage want(
          QDir(QString::fromStdString(PictureFolder())).filePath(QString::fromStdString(file)));
      ASSERT_FALSE(want.isNull()) << file;
      const auto got = WavePixels(WaveArea(view), centres);
      const auto expected = WavePixels(want, doubleCentres);
      std::vector<std::pair<int, int>> missing, extra;
      std::set_difference(expected.begin(), expected.end(), got.begin(), got.end(),
                          std::back_inserter(missing));
      std::set_difference(got.begin(), got.end(), expected.begin(), expected.end(),
                          std::back_inserter(extra));
      EXPECT_TRUE(missing.empty() && extra.empty())
          << doubled << ": " << missing.size() << " wave pixels missing, first at column "
          << (missing.empty() ? -1 : missing[0].first) << "; " << extra.size()
          << " too many, first at column " << (extra.empty() ? -1 : extra[0].first);
    }
}

INSTANTIATE_TEST_SUITE_P(Lanes, WavePictureTest, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "Mono" : "Stereo"; });

}  // namespace
}  // namespace quillon
