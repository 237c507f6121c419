// The effects on a span: inside it the test's own arithmetic, outside it the samples as they
// were, and one undo step that gives the document back.
#include <gtest/gtest.h>

#include <cmath>

#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

constexpr uint64_t kFrames = 90001;  // stereo: more than one chunk inside the span

// Inside the spans below the samples stay within +-8192 and reach 8192; outside they reach
// 20000, so a Normalize by the whole document's peak would give other values.
std::vector<int16_t> Source(TFrameSpan inside) {
  std::vector<int16_t> samples(2 * kFrames);
  for (uint64_t i = 0; i < samples.size(); ++i) {
    const bool in = i / 2 >= inside.start && i / 2 < inside.stop;
    samples[i] = static_cast<int16_t>(static_cast<int64_t>(i * 7919 % 16385) - 8192);
    if (!in && i % 977 == 0) samples[i] = 20000;
  }
  samples[2 * inside.start + 1] = 8192;
  return samples;
}

struct TSpanRow {
  const char* name;
  std::function<bool(Twavefile&, TFrameSpan)> request;
  // The new value of sample i of the span (frame span.start + i / 2) from the source.
  std::function<int16_t(const std::vector<int16_t>&, TFrameSpan, uint64_t)> expected;
};

int16_t At(const std::vector<int16_t>& s, TFrameSpan span, uint64_t i) {
  return s[2 * span.start + i];
}

class EffectSpanTest : public ::testing::TestWithParam<TSpanRow> {};

TEST_P(EffectSpanTest, ChangesTheSpanOnlyAndUndoGivesItBack) {
  const TSpanRow& row = GetParam();
  for (const TFrameSpan span : {TFrameSpan{1234, 88000}, TFrameSpan{kFrames - 3, kFrames}}) {
    SCOPED_TRACE(std::to_string(span.start) + ":" + std::to_string(span.stop));
    const std::vector<int16_t> source = Source(span);
    std::vector<int16_t> expected = source;
    for (uint64_t i = 0; i < 2 * span.Length(); ++i)
      expected[2 * span.start + i] = row.expected(source, span, i);
    TDocumentHarness h;
    ASSERT_TRUE(h.OpenSamples(2, source));
    ASSERT_TRUE(h.Run([&](Twavefile& d) { return row.request(d, span); }));
    EXPECT_EQ(h.document.UndoStack().Count(), 1u);
    EXPECT_TRUE(h.Samples() == expected);
    h.document.Undo();
    h.WaitIdle();
    EXPECT_TRUE(h.Samples() == source);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EffectSpanTest,
    ::testing::Values(
        // The span's peak 8192 at 100 %: times 4, the peak itself clipped.
        TSpanRow{"Normalize", [](Twavefile& d, TFrameSpan s) { return d.Normalize(100, s); },
                 [](const std::vector<int16_t>& v, TFrameSpan s, uint64_t i) {
                   return static_cast<int16_t>(std::min(4 * At(v, s, i), 32767));
                 }},
        TSpanRow{"Amplify", [](Twavefile& d, TFrameSpan s) { return d.Amplify(150, s); },
                 [](const std::vector<int16_t>& v, TFrameSpan s, uint64_t i) {
                   return static_cast<int16_t>(std::trunc(At(v, s, i) * 1.5));
                 }},
        TSpanRow{"Invert", [](Twavefile& d, TFrameSpan s) { return d.Invert(s); },
                 [](const std::vector<int16_t>& v, TFrameSpan s, uint64_t i) {
                   return static_cast<int16_t>(-At(v, s, i));
                 }},
        TSpanRow{"Reverse", [](Twavefile& d, TFrameSpan s) { return d.Reverse(s); },
                 [](const std::vector<int16_t>& v, TFrameSpan s, uint64_t i) {
                   return At(v, s, 2 * (s.Length() - 1 - i / 2) + i % 2);
                 }},
        TSpanRow{"ApplyGain",
                 [](Twavefile& d, TFrameSpan s) {
                   return d.ApplyGain(
                       [](const TAudioState&, const TCancelToken&) {
                         return TGainPlan{0.5, ""};
                       },
                       s);
                 },
                 [](const std::vector<int16_t>& v, TFrameSpan s, uint64_t i) {
                   return static_cast<int16_t>(std::nearbyint(At(v, s, i) * 0.5));
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EffectSpanRefusalTest, ASpanPastTheEndIsRefusedWithAMessage) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, {1, 2, 3}));
  EXPECT_FALSE(h.document.Amplify(150, TFrameSpan{2, 4}));
  EXPECT_FALSE(h.document.Reverse(TFrameSpan{3, 1}));
  EXPECT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.Samples(), (std::vector<int16_t>{1, 2, 3}));
}

}  // namespace
}  // namespace quillon
