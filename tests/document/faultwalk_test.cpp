// Every document operation is made to fail at each of its platform operations in turn, until it
// runs through without one; every failure must leave the document, the user's files and the
// temporary folder exactly as they were, and say what went wrong.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#include "localization/constants.h"
#include "platform/clipboard.h"
#include "platform/error.h"
#include "platform/faults.h"
#include "platform/tempfile.h"
#include "scene.h"

namespace quillon {
namespace {

using test::Numbered;
using test::Request;

constexpr int kFrames = 40000;

std::vector<std::string> TemporaryFiles(const test::TTempDir& folder) {
  std::vector<std::string> names;
  for (const std::string& name : folder.List())
    if (name.starts_with(kTempFilePrefix)) names.push_back(name);
  return names;
}

// The document every walk starts from: opened, edited twice and one edit undone, so that both
// histories hold a state; a clip waits on the clipboard and both save targets exist.
struct TScene : test::TSceneBase {
  explicit TScene(bool open) : TSceneBase(kFrames) {
    wavTarget = h.files.File("target.wav");
    mp3Target = h.files.File("target.mp3");
    test::WriteFileBytes(wavTarget, {'o', 'l', 'd', 'w'});
    test::WriteFileBytes(mp3Target, {'o', 'l', 'd', 'm'});
    if (open) OpenAndEdit();
  }

  // Every message the operation gave: those shown and an exception a request threw.
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : h.boxes.shown) texts.push_back(shown.text);
    if (thrown) texts.push_back(*thrown);
    return texts;
  }

  std::string wavTarget, mp3Target;
  std::optional<std::string> thrown;
};

// All that a failed operation must leave as it was.
struct TSceneState {
  bool loaded, modified;
  uint32_t frames;
  std::string store;
  std::vector<uint8_t> storeBytes;
  Tindexdata index;
  int16_t peak;
  std::vector<std::string> undo, redo, temporaryFiles, userFiles;
  std::vector<uint8_t> source, wavTarget, mp3Target;
  std::optional<std::vector<uint8_t>> clip;
};

TSceneState Capture(TScene& s) {
  const Twavefile& d = s.h.document;
  return {d.Loaded(),
          d.Modified(),
          d.FrameCount(),
          d.TempFileName(),
          test::ReadFileBytes(d.TempFileName()),
          d.Index(),
          d.Peak(),
          d.UndoStack().Names(),
          d.RedoStack().Names(),
          TemporaryFiles(s.h.temp),
          s.h.files.List(),
          test::ReadFileBytes(s.source),
          test::ReadFileBytes(s.wavTarget),
          test::ReadFileBytes(s.mp3Target),
          s.clipboard.GetWave()};
}

void ExpectUnchanged(const TSceneState& before, const TSceneState& after) {
  EXPECT_EQ(after.loaded, before.loaded);
  EXPECT_EQ(after.modified, before.modified);
  EXPECT_EQ(after.frames, before.frames);
  if (before.loaded) {
    EXPECT_EQ(after.store, before.store);
    EXPECT_TRUE(after.storeBytes == before.storeBytes) << "the current store's bytes changed";
  }
  EXPECT_TRUE(after.index == before.index) << "the peak index changed";
  EXPECT_EQ(after.peak, before.peak);
  EXPECT_EQ(after.undo, before.undo);
  EXPECT_EQ(after.redo, before.redo);
  EXPECT_EQ(after.temporaryFiles, before.temporaryFiles) << "a temporary file was left or lost";
  EXPECT_EQ(after.userFiles, before.userFiles) << "a partial file was left beside the user's";
  EXPECT_TRUE(after.source == before.source) << "the source file changed";
  EXPECT_TRUE(after.wavTarget == before.wavTarget) << "the WAV target changed";
  EXPECT_TRUE(after.mp3Target == before.mp3Target) << "the MP3 target changed";
  EXPECT_TRUE(after.clip == before.clip) << "the clipboard changed";
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// A full disk may be told in the program's words or the system's; the others in the system's.
bool NamesTheFailure(TFault kind, const std::string& text) {
  switch (kind) {
    case TFault::Write:
    case TFault::Create:
      return text == ConstantText("outofmemory") || Contains(text, std::strerror(ENOSPC));
    case TFault::Map:
      return Contains(text, std::strerror(ENOMEM));
    case TFault::Read:
    case TFault::Flush:
      return Contains(text, std::strerror(EIO));
  }
  return false;
}

struct TWalkedOperation {
  const char* name;
  bool needsDocument;
  // Makes the request and waits for its end.
  std::function<void(TScene&)> run;
};

// Undo and redo throw when the state they switch to cannot be opened.
std::function<void(TScene&)> Switch(void (Twavefile::*step)()) {
  return [step](TScene& s) {
    try {
      (s.h.document.*step)();
    } catch (const Exception& error) {
      s.thrown = error.what();
    }
    s.h.WaitIdle();
  };
}

std::function<void(TScene&)> SaveAs(std::string TScene::*target) {
  return [target](TScene& s) {
    s.h.document.SetFileName(s.*target);
    EXPECT_TRUE(s.h.Run([](Twavefile& d) { return d.Save(); }));
  };
}

const std::vector<TWalkedOperation>& Operations() {
  static const std::vector<TWalkedOperation> operations{
      {"Open", false, [](TScene& s) { s.h.Open(s.source); }},
      {"SaveWav", true, SaveAs(&TScene::wavTarget)},
      {"SaveMp3", true, SaveAs(&TScene::mp3Target)},
      {"SaveSelection", true,
       [](TScene& s) {
         EXPECT_TRUE(
             s.h.Run([&](Twavefile& d) { return d.SaveSelection(s.wavTarget, 10, 35000); }));
       }},
      {"Cut", true, Request([](Twavefile& d) { return d.Cut(1000, 30000); })},
      {"Copy", true, Request([](Twavefile& d) { return d.Copy(1000, 30000); })},
      {"Paste", true, Request([](Twavefile& d) { return d.Paste(5000); })},
      {"Delete", true, Request([](Twavefile& d) { return d.Delete(1000, 30000); })},
      {"InsertSilence", true, Request([](Twavefile& d) { return d.InsertSilence(7, 70000); })},
      {"Normalize", true, Request([](Twavefile& d) { return d.Normalize(50); })},
      {"Amplify", true, Request([](Twavefile& d) { return d.Amplify(150); })},
      {"FadeIn", true, Request([](Twavefile& d) { return d.FadeIn(0, 35000); })},
      {"FadeOut", true, Request([](Twavefile& d) { return d.FadeOut(500, kFrames); })},
      {"Reverse", true, Request([](Twavefile& d) { return d.Reverse(); })},
      {"Invert", true, Request([](Twavefile& d) { return d.Invert(); })},
      {"Undo", true, Switch(&Twavefile::Undo)},
      {"Redo", true, Switch(&Twavefile::Redo)},
  };
  return operations;
}

const char* KindName(TFault kind) {
  switch (kind) {
    case TFault::Write:
      return "Write";
    case TFault::Create:
      return "Create";
    case TFault::Map:
      return "Map";
    case TFault::Read:
      return "Read";
    case TFault::Flush:
      return "Flush";
  }
  return "?";
}

class FaultWalkTest : public ::testing::TestWithParam<std::tuple<size_t, TFault>> {
 protected:
  void TearDown() override { ClearFaults(); }
};

TEST_P(FaultWalkTest, EveryFailureRollsBackCompletelyAndSaysWhy) {
  const TWalkedOperation& operation = Operations()[std::get<0>(GetParam())];
  const TFault kind = std::get<1>(GetParam());
  constexpr int kMostSteps = 1000;
  for (int n = 1;; ++n) {
    ASSERT_LT(n, kMostSteps) << "the operation never ran through";
    SCOPED_TRACE("failing platform operation " + std::to_string(n));
    TScene scene(operation.needsDocument);
    const TSceneState before = Capture(scene);

    FailNth(kind, n);
    operation.run(scene);
    const bool failed = !FaultPending(kind);
    ClearFaults();

    if (!failed) {
      EXPECT_TRUE(scene.Messages().empty()) << scene.Messages().front();
      EXPECT_TRUE(scene.h.document.Loaded());
      RecordProperty("failures_walked", n - 1);
      break;
    }
    std::vector<std::string> messages = scene.Messages();
    ASSERT_EQ(messages.size(), 1u) << "one message for the failure";
    EXPECT_TRUE(NamesTheFailure(kind, messages[0])) << messages[0];
    ExpectUnchanged(before, Capture(scene));
    if (HasFailure()) return;

    // Nothing of the failure lingers: the same request now succeeds.
    scene.h.boxes.shown.clear();
    scene.thrown.reset();
    operation.run(scene);
    EXPECT_TRUE(scene.Messages().empty()) << "after the rollback: " << scene.Messages().front();
    EXPECT_TRUE(scene.h.document.Loaded());
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultWalkTest,
                         ::testing::Combine(::testing::Range<size_t>(0, Operations().size()),
                                            ::testing::Values(TFault::Write, TFault::Create,
                                                              TFault::Map, TFault::Read)),
                         [](const auto& info) {
                           return std::string(Operations()[std::get<0>(info.param)].name) +
                                  KindName(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace quillon
