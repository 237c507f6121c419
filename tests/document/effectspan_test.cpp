// Effects on a span against the test's own arithmetic: nothing outside the span changes, and
// one undo step gives the document back.
#include <gtest/gtest.h>

#include <cmath>

#include "support/document_harness.h"

namespace quillon {
namespace {

constexpr uint64_t kFrames = 90001;  // stereo: the first span takes more than one chunk

struct TSpanRow {
  const char* name;
  std::function<bool(Twavefile&, TFrameSpan)> request;
  // Sample i of the span's n samples afterwards, from the span's samples before.
  std::function<int16_t(const int16_t* in, uint64_t n, uint64_t i)> expected;
};

class EffectSpanTest : public ::testing::TestWithParam<TSpanRow> {};

TEST_P(EffectSpanTest, ChangesTheSpanOnlyAndUndoGivesItBack) {
  for (const TFrameSpan span : {TFrameSpan{1234, 88000}, TFrameSpan{kFrames - 3, kFrames}}) {
    // Inside within +-8192 and reaching it; outside up to 20000, which a Normalize by the
    // document's peak would scale by.
    std::vector<int16_t> source(2 * kFrames);
    for (uint64_t i = 0; i < source.size(); ++i)
      source[i] = (i / 2 < span.start || i / 2 >= span.stop) && i % 977 == 0
                      ? 20000
                      : static_cast<int16_t>(static_cast<int64_t>(i * 7919 % 16385) - 8192);
    source[2 * span.start + 1] = 8192;
    std::vector<int16_t> expected = source;
    for (uint64_t i = 0, n = 2 * span.Length(); i < n; ++i)
      expected[2 * span.start + i] = GetParam().expected(&source[2 * span.start], n, i);
    test::TDocumentHarness h;
    ASSERT_TRUE(h.OpenSamples(2, source));
    ASSERT_TRUE(h.Run([&](Twavefile& d) { return GetParam().request(d, span); }));
    EXPECT_EQ(h.document.UndoStack().Count(), 1u);
    EXPECT_TRUE(h.Samples() == expected);
    h.document.Undo();
    h.WaitIdle();
    EXPECT_TRUE(h.Samples() == source);
  }
}

using TDoc = Twavefile&;
using TIn = const int16_t*;
INSTANTIATE_TEST_SUITE_P(
    Rows, EffectSpanTest,
    ::testing::Values(
        // 100 % of the span's peak 8192: times 4, the peak itself clipped.
        TSpanRow{"Normalize", [](TDoc d, TFrameSpan s) { return d.Normalize(100, s); },
                 [](TIn v, uint64_t, uint64_t i) { return int16_t(std::min(4 * v[i], 32767)); }},
        TSpanRow{"Amplify", [](TDoc d, TFrameSpan s) { return d.Amplify(150, s); },
                 [](TIn v, uint64_t, uint64_t i) { return int16_t(std::trunc(v[i] * 1.5)); }},
        TSpanRow{"Invert", [](TDoc d, TFrameSpan s) { return d.Invert(s); },
                 [](TIn v, uint64_t, uint64_t i) { return int16_t(-v[i]); }},
        TSpanRow{"Reverse", [](TDoc d, TFrameSpan s) { return d.Reverse(s); },
                 [](TIn v, uint64_t n, uint64_t i) { return v[n - 2 - i / 2 * 2 + i % 2]; }},
        TSpanRow{"ApplyGain",
                 [](TDoc d, TFrameSpan s) {
                   return d.ApplyGain([](auto&, auto&) { return TGainPlan{0.5, ""}; }, s);
                 },
                 [](TIn v, uint64_t, uint64_t i) { return int16_t(std::nearbyint(v[i] * 0.5)); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
