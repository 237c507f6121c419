#include "document/rangeclip.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/error.h"
#include "platform/filewriter.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

struct TClipRow {
  const char* name;
  uint64_t start;
  uint64_t stop;
  // Thrown: nothing of the audio is written.
  bool refused;
};

class RangeClipTest : public ::testing::TestWithParam<TClipRow> {};

TEST_P(RangeClipTest, WritesTheRangeAsAWavFileOrRefusesItWithAMessage) {
  const TClipRow row = GetParam();
  test::TDocumentHarness h;
  std::vector<int16_t> samples(2 * 1000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 5 + 1);
  ASSERT_TRUE(h.OpenSamples(2, samples, 8000));
  test::TTempDir folder;
  const std::string path = folder.File("clip.wav");
  TFileWriter out(path);
  if (row.refused) {
    EXPECT_THROW(WriteRangeClip(*h.document.State(), row.start, row.stop, out), Exception);
    return;
  }
  WriteRangeClip(*h.document.State(), row.start, row.stop, out);
  out.Close();
  EXPECT_EQ(test::ReadWav16Samples(path),
            std::vector<int16_t>(samples.begin() + 2 * row.start, samples.begin() + 2 * row.stop));
}

INSTANTIATE_TEST_SUITE_P(Rows, RangeClipTest,
                         ::testing::Values(TClipRow{"Whole", 0, 1000, false},
                                           TClipRow{"OneFrameAtTheEnd", 999, 1000, false},
                                           TClipRow{"Empty", 500, 500, false},
                                           TClipRow{"StopPastTheEnd", 10, 1001, true},
                                           TClipRow{"StartAfterStop", 20, 10, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
