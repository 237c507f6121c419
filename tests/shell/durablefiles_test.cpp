// Every kind of file the program replaces reaches the disk before it is called saved: the new
// file flushed, renamed over the target, the folder flushed; a failed flush is a failed save.
#include <gtest/gtest.h>

#include <QDateTime>
#include <filesystem>

#include "diagnostics/crashfile.h"
#include "document/journal.h"
#include "platform/faults.h"
#include "platform/filesteps.h"
#include "platform/qt/recentlyused.h"
#include "shell/recentfiles.h"
#include "shell/settingsfile.h"
#include "shell/utils.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

struct TDurableRow {
  const char* name;
  const char* fileName;
  // Writes the kind of file at target; whether the program reports success.
  std::function<bool(const std::string& target)> write;
  std::vector<uint8_t> old = {'o', 'l', 'd'};
};

// Success is what the window sees: no message, and the document no longer modified.
bool SaveDocument(const std::string& target) {
  test::TDocumentHarness h;
  EXPECT_TRUE(h.OpenSamples(2, std::vector<int16_t>(8820, 1000), 44100));
  EXPECT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  h.document.SetFileName(target);
  EXPECT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
  return h.boxes.shown.empty() && !h.document.Modified();
}

bool WriteJournal(const std::string& target) {
  TJournalState state;
  state.runId = "0123abcd";
  state.tempFolder = fs::path(target).parent_path().string() + "/";
  state.current = state.tempFolder + "~ql0123abcd-current";
  try {
    WriteJournalFile(target, state);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool WriteSettingsAndRecentFiles(const std::string& target) {
  return ChangeSettingsFile(QString::fromStdString(target), [](QSettings& store) {
    SaveSettings(store, TConfig{});
    TRecentFiles list;
    list.Add("/m/a.wav");
    list.Save(store);
  });
}

bool AddToRecentlyUsed(const std::string& target) {
  const TRecentUse use{"file:///m/a.wav", "audio/x-wav", QDateTime::currentDateTimeUtc()};
  return AddRecentUse(QString::fromStdString(target), use) == TRecentlyUsedResult::kAdded;
}

bool WriteCrashReport(const std::string& target) {
  return WriteCrashFile(target.c_str(), "Fatal signal SIGSEGV", 20);
}

// The steps that put target in place, in the order they were taken.
std::vector<std::string> StepsPlacing(const std::string& target) {
  const std::vector<TFileStepRecord> steps = StopRecordingFileSteps();
  std::string replacement;
  for (const TFileStepRecord& s : steps)
    if (s.step == TFileStep::Rename && s.to == target) replacement = s.path;
  std::vector<std::string> placing;
  for (const TFileStepRecord& s : steps) {
    if (s.step == TFileStep::FlushFile && s.path == replacement) placing.push_back("flush file");
    if (s.step == TFileStep::Rename && s.to == target) placing.push_back("rename over target");
    if (s.step == TFileStep::FlushFolder && fs::path(s.path) == fs::path(target).parent_path())
      placing.push_back("flush folder");
  }
  return placing;
}

class DurableFilesTest : public ::testing::TestWithParam<TDurableRow> {
 protected:
  std::string Target(const std::string& prefix) const {
    const std::string target = dir_.File(prefix + GetParam().fileName);
    test::WriteFileBytes(target, GetParam().old);
    return target;
  }
  // Replacement files left in the folder.
  std::vector<std::string> LeftOver() const {
    std::vector<std::string> left;
    for (const std::string& name : dir_.List())
      if (name.starts_with("~ql") || name.ends_with(".part")) left.push_back(name);
    return left;
  }

  test::TTempDir dir_;
};

TEST_P(DurableFilesTest, IsOnTheDiskBeforeItCountsAsSavedAndAFailedFlushFailsTheSave) {
  const std::string target = Target("");
  StartRecordingFileSteps();
  EXPECT_TRUE(GetParam().write(target));
  EXPECT_EQ(StepsPlacing(target),
            (std::vector<std::string>{"flush file", "rename over target", "flush folder"}));
  EXPECT_NE(test::ReadFileBytes(target), GetParam().old);

  const std::string failing = Target("failing-");
  FailNth(TFault::Flush, 1);
  EXPECT_FALSE(GetParam().write(failing));
  ClearFaults();
  EXPECT_EQ(test::ReadFileBytes(failing), GetParam().old);
  EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DurableFilesTest,
    ::testing::Values(TDurableRow{"WavSave", "song.wav", SaveDocument},
                      TDurableRow{"Mp3Save", "song.mp3", SaveDocument},
                      TDurableRow{"FlacSave", "song.flac", SaveDocument},
                      TDurableRow{"VorbisSave", "song.ogg", SaveDocument},
                      TDurableRow{"OpusSave", "song.opus", SaveDocument},
                      TDurableRow{"RecoveryJournal", "0123abcd.journal", WriteJournal},
                      TDurableRow{"SettingsAndRecentFiles", "Quillon.ini",
                                  WriteSettingsAndRecentFiles},
                      TDurableRow{"RecentlyUsedList", "recently-used.xbel", AddToRecentlyUsed, {}},
                      TDurableRow{"CrashFile", "crash-4242.txt", WriteCrashReport}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
