#include "document/recovery.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "document/journal.h"
#include "platform/filesystem.h"
#include "platform/runfiles.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

constexpr const char* kEndedRun = "0badc0de";

std::vector<int16_t> Ramp(int count) {
  std::vector<int16_t> samples(count);
  for (int i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(i * 7 - 3000);
  return samples;
}

TJournalState StateOfEndedRun(const std::string& folder) {
  TJournalState state;
  state.runId = kEndedRun;
  state.tempFolder = folder + "/";
  state.source = "/music/take \\ one\nline.wav";
  state.modified = true;
  const std::string prefix = state.tempFolder + RunFilePrefix(kEndedRun);
  state.current = prefix + "c";
  state.undo = {prefix + "u1", prefix + "u2"};
  state.redo = {prefix + "r1"};
  return state;
}

// Leaves the run's stores behind as a crash would: each a small working copy.
void WriteStores(const TJournalState& state) {
  for (const std::string& name : {state.current, state.undo[0], state.undo[1], state.redo[0]})
    test::WriteWav16(name, 1, 8000, Ramp(64));
}

TEST(JournalTest, KeepsWhatRecoveryNeedsAndTrustsNothingElse) {
  const TJournalState state = StateOfEndedRun("/tmp/q");
  const std::string text = FormatJournal(state);
  auto back = ParseJournal(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->source, state.source);
  EXPECT_EQ(back->undo, state.undo);
  EXPECT_EQ(back->redo, state.redo);
  EXPECT_EQ(back->current, state.current);
  EXPECT_TRUE(back->modified);

  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = text;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string broken[] = {
      text.substr(0, text.size() - 4),                                       // cut short: no end
      text + "undo /tmp/q/~ql0badc0de-late\n",                               // after the end
      replaced("modified 1", "modified yes"),                                //
      replaced("run 0badc0de", "run ../../x"),                               //
      replaced("folder /tmp/q/", "folder tmp/q/"),                           // relative
      replaced("folder /tmp/q/", "folder /tmp/q/../../etc/"),                //
      replaced("undo /tmp/q/~ql0badc0de-u1", "undo /home/me/song.wav"),      // not a store
      replaced("redo /tmp/q/~ql0badc0de-r1", "redo /tmp/q/~ql12345678-r1"),  // another run's
      replaced("current /tmp/q/~ql0badc0de-c", "current /tmp/q/~ql0badc0de-c/../x"),
      replaced("source ", "source \\q"),            // no such escape
      replaced("source ", "colour blue\nsource "),  // unknown key
      "",
  };
  for (const std::string& journal : broken) EXPECT_FALSE(ParseJournal(journal)) << journal;
}

TEST(JournalTest, TagsTravelEscapedAndTheCoverFileMustBeTheRuns) {
  TJournalState state = StateOfEndedRun("/tmp/q");
  state.tags = {"Two\nlines", "back\\slash", "Äöü", "cr\rhere", "2021", "3/9", "", "x y", {}};
  state.tags.artist.Add("Second");
  state.tags.cover = TCoverPicture{"image/png", "front\ncover", {}};
  state.coverFile = state.tempFolder + RunFilePrefix(kEndedRun) + "cover";
  const std::string text = FormatJournal(state);
  auto back = ParseJournal(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->tags, state.tags);
  EXPECT_EQ(back->coverFile, state.coverFile);

  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = text;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string broken[] = {
      replaced("cover.file /tmp/q/~ql0badc0de-cover", "cover.file /home/me/cover.png"),
      replaced("cover.file /tmp/q/~ql0badc0de-cover", "cover.file /tmp/q/~ql12345678-cover"),
      replaced("cover.file /tmp/q/~ql0badc0de-cover\n", ""),  // a cover without its picture
      replaced("tag.title ", "tag.colour blue\ntag.title "),
  };
  for (const std::string& journal : broken) EXPECT_FALSE(ParseJournal(journal)) << journal;
}

TEST(JournalTest, SeveralValuesAFieldAreOneLineEachAsOneValueAlwaysWas) {
  TJournalState state = StateOfEndedRun("/tmp/q");
  state.tags.artist = TTagValues{"First", "Second"};
  const std::string text = FormatJournal(state);
  EXPECT_NE(text.find("tag.artist First\ntag.artist Second\n"), std::string::npos);
  // A journal of one value a field, as older runs wrote it, reads as before.
  std::string older = text;
  older.erase(older.find("tag.artist Second\n"), std::string("tag.artist Second\n").size());
  auto back = ParseJournal(older);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->tags.artist, "First");
}

std::string DescribeMarkers(const TMarkerList& list) {
  std::string text;
  for (const TMarker& m : list.markers) text += std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : list.regions)
    text += std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  return text;
}

TEST(JournalTest, MarkersOfEveryStateTravelEscapedAndMalformedOnesAreRefused) {
  TJournalState state = StateOfEndedRun("/tmp/q");
  TMarkerList current, kept;
  current.AddMarker({5, "two\nlines \\ here"});
  current.AddMarker({9, ""});
  current.AddRegion({1, 4, "a region"});
  kept.AddMarker({7, "kept"});
  state.markers = std::make_shared<TMarkerList>(current);
  const TSharedMarkers shared = std::make_shared<TMarkerList>(kept);
  // The second undo state's list is the first one's, as an effect keeps it.
  state.undoMarkers = {shared, shared};
  state.redoMarkers = {NoMarkers()};
  const std::string text = FormatJournal(state);
  EXPECT_NE(text.find("markers same\n"), std::string::npos);
  auto back = ParseJournal(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back->markers, current);
  ASSERT_EQ(back->undoMarkers.size(), 2u);
  EXPECT_EQ(*back->undoMarkers[0], kept);
  EXPECT_EQ(*back->undoMarkers[1], kept);
  ASSERT_EQ(back->redoMarkers.size(), 1u);
  EXPECT_TRUE(back->redoMarkers[0]->Empty());

  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = text;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string broken[] = {
      replaced("run ", "marker 5 early\nrun "),   // before any state
      replaced("marker 9 ", "marker x9 "),        //
      replaced("marker 9 ", "marker -9 "),        //
      replaced("region 1 4", "region 4 4"),       // empty
      replaced("region 1 4", "region 1"),         //
      replaced("markers same", "markers other"),  //
      replaced("current /tmp/q/~ql0badc0de-c\n", "current /tmp/q/~ql0badc0de-c\nmarkers same\n"),
  };
  for (const std::string& journal : broken) EXPECT_FALSE(ParseJournal(journal)) << journal;
}

std::vector<TSourceSpan> SpansOf(const TSharedSourceMap& map) {
  return map ? map->spans : std::vector<TSourceSpan>{};
}

TEST(JournalTest, SourceMapsOfEveryStateTravelAndMalformedOnesCostOnlyTheMaps) {
  TJournalState state = StateOfEndedRun("/tmp/q");
  auto map = [](std::vector<TSourceSpan> spans) {
    auto made = std::make_shared<TSourceMap>();
    made->spans = std::move(spans);
    return made;
  };
  state.sourceMaps.source = TSourceIdentity{"/music/a b.mp3", 1000, -5, 77};
  state.sourceMaps.current = map({{0, 0, 10}, {10, 40, 5}});
  state.sourceMaps.undo = {nullptr, map({{0, 0, 99}})};
  const std::string text = FormatJournal(state);
  auto back = ParseJournal(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->sourceMaps.source, state.sourceMaps.source);
  EXPECT_EQ(SpansOf(back->sourceMaps.current), SpansOf(state.sourceMaps.current));
  ASSERT_EQ(back->sourceMaps.undo.size(), 2u);
  EXPECT_FALSE(back->sourceMaps.undo[0]);
  EXPECT_EQ(SpansOf(back->sourceMaps.undo[1]), SpansOf(state.sourceMaps.undo[1]));

  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = text;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string malformed[] = {
      replaced("mp3span 10 40 5", "mp3span 5 40 5"),                          // overlapping
      replaced("mp3span 10 40 5", "mp3span 10 40 0"),                         // empty
      replaced("mp3span 10 40 5", "mp3span 10 x 5"),                          //
      replaced("mp3source 1000 -5 77 /music", "mp3source 1000 -5 77 music"),  // relative
      replaced("mp3source 1000 -5 77 /music/a b.mp3\n", ""),                  // spans of no source
      replaced("run ", "mp3span 0 0 1\nrun "),                                // before any state
  };
  for (const std::string& journal : malformed) {
    auto parsed = ParseJournal(journal);
    ASSERT_TRUE(parsed) << journal;
    EXPECT_FALSE(parsed->sourceMaps.source) << journal;
    EXPECT_FALSE(parsed->sourceMaps.current) << journal;
  }
}

TEST(RecoveryTest, ARecoveredDocumentHasTheMarkersOfEachStateBack) {
  test::TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Ramp(1000)));
  TMarkerList list;
  list.AddMarker({100, "one"});
  list.AddMarker({600, "two"});
  list.AddRegion({550, 700, "part"});
  ASSERT_TRUE(h.document.SetMarkers(list));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 500); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  auto state = ParseJournal(FormatJournal(JournalStateOf(h.document)));
  ASSERT_TRUE(state);
  Twavefile next;
  ASSERT_TRUE(next.Recover(*state));
  ASSERT_TRUE(h.loop.RunUntil([&] { return !next.Busy(); }, std::chrono::seconds(60)));
  EXPECT_EQ(DescribeMarkers(next.Markers()), "100:two 50-200:part ");
  for (const char* expected : {"100:two 50-200:part ", "100:one 600:two 550-700:part "}) {
    next.Undo();
    ASSERT_TRUE(h.loop.RunUntil([&] { return !next.Busy(); }, std::chrono::seconds(60)));
    EXPECT_EQ(DescribeMarkers(next.Markers()), expected);
  }
  next.Close();
}

TEST(RecoveryTest, ARecoveredDocumentHasItsTagsAndCoverBack) {
  test::TTempDir data;
  test::TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Ramp(1000)));
  TTags tags{"Title\nwith break", "Ärtist", "", "", "", "", "", "", {}};
  tags.cover = TCoverPicture{"image/png", "front", {0x89, 'P', 'N', 'G', 1, 2, 3}};
  h.document.SetTags(tags);
  std::optional<TJournalState> state;
  std::vector<uint8_t> picture;
  {
    TRecoveryJournal journal(data.Path());
    journal.Record(h.document);
    state = ReadJournalFile(journal.Path());
    ASSERT_TRUE(state);
    picture = test::ReadFileBytes(state->coverFile);
  }
  // A clean end deletes the cover's file; a crash would have left it.
  test::WriteFileBytes(state->coverFile, picture);
  Twavefile next;
  ASSERT_TRUE(next.Recover(*state));
  ASSERT_TRUE(h.loop.RunUntil([&] { return !next.Busy(); }, std::chrono::seconds(60)));
  ASSERT_TRUE(next.Loaded());
  EXPECT_EQ(next.Tags(), tags);
  EXPECT_FALSE(FileExists(state->coverFile));
  next.Close();
}

TEST(JournalTest, FollowsEveryChangeOfStateAndGoesWithTheDocument) {
  test::TTempDir data;
  TRecoveryJournal journal(data.Path());  // outlives the document, whose last Close it records
  test::TDocumentHarness h;
  const TSubscription recording =
      h.document.OnStateChanged.Subscribe([&](Twavefile* d) { journal.Record(*d); });
  ASSERT_TRUE(h.OpenSamples(1, Ramp(1000)));
  auto recorded = ReadJournalFile(journal.Path());
  ASSERT_TRUE(recorded);
  EXPECT_FALSE(recorded->modified);
  EXPECT_EQ(recorded->current, h.document.TempFileName());
  EXPECT_EQ(recorded->runId, RunId());

  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  h.document.Undo();
  h.WaitIdle();
  recorded = ReadJournalFile(journal.Path());
  ASSERT_TRUE(recorded);
  EXPECT_TRUE(recorded->modified);
  EXPECT_EQ(recorded->undo.size(), 1u);
  EXPECT_EQ(recorded->redo.size(), 1u);
  EXPECT_EQ(recorded->current, h.document.TempFileName());

  h.document.Close();
  EXPECT_FALSE(FileExists(journal.Path()));
}

// The journal's modified flag follows the document to and from the state saved whole, so that a
// recovery never offers what is on disk already as unsaved, nor drops what is not.
TEST(JournalTest, ItsModifiedFlagFollowsUndoAndRedoAcrossASave) {
  test::TTempDir data;
  TRecoveryJournal journal(data.Path());
  test::TDocumentHarness h;
  const TSubscription recording =
      h.document.OnStateChanged.Subscribe([&](Twavefile* d) { journal.Record(*d); });
  const std::string file = h.files.File("saved.wav");
  test::WriteWav16(file, 1, 8000, Ramp(1000));
  ASSERT_TRUE(h.Open(file));
  const std::pair<std::function<bool(Twavefile&)>, bool> steps[] = {
      {[](Twavefile& d) { return d.Reverse(); }, true},
      {[](Twavefile& d) { return d.Save(); }, false},
      {[](Twavefile& d) { return d.Undo(), true; }, true},
      {[](Twavefile& d) { return d.Redo(), true; }, false},
  };
  for (const auto& [step, modified] : steps) {
    ASSERT_TRUE(h.Run(step));
    auto recorded = ReadJournalFile(journal.Path());
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->modified, modified);
    EXPECT_EQ(h.document.Modified(), modified);
  }
}

TEST(RecoveryTest, ARecoveredDocumentIsTheLastStateWithItsWholeHistory) {
  test::TDocumentHarness h;
  const std::vector<int16_t> original = Ramp(2000);
  ASSERT_TRUE(h.OpenSamples(2, original));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(10, 200); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.FadeIn(0, 500); }));
  const std::vector<int16_t> edited = h.Samples();
  const TJournalState state = JournalStateOf(h.document);

  // A second document takes the files up, as the next run would.
  Twavefile next;
  std::vector<std::pair<bool, bool>> actions;
  const TSubscription acting = next.OnAction.Subscribe(
      [&](Twavefile*, bool canUndo, bool canRedo) { actions.emplace_back(canUndo, canRedo); });
  bool loaded = false;
  const TSubscription loading = next.OnLoaded.Subscribe([&](Twavefile*) { loaded = true; });
  ASSERT_TRUE(next.Recover(state));
  ASSERT_TRUE(h.loop.RunUntil([&] { return !next.Busy(); }, std::chrono::seconds(60)));
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(next.Modified());
  EXPECT_EQ(next.FileName(), h.document.FileName());
  EXPECT_EQ(next.FrameCount(), 810u);
  EXPECT_EQ(next.Peak(), h.document.Peak());
  EXPECT_EQ(next.Index(), h.document.Index());
  EXPECT_EQ(test::ReadWav16Samples(next.TempFileName()), edited);
  EXPECT_EQ(next.UndoStack().Count(), 3u);
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions.back(), std::make_pair(true, false));
  for (int i = 0; i < 3; ++i) {
    next.Undo();
    ASSERT_TRUE(h.loop.RunUntil([&] { return !next.Busy(); }, std::chrono::seconds(60)));
  }
  EXPECT_EQ(test::ReadWav16Samples(next.TempFileName()), original);
  EXPECT_FALSE(next.Recover(state)) << "a loaded document takes nothing up";
  next.Close();
}

TEST(RecoveryTest, AStoreThatIsNotAWorkingCopyEndsInAMessageAndNothingLoaded) {
  test::TDocumentHarness h;
  TJournalState state = StateOfEndedRun(h.temp.Path());
  std::ofstream(state.current) << "RIFF but not really a working copy of anything at all....";
  Twavefile next;
  ASSERT_TRUE(next.Recover(state));
  ASSERT_TRUE(h.loop.RunUntil([&] { return !next.Busy(); }, std::chrono::seconds(60)));
  EXPECT_FALSE(next.Loaded());
  EXPECT_FALSE(next.CanUndo());
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_NE(h.boxes.shown[0].text.find("not a working copy"), std::string::npos);
}

TEST(RecoveryTest, StartUpOffersOnlyEndedRunsWithUnsavedWorkAndClearsTheRest) {
  test::TTempDir temp, data;
  const std::string journals = data.Path() + "/";
  // An ended run with unsaved work, one of its redo files already gone.
  TJournalState unsaved = StateOfEndedRun(temp.Path());
  WriteStores(unsaved);
  unlink(unsaved.redo[0].c_str());
  TMarkerList first, second;
  first.AddMarker({3, "first"});
  second.AddMarker({4, "second"});
  unsaved.undoMarkers = {NoMarkers(), std::make_shared<TMarkerList>(first)};
  unsaved.redoMarkers = {std::make_shared<TMarkerList>(second)};
  WriteJournalFile(journals + JournalFileName(kEndedRun), unsaved);
  // An ended run whose document was saved: nothing to ask about.
  TJournalState saved = StateOfEndedRun(temp.Path());
  saved.runId = "5afe5afe";
  for (std::string* name : {&saved.current, &saved.undo[0], &saved.undo[1], &saved.redo[0]})
    name->replace(name->find(kEndedRun), 8, saved.runId);
  saved.modified = false;
  WriteStores(saved);
  WriteJournalFile(journals + JournalFileName(saved.runId), saved);
  // A journal that does not read, and an ended run that left files but no journal.
  std::ofstream(journals + JournalFileName("0ddba115")) << "quillon-journal 1\nrun 0ddba115\n";
  const std::string orphan = temp.Path() + "/" + RunFilePrefix("dead0000") + "x";
  std::ofstream(orphan) << "x";

  std::vector<TRecoverableRun> runs = FindRecoverableRuns(journals);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].state.source, unsaved.source);
  EXPECT_FALSE(FileExists(saved.current));
  EXPECT_FALSE(FileExists(journals + JournalFileName(saved.runId)));
  EXPECT_TRUE(FileExists(journals + JournalFileName("0ddba115")));

  SweepEndedRuns(temp.Path(), journals);
  EXPECT_FALSE(FileExists(orphan));
  EXPECT_TRUE(FileExists(unsaved.current)) << "its question is still open";

  TJournalState adopted;
  ASSERT_TRUE(AdoptRecoverableRun(runs[0], adopted));
  EXPECT_EQ(adopted.runId, RunId());
  EXPECT_EQ(adopted.undo.size(), 2u);
  EXPECT_TRUE(adopted.redo.empty()) << "its file was gone";
  EXPECT_TRUE(adopted.redoMarkers.empty()) << "and its markers with it";
  ASSERT_EQ(adopted.undoMarkers.size(), 2u);
  EXPECT_EQ(*adopted.undoMarkers[1], first);
  for (const std::string& name : {adopted.current, adopted.undo[0], adopted.undo[1]})
    EXPECT_EQ(RunIdOfFileName(name.substr(temp.Path().size() + 1)), RunId()) << name;
  EXPECT_EQ(test::ReadWav16Samples(adopted.current), Ramp(64));
  auto journal = ReadJournalFile(journals + JournalFileName(RunId()));
  ASSERT_TRUE(journal) << "the moved files are named by this run's journal at once";
  EXPECT_EQ(journal->undo, adopted.undo);
  EXPECT_FALSE(FileExists(runs[0].journalPath));
  EXPECT_FALSE(FileExists(unsaved.current));
  EXPECT_FALSE(FileExists(temp.Path() + "/" + RunLockName(kEndedRun)));
  SweepEndedRuns(temp.Path(), journals);
  EXPECT_TRUE(FileExists(adopted.current));
  ReleaseRunFiles();
  EXPECT_TRUE(temp.List().empty());
}

TEST(RecoveryTest, AdoptingARunTakesItsCoverFileOverOrDropsAMissingCover) {
  for (const bool coverLeft : {true, false}) {
    SCOPED_TRACE(coverLeft ? "cover file left" : "cover file gone");
    test::TTempDir temp, data;
    const std::string journals = data.Path() + "/";
    TJournalState ended = StateOfEndedRun(temp.Path());
    ended.tags.title = "Kept";
    ended.tags.cover = TCoverPicture{"image/jpeg", "", {}};
    ended.coverFile = ended.tempFolder + RunFilePrefix(kEndedRun) + "cover";
    WriteStores(ended);
    if (coverLeft) test::WriteFileBytes(ended.coverFile, {0xFF, 0xD8, 0xFF, 0});
    WriteJournalFile(journals + JournalFileName(kEndedRun), ended);
    std::vector<TRecoverableRun> runs = FindRecoverableRuns(journals);
    ASSERT_EQ(runs.size(), 1u);
    TJournalState adopted;
    ASSERT_TRUE(AdoptRecoverableRun(runs[0], adopted));
    EXPECT_EQ(adopted.tags.title, "Kept");
    EXPECT_FALSE(FileExists(ended.coverFile));
    EXPECT_EQ(adopted.tags.cover.has_value(), coverLeft);
    if (coverLeft) {
      EXPECT_EQ(RunIdOfFileName(adopted.coverFile.substr(temp.Path().size() + 1)), RunId());
      EXPECT_EQ(test::ReadFileBytes(adopted.coverFile),
                (std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0}));
    }
    auto journal = ReadJournalFile(journals + JournalFileName(RunId()));
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->coverFile, adopted.coverFile);
    for (const std::string& name :
         {adopted.current, adopted.undo[0], adopted.undo[1], adopted.redo[0], adopted.coverFile})
      if (!name.empty()) unlink(name.c_str());
    unlink((journals + JournalFileName(RunId())).c_str());
  }
  ReleaseRunFiles();
}

TEST(RecoveryTest, NoDeletesTheRunsFilesAndItsJournal) {
  test::TTempDir temp, data;
  TJournalState unsaved = StateOfEndedRun(temp.Path());
  WriteStores(unsaved);
  WriteJournalFile(data.Path() + "/" + JournalFileName(kEndedRun), unsaved);
  std::vector<TRecoverableRun> runs = FindRecoverableRuns(data.Path());
  ASSERT_EQ(runs.size(), 1u);
  DiscardRecoverableRun(runs[0]);
  EXPECT_TRUE(temp.List().empty());
  EXPECT_TRUE(data.List().empty());
}

}  // namespace
}  // namespace quillon
