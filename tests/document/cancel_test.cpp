// Every kind of operation is stopped at its first, a middle and its last look at the stop request;
// each stop must leave the document, its history, the user's files and the temporary folder
// exactly as they were, and say so in a notice rather than a message.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

#include "localization/constants.h"
#include "platform/cancel.h"
#include "platform/clipboard.h"
#include "scene.h"

namespace quillon {
namespace {

using test::Numbered;
using test::Request;
using test::TDocumentHarness;

// Enough that an effect passes several chunks and a save several steps.
constexpr int kFrames = 200000;

// An opened document, edited twice and one edit undone, so that both histories hold a state; a
// clip waits on the clipboard, the save targets exist, and the tags make every save write some.
struct TScene : test::TSceneBase {
  explicit TScene(bool open) : TSceneBase(kFrames) {
    noting = h.document.OnNotice.Subscribe(
        [this](Twavefile*, const std::string& text) { notices.push_back(text); });
    for (const char* name :
         {"target.wav", "target.mp3", "target.flac", "target.ogg", "target.opus"})
      test::WriteFileBytes(h.files.File(name), {'o', 'l', 'd'});
    if (!open) return;
    OpenAndEdit();
    TTags tags;
    tags.title = "Title";
    tags.artist = "Artist";
    h.document.SetTags(tags);
    EXPECT_TRUE(h.boxes.shown.empty());
    notices.clear();
  }

  std::vector<std::string> notices;
  TSubscription noting;
};

// All that a cancelled operation must leave as it was.
struct TSceneState {
  bool loaded, modified, canUndo, canRedo;
  std::string fileName;
  uint32_t frames;
  std::string store;
  std::vector<uint8_t> storeBytes;
  Tindexdata index;
  std::vector<std::string> undo, redo, temporaryFiles, userFiles;
  std::vector<std::vector<uint8_t>> userBytes;
  std::optional<std::vector<uint8_t>> clip;
};

TSceneState Capture(TScene& s) {
  const Twavefile& d = s.h.document;
  std::vector<std::vector<uint8_t>> bytes;
  for (const std::string& name : s.h.files.List())
    bytes.push_back(test::ReadFileBytes(s.h.files.File(name)));
  return {d.Loaded(),
          d.Modified(),
          d.CanUndo(),
          d.CanRedo(),
          d.FileName(),
          d.FrameCount(),
          d.TempFileName(),
          test::ReadFileBytes(d.TempFileName()),
          d.Index(),
          d.UndoStack().Names(),
          d.RedoStack().Names(),
          s.h.TempFiles(),
          s.h.files.List(),
          bytes,
          s.clipboard.GetWave()};
}

void ExpectUnchanged(const TSceneState& before, const TSceneState& after) {
  EXPECT_EQ(after.loaded, before.loaded);
  EXPECT_EQ(after.modified, before.modified);
  EXPECT_EQ(after.canUndo, before.canUndo);
  EXPECT_EQ(after.canRedo, before.canRedo);
  EXPECT_EQ(after.fileName, before.fileName);
  EXPECT_EQ(after.frames, before.frames);
  EXPECT_EQ(after.store, before.store);
  EXPECT_TRUE(after.storeBytes == before.storeBytes) << "the current store's bytes changed";
  EXPECT_TRUE(after.index == before.index) << "the peak index changed";
  EXPECT_EQ(after.undo, before.undo);
  EXPECT_EQ(after.redo, before.redo);
  EXPECT_EQ(after.temporaryFiles, before.temporaryFiles) << "a temporary file was left or lost";
  EXPECT_EQ(after.userFiles, before.userFiles) << "a file was left beside the user's";
  EXPECT_TRUE(after.userBytes == before.userBytes) << "a file of the user's changed";
  EXPECT_TRUE(after.clip == before.clip) << "the clipboard changed";
}

struct TCancelledOperation {
  const char* name;
  bool needsDocument;
  // Makes the request and waits for its end.
  std::function<void(TScene&)> run;
  // What the operation needs that is not part of the scene; before the state is captured.
  std::function<void(TScene&)> prepare = [](TScene&) {};
};

std::function<void(TScene&)> SaveAs(const char* target) {
  return [target](TScene& s) {
    const std::string path = s.h.files.File(target);
    EXPECT_TRUE(s.h.Run([&](Twavefile& d) { return d.SaveSelection(path, 0, kFrames); }));
  };
}

std::function<void(TScene&)> Switch(void (Twavefile::*step)()) {
  return [step](TScene& s) {
    (s.h.document.*step)();
    s.h.WaitIdle();
  };
}

const std::vector<TCancelledOperation>& Operations() {
  static const std::vector<TCancelledOperation> operations{
      {"OpenWav", false, [](TScene& s) { s.h.Open(s.source); }},
      {"OpenFlac", false, [](TScene& s) { s.h.Open(s.h.files.File("source.flac")); },
       [](TScene& s) {
         test::MakeWithFfmpeg("-v error -i '" + s.source + "'", s.h.files.File("source.flac"));
       }},
      {"SaveWav", true, SaveAs("target.wav")},
      {"SaveMp3", true, SaveAs("target.mp3")},
      {"SaveFlac", true, SaveAs("target.flac")},
      {"SaveVorbis", true, SaveAs("target.ogg")},
      {"SaveOpus", true, SaveAs("target.opus")},
      {"Copy", true, Request([](Twavefile& d) { return d.Copy(1000, 150000); })},
      {"Cut", true, Request([](Twavefile& d) { return d.Cut(1000, 150000); })},
      {"Paste", true, Request([](Twavefile& d) { return d.Paste(5000); })},
      {"PasteFile", true, Request([](Twavefile& d) { return d.Paste(5000); }),
       [](TScene& s) { s.clipboard.SetFiles({s.source}); }},
      {"Delete", true, Request([](Twavefile& d) { return d.Delete(1000, 150000); })},
      {"InsertSilence", true, Request([](Twavefile& d) { return d.InsertSilence(7, 70000); })},
      {"Normalize", true, Request([](Twavefile& d) { return d.Normalize(50); })},
      {"Amplify", true, Request([](Twavefile& d) { return d.Amplify(150); })},
      {"FadeIn", true, Request([](Twavefile& d) { return d.FadeIn(0, kFrames); })},
      {"FadeOut", true, Request([](Twavefile& d) { return d.FadeOut(500, 190000); })},
      {"Reverse", true, Request([](Twavefile& d) { return d.Reverse(); })},
      {"Invert", true, Request([](Twavefile& d) { return d.Invert(); })},
      {"NormalizeWithin", true, Request([](Twavefile& d) {
         return d.Normalize(50, {500, 1900});
       })},
      {"Recover", false,
       [](TScene& s) {
         TJournalState state;
         state.source = s.source;
         state.current = s.h.temp.File("~qlrecovered");
         EXPECT_TRUE(s.h.document.Recover(state));
         s.h.WaitIdle();
       },
       [](TScene& s) {
         test::WriteWav16(s.h.temp.File("~qlrecovered"), 2, 44100, Numbered(kFrames));
       }},
      {"Undo", true, Switch(&Twavefile::Undo)},
      {"Redo", true, Switch(&Twavefile::Redo)},
  };
  return operations;
}

class CancelTest : public ::testing::TestWithParam<size_t> {
 protected:
  void TearDown() override { CancelAtNthCheck(0); }
};

// How many times the operation looks at the stop request when it runs through.
int CountChecks(const TCancelledOperation& operation) {
  TScene scene(operation.needsDocument);
  operation.prepare(scene);
  CancelAtNthCheck(INT32_MAX);
  operation.run(scene);
  const int checks = CancelChecksCounted();
  CancelAtNthCheck(0);
  EXPECT_TRUE(scene.h.boxes.shown.empty()) << scene.h.boxes.shown.front().text;
  EXPECT_TRUE(scene.h.document.Loaded());
  return checks;
}

TEST_P(CancelTest, StoppedAtFirstMiddleAndLastCheckLeavesEverythingAsItWas) {
  const TCancelledOperation& operation = Operations()[GetParam()];
  const int checks = CountChecks(operation);
  ASSERT_GE(checks, 2) << "the operation never looks at the stop request between chunks";
  RecordProperty("checks", checks);
  for (int n : {1, (checks + 1) / 2, checks}) {
    SCOPED_TRACE("stopped at check " + std::to_string(n) + " of " + std::to_string(checks));
    TScene scene(operation.needsDocument);
    operation.prepare(scene);
    const TSceneState before = Capture(scene);

    CancelAtNthCheck(n);
    operation.run(scene);
    ASSERT_FALSE(CancelPending()) << "the operation ended before the stop";
    CancelAtNthCheck(0);

    ExpectUnchanged(before, Capture(scene));
    EXPECT_TRUE(scene.h.boxes.shown.empty()) << scene.h.boxes.shown.front().text;
    EXPECT_EQ(scene.notices, std::vector<std::string>{ConstantText("operationcancelled")});
    EXPECT_FALSE(scene.h.document.Busy());
    if (HasFailure()) return;

    // Nothing of the stop lingers: the same request now runs through.
    scene.notices.clear();
    operation.run(scene);
    EXPECT_TRUE(scene.h.boxes.shown.empty());
    EXPECT_TRUE(scene.notices.empty());
    EXPECT_TRUE(scene.h.document.Loaded());
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, CancelTest, ::testing::Range<size_t>(0, Operations().size()),
                         [](const auto& info) { return Operations()[info.param].name; });

// The request itself, not the seam: Cancel during a fade of a long document ends it soon.
TEST(CancelRequestTest, CancelDuringALongFadeEndsItSoonWithNothingChanged) {
  TDocumentHarness h;
  std::vector<std::string> notices;
  const TSubscription noting = h.document.OnNotice.Subscribe(
      [&](Twavefile*, const std::string& text) { notices.push_back(text); });
  // About a minute of stereo audio: the fade takes far longer than a stop may.
  ASSERT_TRUE(h.OpenSamples(2, Numbered(3'000'000), 44100));
  const std::vector<int16_t> samples = h.Samples();
  const std::vector<std::string> temporaryFiles = h.TempFiles();

  ASSERT_TRUE(h.document.FadeIn(0, h.document.FrameCount()));
  ASSERT_TRUE(h.loop.RunUntil([&] { return h.document.Progress() > 0 || !h.document.Busy(); },
                              std::chrono::seconds(20)));
  ASSERT_TRUE(h.document.Busy()) << "the fade ended before it could be stopped";
  const auto asked = std::chrono::steady_clock::now();
  h.document.Cancel();
  // Generous for a shared machine; a stop that waited for the fade's end would take longer.
  ASSERT_TRUE(h.loop.RunUntil([&] { return !h.document.Busy(); }, std::chrono::seconds(1)));
  const auto took = std::chrono::steady_clock::now() - asked;
  RecordProperty(
      "cancel_ms",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));

  EXPECT_TRUE(h.document.Loaded());
  EXPECT_FALSE(h.document.Modified());
  EXPECT_FALSE(h.document.CanUndo());
  EXPECT_TRUE(h.Samples() == samples);
  EXPECT_EQ(h.TempFiles(), temporaryFiles);
  EXPECT_EQ(notices, std::vector<std::string>{ConstantText("operationcancelled")});
  EXPECT_TRUE(h.boxes.shown.empty());
}

}  // namespace
}  // namespace quillon
