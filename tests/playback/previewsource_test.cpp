#include "playback/previewsource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "document/audiostate.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

constexpr uint16_t kChannels = 2;
constexpr int64_t kFrames = 6000;

// Loud and quiet, positive and negative, so that gains round, clip and cross zero.
std::vector<int16_t> Swing(size_t frames) {
  std::vector<int16_t> samples(frames * kChannels);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(static_cast<int32_t>((i * 7919) % 60001) - 30000);
  return samples;
}

std::vector<int16_t> ReadFrames(TFrameSource& source, int64_t at, int64_t frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * kChannels);
  source.Read(out.data(), at, frames);
  return out;
}

std::vector<int16_t> FramesOf(const std::vector<int16_t>& samples, int64_t first, int64_t n) {
  return {samples.begin() + first * kChannels, samples.begin() + (first + n) * kChannels};
}

class PreviewSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.OpenSamples(kChannels, Swing(kFrames), 8000)); }
  TDocumentHarness h;
};

// What the preview plays is what the command then writes into the document, bit for bit.
struct TEffectRow {
  const char* name;
  int64_t first, frames;
  std::function<TPreviewEffect(const TAudioState&)> effect;
  bool bypass;
  std::function<bool(Twavefile&)> command;
};

TEST_F(PreviewSourceTest, PlaysTheRangeAsTheCommandWritesIt) {
  const TEffectRow rows[] = {
      {"amplify", 1000, 3000, [](const TAudioState&) { return TPreviewEffect::Amplify(173); },
       false, [](Twavefile& d) { return d.Amplify(173); }},
      {"normalize", 0, kFrames,
       [](const TAudioState& s) { return TPreviewEffect::Normalize(80, s.peaks.peak); }, false,
       [](Twavefile& d) { return d.Normalize(80); }},
      {"fade in", 500, 2500, [](const TAudioState&) { return TPreviewEffect::Fade(true); }, false,
       [](Twavefile& d) { return d.FadeIn(500, 3000); }},
      {"fade out", 2000, 3999, [](const TAudioState&) { return TPreviewEffect::Fade(false); },
       false, [](Twavefile& d) { return d.FadeOut(2000, 5999); }},
      {"bypass", 1000, 3000, [](const TAudioState&) { return TPreviewEffect::Amplify(173); }, true,
       [](Twavefile&) { return true; }},
  };
  for (const TEffectRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<int16_t> before = h.Samples();
    auto source = MakeLoopSource(h.document.State(), row.first, row.frames);
    source->SetEffect(row.effect(*h.document.State()));
    source->SetBypass(row.bypass);
    const std::vector<int16_t> played = ReadFrames(*source, 0, row.frames);
    if (row.bypass) {
      EXPECT_EQ(played, FramesOf(before, row.first, row.frames));
      continue;
    }
    ASSERT_TRUE(h.Run(row.command));
    EXPECT_EQ(played, FramesOf(h.Samples(), row.first, row.frames));
    EXPECT_NE(played, FramesOf(before, row.first, row.frames)) << "the row tests nothing";
    h.document.Undo();
    h.WaitIdle();
    ASSERT_EQ(h.Samples(), before);
  }
}

TEST_F(PreviewSourceTest, AChangeTakesEffectAtTheNextBlockAndIsToldOnce) {
  const std::vector<int16_t> samples = h.Samples();
  auto source = MakeLoopSource(h.document.State(), 0, kFrames);
  EXPECT_FALSE(source->TakeChange());
  EXPECT_EQ(ReadFrames(*source, 0, 100), FramesOf(samples, 0, 100));
  source->SetEffect(TPreviewEffect::Amplify(50));
  EXPECT_TRUE(source->TakeChange());
  EXPECT_FALSE(source->TakeChange());
  std::vector<int16_t> half = FramesOf(samples, 100, 100);
  for (int16_t& s : half) s = static_cast<int16_t>(s * 0.5);
  EXPECT_EQ(ReadFrames(*source, 100, 100), half);
  source->SetBypass(true);
  EXPECT_TRUE(source->TakeChange());
  EXPECT_EQ(ReadFrames(*source, 200, 100), FramesOf(samples, 200, 100));
  source->SetBypass(true);
  EXPECT_FALSE(source->TakeChange()) << "the same bypass again changes nothing";
}

TEST_F(PreviewSourceTest, TheLoopWrapsExactlyAndTheEffectStartsAgain) {
  const std::vector<int16_t> samples = h.Samples();
  auto source = MakeLoopSource(h.document.State(), 1000, 400);
  std::vector<int16_t> expected = FramesOf(samples, 1397, 3);
  const std::vector<int16_t> next = FramesOf(samples, 1000, 5);
  expected.insert(expected.end(), next.begin(), next.end());
  EXPECT_EQ(ReadFrames(*source, 3 * 400 - 3, 8), expected);
  EXPECT_EQ(source->DocumentFrame(400 * 7 + 12), 1012);
  // A fade in starts from silence at every pass.
  source->SetEffect(TPreviewEffect::Fade(true));
  const std::vector<int16_t> wrapped = ReadFrames(*source, 399, 2);
  EXPECT_EQ(wrapped[2], 0);
  EXPECT_EQ(wrapped[3], 0);
  EXPECT_NE(wrapped[0], 0);
}

struct TCutRow {
  const char* name;
  int64_t first, stop;
  std::vector<TPlayPiece> expected;
};

TEST_F(PreviewSourceTest, CutPreviewPlaysEitherSideOfTheSelectionOnce) {
  const TCutRow rows[] = {
      {"inside", 3000, 4000, {{1000, 2000}, {4000, 1000}}},
      {"near the start", 500, 1500, {{0, 500}, {1500, 1000}}},
      {"near the end", 4000, 5500, {{2000, 2000}, {5500, 500}}},
  };
  const std::vector<int16_t> samples = h.Samples();
  for (const TCutRow& row : rows) {
    SCOPED_TRACE(row.name);
    auto source = MakeCutPreviewSource(h.document.State(), row.first, row.stop, 2000, 1000);
    std::vector<int16_t> expected;
    int64_t frames = 0;
    for (const TPlayPiece& piece : row.expected) {
      const std::vector<int16_t> part = FramesOf(samples, piece.first, piece.frames);
      expected.insert(expected.end(), part.begin(), part.end());
      frames += piece.frames;
    }
    ASSERT_EQ(source->PlayFrames(), frames);
    EXPECT_EQ(ReadFrames(*source, 0, frames), expected);
    EXPECT_EQ(source->DocumentFrame(row.expected[0].frames), row.stop) << "the cut is skipped";
    // Past the end only silence, and the cursor stays at the last frame.
    const std::vector<int16_t> after = ReadFrames(*source, frames, 10);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](int16_t s) { return s == 0; }));
    EXPECT_EQ(source->DocumentFrame(frames + 10),
              row.expected[1].first + row.expected[1].frames - 1);
  }
}

// Change Sample Rate's preview: a tone below both rates' limits comes back as it was, one above
// the lower rate's is gone; the converter runs on across reads as the ring makes them.
struct TRoundTripRow {
  const char* name;
  double toneHz;
  uint32_t through;
  bool kept;
};

TEST(RateRoundTripPreviewTest, WhatTheOtherRateCannotHoldIsLostAndTheRestKept) {
  const TRoundTripRow rows[] = {
      {"a tone at twice the rate", 440, 88200, true},
      {"a low tone at 8 kHz", 440, 8000, true},
      {"a high tone at 8 kHz", 10000, 8000, false},
  };
  constexpr int64_t kTone = 44100;
  for (const TRoundTripRow& row : rows) {
    SCOPED_TRACE(row.name);
    TDocumentHarness h;
    std::vector<int16_t> tone(kTone);
    for (int64_t i = 0; i < kTone; ++i)
      tone[i] =
          static_cast<int16_t>(std::lround(10000 * std::sin(2 * M_PI * row.toneHz * i / 44100)));
    ASSERT_TRUE(h.OpenSamples(1, tone, 44100));
    auto source = MakeLoopSource(h.document.State(), 0, kTone);
    source->SetEffect(TPreviewEffect::RateRoundTrip(row.through));
    std::vector<int16_t> played(8192);
    for (int64_t at = 0; at < 8192; at += 512) source->Read(played.data() + at, at, 512);
    // Past the converter's settling at the start.
    double error = 0, power = 0;
    for (size_t i = 2048; i < played.size(); ++i) {
      error = std::max(error, std::abs(static_cast<double>(played[i]) - tone[i]));
      power += static_cast<double>(played[i]) * played[i];
    }
    const double rms = std::sqrt(power / (played.size() - 2048));
    if (row.kept)
      EXPECT_LE(error, 40) << "rms " << rms;
    else
      EXPECT_LT(rms, 100) << "the tone is still there";
    std::vector<int16_t> again(8192);
    auto fresh = MakeLoopSource(h.document.State(), 0, kTone);
    fresh->SetEffect(TPreviewEffect::RateRoundTrip(row.through));
    fresh->Read(again.data(), 0, 8192);
    EXPECT_EQ(again, played) << "reads one after another differ from one read";
  }
}

}  // namespace
}  // namespace quillon
