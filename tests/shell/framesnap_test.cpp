// The frame view on a real wave view: the source's frame boundaries at deep zoom, and Snap to
// MP3 Frames moving a selection's edges onto them, for a document from an MP3 only.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <chrono>

#include "display/waveview.h"
#include "mp3frames/framegrid.h"
#include "platform/config.h"
#include "shell/framelines.h"
#include "shell/framesnapcontrol.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

// Serves Qt's events until everything queued before now has run.
bool ServeQueued() {
  bool done = false;
  QMetaObject::invokeMethod(
      qApp, [&] { done = true; }, Qt::QueuedConnection);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done && std::chrono::steady_clock::now() < deadline) QApplication::processEvents();
  return done;
}

struct TSnapRow {
  const char* name;
  bool fromMp3;
  bool snapOn;
};

class FrameSnapTest : public ::testing::TestWithParam<TSnapRow> {
 protected:
  void TearDown() override { config.snaptoframes = false; }
  test::TDocumentHarness h;
};

TEST_P(FrameSnapTest, EdgesLandOnTheSourcesFramesAndTheViewMarksThem) {
  const TSnapRow& row = GetParam();
  const std::string wav = h.files.File("in.wav"), mp3 = h.files.File("in.mp3");
  ASSERT_EQ(test::RunCommand("sox -n -r 44100 -c 1 -b 16 '" + wav + "' synth 20 sine 440"), 0);
  ASSERT_EQ(test::RunCommand("lame --quiet -b 64 '" + wav + "' '" + mp3 + "'"), 0);
  ASSERT_TRUE(h.Open(row.fromMp3 ? mp3 : wav));
  config.snaptoframes = row.snapOn;
  QMainWindow window;
  window.menuBar()->addMenu("&Edit")->setObjectName("EditMenu");
  auto* wave = new TWaveView(&window);
  window.setCentralWidget(wave);
  window.resize(900, 400);
  wave->AttachDocument(&h.document);
  auto* control = new TFrameSnapControl(&window, wave);
  window.show();
  EXPECT_EQ(control->Action()->isChecked(), row.snapOn);
  EXPECT_TRUE(
      window.menuBar()->findChild<QMenu*>("EditMenu")->actions().contains(control->Action()));

  wave->SetSelection(10000, 30000, true);
  emit wave->SelectionChanged(10000, 30000, 0, 0, true);
  ASSERT_TRUE(ServeQueued());
  if (row.fromMp3 && row.snapOn) {
    const TSourceMap& map = *h.document.SourceMap();
    const TFrameGrid grid = *GridOf(map);
    EXPECT_EQ((wave->SelStart() + grid.skip) % grid.samplesPerFrame, 0u) << wave->SelStart();
    EXPECT_EQ((wave->SelStop() + grid.skip) % grid.samplesPerFrame, 0u) << wave->SelStop();
    EXPECT_LE(std::abs(static_cast<int64_t>(wave->SelStart()) - 10000), 576);
  } else {
    EXPECT_EQ(wave->SelStart(), 10000u);
    EXPECT_EQ(wave->SelStop(), 30000u);
  }
  // Lines at deep zoom on an MP3's frames alone; none for the whole document.
  wave->SetView(0, 1152 * 20);
  wave->grab();
  EXPECT_EQ(control->Lines()->Drawn() > 0, row.fromMp3);
  wave->SetView(0, h.document.FrameCount());
  wave->grab();
  EXPECT_EQ(control->Lines()->Drawn(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Documents, FrameSnapTest,
                         ::testing::Values(TSnapRow{"Mp3Snapping", true, true},
                                           TSnapRow{"Mp3NotSnapping", true, false},
                                           TSnapRow{"WavSnapping", false, true}),
                         [](const ::testing::TestParamInfo<TSnapRow>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace quillon
