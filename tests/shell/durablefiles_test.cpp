// Every kind of file the program replaces reaches the disk before it is called saved: the new
// file flushed, renamed over the target, the folder flushed; a failed flush is a failed save.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QSettings>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

// Writes the kind of file at target; whether the program reports success.
using TWrite = std::function<bool(const std::string& target)>;

struct TDurableRow {
  const char* name;
  const char* fileName;
  TWrite write;
  std::vector<uint8_t> old = {'o', 'l', 'd'};
};

void PrintTo(const TDurableRow& row, std::ostream* out) {
  *out << row.name;
}

// Saves the document of a fresh harness; success is what the window sees: no message, and
// the document no longer modified.
TWrite DocumentSave() {
  return [](const std::string& target) {
    test::TDocumentHarness h;
    std::vector<int16_t> samples(2 * 4410);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 7);
    EXPECT_TRUE(h.OpenSamples(2, samples, 44100));
    EXPECT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
    h.document.SetFileName(target);
    EXPECT_TRUE(h.Run([](Twavefile& d) { return d.Save(); }));
    return h.boxes.shown.empty() && !h.document.Modified();
  };
}

bool ThrowsNothing(const std::function<void()>& write) {
  try {
    write();
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

TWrite Journal() {
  return [](const std::string& target) {
    TJournalState state;
    state.runId = "0123abcd";
    state.tempFolder = fs::path(target).parent_path().string() + "/";
    state.current = state.tempFolder + "~ql0123abcd-current";
    return ThrowsNothing([&] { WriteJournalFile(target, state); });
  };
}

TWrite Settings(std::function<void(QSettings&)> change) {
  return [change](const std::string& target) {
    return ChangeSettingsFile(QString::fromStdString(target), change);
  };
}

TWrite RecentlyUsedList() {
  return [](const std::string& target) {
    const TRecentUse use{"file:///m/a.wav", "audio/x-wav", QDateTime::currentDateTimeUtc()};
    return AddRecentUse(QString::fromStdString(target), use) == TRecentlyUsedResult::kAdded;
  };
}

TWrite CrashFile() {
  return [](const std::string& target) {
    const std::string report = "Fatal signal SIGSEGV Call Stack: ";
    return WriteCrashFile(target.c_str(), report.data(), report.size());
  };
}

// The steps that put target in place, in the order they were taken.
std::vector<std::string> StepsPlacing(const std::vector<TFileStepRecord>& steps,
                                      const std::string& target) {
  std::string replacement;
  for (const TFileStepRecord& s : steps)
    if (s.step == TFileStep::Rename && s.to == target) replacement = s.path;
  const fs::path folder = fs::path(target).parent_path();
  std::vector<std::string> placing;
  for (const TFileStepRecord& s : steps) {
    if (s.step == TFileStep::FlushFile && s.path == replacement) placing.push_back("flush file");
    if (s.step == TFileStep::Rename && s.to == target) placing.push_back("rename over target");
    if (s.step == TFileStep::FlushFolder && fs::path(s.path) == folder)
      placing.push_back("flush folder");
  }
  return placing;
}

class DurableFilesTest : public ::testing::TestWithParam<TDurableRow> {
 protected:
  std::string Target(const char* prefix) const {
    const std::string target = dir_.File(std::string(prefix) + GetParam().fileName);
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

TEST_P(DurableFilesTest, IsFlushedRenamedAndItsFolderFlushedBeforeItCountsAsSaved) {
  const std::string target = Target("");
  StartRecordingFileSteps();
  const bool saved = GetParam().write(target);
  const std::vector<TFileStepRecord> steps = StopRecordingFileSteps();
  EXPECT_TRUE(saved);
  EXPECT_NE(test::ReadFileBytes(target), GetParam().old);
  EXPECT_EQ(StepsPlacing(steps, target),
            (std::vector<std::string>{"flush file", "rename over target", "flush folder"}));
  EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

TEST_P(DurableFilesTest, AFailedFlushIsAFailedSaveAndLeavesTheOldFile) {
  const std::string target = Target("failing-");
  FailNth(TFault::Flush, 1);
  const bool saved = GetParam().write(target);
  ClearFaults();
  EXPECT_FALSE(saved);
  EXPECT_EQ(test::ReadFileBytes(target), GetParam().old);
  EXPECT_EQ(LeftOver(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DurableFilesTest,
    ::testing::Values(TDurableRow{"WavSave", "song.wav", DocumentSave()},
                      TDurableRow{"Mp3Save", "song.mp3", DocumentSave()},
                      TDurableRow{"FlacSave", "song.flac", DocumentSave()},
                      TDurableRow{"VorbisSave", "song.ogg", DocumentSave()},
                      TDurableRow{"OpusSave", "song.opus", DocumentSave()},
                      TDurableRow{"RecoveryJournal", "0123abcd.journal", Journal()},
                      TDurableRow{"Settings", "Quillon.ini", Settings([](QSettings& store) {
                                    SaveSettings(store, TConfig{});
                                  })},
                      TDurableRow{"RecentFiles", "Quillon.ini", Settings([](QSettings& store) {
                                    TRecentFiles list;
                                    list.Add("/m/a.wav");
                                    list.Save(store);
                                  })},
                      TDurableRow{"RecentlyUsedList", "recently-used.xbel", RecentlyUsedList(), {}},
                      TDurableRow{"CrashFile", "crash-4242.txt", CrashFile()}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
