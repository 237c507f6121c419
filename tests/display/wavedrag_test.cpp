#include <gtest/gtest.h>

#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <vector>

#include "codecs/clipformat.h"
#include "display/waveview.h"
#include "platform/config.h"
#include "support/document_harness.h"
#include "support/wait.h"

namespace quillon {
namespace {

// A view 698 × 250 over 1000 numbered mono frames at 8000 Hz, frames 200 to 600 selected, whose
// drags are caught instead of run.
class WaveDragTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxes(&harness.boxes);
    std::vector<int16_t> samples(1000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 3 + 1);
    ASSERT_TRUE(harness.OpenSamples(1, samples));
    // The document's stores stay in the harness's folder; dragged files come here.
    saved_ = config.tempfolder;
    config.tempfolder = out.Path() + "/";
    view.resize(698, 250);
    view.AttachDocument(&harness.document);
    view.SetSelection(200, 600, true);
    view.DragRunner = [this](std::unique_ptr<QMimeData> data) {
      dragged.push_back(std::move(data));
    };
  }
  void TearDown() override {
    SetMessageBoxes(nullptr);
    config.tempfolder = saved_;
  }
  // The x of frame f with the whole document in view.
  int XOf(uint32_t frame) const {
    return static_cast<int>(frame * double(view.width() - RightMargin) / 1000);
  }
  std::vector<int16_t> Expected(uint32_t start, uint32_t stop) const {
    std::vector<int16_t> result;
    for (uint32_t i = start; i < stop; ++i) result.push_back(static_cast<int16_t>(i * 3 + 1));
    return result;
  }

  test::TDocumentHarness harness;
  test::TTempDir out;
  TWaveView view;
  std::vector<std::unique_ptr<QMimeData>> dragged;

 private:
  std::string saved_;
};

TEST_F(WaveDragTest, TheDragCarriesTheSelectionAsAWavFileAndAsBytes) {
  view.DragSelectionOut();
  EXPECT_TRUE(dragged.empty()) << "the drag waits for its file";
  ASSERT_TRUE(test::WaitUntil([&] { return dragged.size() == 1; }));
  std::unique_ptr<QMimeData> data = std::move(dragged[0]);
  ASSERT_EQ(data->urls().size(), 1);
  const std::string file = data->urls().front().toLocalFile().toStdString();
  EXPECT_EQ(file, out.File("Quillon clip 1.wav"));
  const std::vector<uint8_t> bytes = test::ReadFileBytes(file);
  EXPECT_EQ(ReadClipAudio(bytes.data(), bytes.size(), 1, 8000), Expected(200, 600));
  EXPECT_EQ(test::ReadWav16Samples(file), Expected(200, 600));
  for (const char* type : {"audio/x-wav", "audio/wav", "audio/vnd.wave"}) {
    EXPECT_TRUE(data->formats().contains(type)) << type;
    const QByteArray offered = data->data(type);
    EXPECT_EQ(std::vector<uint8_t>(offered.begin(), offered.end()), bytes) << type;
  }
  // The file outlives the drag, for targets that read it later, and goes with the view.
  data.reset();
  EXPECT_EQ(view.DragFiles().Paths(), std::vector<std::string>{file});
  {
    TWaveView other;
    other.AttachDocument(&harness.document);
    other.SetSelection(0, 10, true);
    other.DragRunner = view.DragRunner;
    other.DragSelectionOut();
    ASSERT_TRUE(test::WaitUntil([&] { return dragged.size() == 2; }));
    EXPECT_EQ(out.List().size(), 2u);
  }
  EXPECT_EQ(out.List(), std::vector<std::string>{"Quillon clip 1.wav"});
}

// The selection streams into its file while the main thread is held up; the drag follows.
TEST_F(WaveDragTest, TheFileIsWrittenWhileTheMainThreadIsHeldUp) {
  view.DragSelectionOut();
  const std::string file = out.File("Quillon clip 1.wav");
  ASSERT_TRUE(test::StallMainThreadUntil([&] {
    std::error_code error;
    return std::filesystem::file_size(file, error) == 44 + 400 * 2;
  })) << "the write waited for the main thread";
  EXPECT_TRUE(dragged.empty());
  ASSERT_TRUE(test::WaitUntil([&] { return dragged.size() == 1; }));
  EXPECT_EQ(test::ReadWav16Samples(file), Expected(200, 600));
}

// Longer than the writer's pieces, so that the streaming from the store is what is checked.
TEST_F(WaveDragTest, ALongStereoSelectionArrivesWholeThroughTheFile) {
  std::vector<int16_t> samples(2 * 200000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 13 + 5);
  ASSERT_TRUE(harness.OpenSamples(2, samples, 44100));
  view.SetSelection(1, 199999, true);
  view.DragSelectionOut();
  ASSERT_TRUE(test::WaitUntil([&] { return dragged.size() == 1; }));
  const std::string file = dragged[0]->urls().front().toLocalFile().toStdString();
  EXPECT_EQ(test::ReadWav16Samples(file),
            std::vector<int16_t>(samples.begin() + 2, samples.begin() + 2 * 199999));
}

TEST_F(WaveDragTest, CtrlAndAMoveInsideTheSelectionDragItWhileOtherPressesSelect) {
  // Ctrl with a move inside the selection: the drag, with the selection left as it was.
  QTest::mousePress(&view, Qt::LeftButton, Qt::ControlModifier, QPoint(XOf(400), 100));
  QTest::mouseMove(&view, QPoint(XOf(400) + 40, 140));
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::ControlModifier, QPoint(XOf(400) + 40, 140));
  ASSERT_TRUE(test::WaitUntil([&] { return dragged.size() == 1; }));
  const QByteArray bytes = dragged[0]->data("audio/x-wav");
  EXPECT_EQ(ReadClipAudio(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 1, 8000),
            Expected(200, 600));
  EXPECT_TRUE(view.Selected());
  EXPECT_EQ(view.SelStart(), 200u);
  EXPECT_EQ(view.SelStop(), 600u);

  // Ctrl and a click inside: a plain click, placing the cursor.
  QTest::mouseClick(&view, Qt::LeftButton, Qt::ControlModifier, QPoint(XOf(300), 100));
  EXPECT_EQ(dragged.size(), 1u);
  EXPECT_FALSE(view.Selected());
  EXPECT_NEAR(view.CursorPos(), 300, 2);

  // Without Ctrl a move inside the selection selects anew.
  view.SetSelection(200, 600, true);
  QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(XOf(300), 100));
  QTest::mouseMove(&view, QPoint(XOf(500), 100));
  QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(XOf(500), 100));
  EXPECT_EQ(dragged.size(), 1u);
  EXPECT_NEAR(view.SelStart(), 300, 2);
  EXPECT_NEAR(view.SelStop(), 500, 2);

  // Ctrl outside the selection selects too.
  QTest::mousePress(&view, Qt::LeftButton, Qt::ControlModifier, QPoint(XOf(700), 100));
  QTest::mouseMove(&view, QPoint(XOf(900), 100));
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::ControlModifier, QPoint(XOf(900), 100));
  EXPECT_EQ(dragged.size(), 1u);
  EXPECT_NEAR(view.SelStart(), 700, 2);
}

TEST_F(WaveDragTest, AFolderThatCannotTakeTheFileIsReportedAndNothingIsDragged) {
  config.tempfolder = out.File("missing") + "/";
  view.DragSelectionOut();
  ASSERT_TRUE(test::WaitUntil([&] { return !harness.boxes.shown.empty(); }));
  EXPECT_NE(harness.boxes.shown[0].text.find("could not be handed out"), std::string::npos);
  view.SetSelection(0, 0, false);
  view.DragSelectionOut();
  test::ServeFor(std::chrono::milliseconds(100));
  EXPECT_EQ(harness.boxes.shown.size(), 1u);
  EXPECT_TRUE(dragged.empty());
}

}  // namespace
}  // namespace quillon
