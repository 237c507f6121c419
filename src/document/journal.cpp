#include "document/journal.h"

#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/diskflush.h"
#include "platform/filewriter.h"
#include "platform/messagebox.h"
#include "platform/replacementfile.h"
#include "platform/runfiles.h"
#include "platform/tempfile.h"

namespace quillon {

namespace {

constexpr std::string_view kMagic = "quillon-journal 1";
constexpr std::string_view kEnd = "end";
// Far above any real history, markers of every state included; a bigger file is not one of ours.
constexpr uintmax_t kMaxJournalBytes = uintmax_t{256} << 20;

std::string Escape(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      out += value[i];
      continue;
    }
    if (++i == value.size()) return std::nullopt;
    if (value[i] == '\\')
      out += '\\';
    else if (value[i] == 'n')
      out += '\n';
    else if (value[i] == 'r')
      out += '\r';
    else
      return std::nullopt;
  }
  return out;
}

bool IsStoreOfRun(const std::string& path, const TJournalState& state) {
  if (!path.starts_with(state.tempFolder)) return false;
  const std::string name = path.substr(state.tempFolder.size());
  return name.find('/') == std::string::npos && name.starts_with(RunFilePrefix(state.runId)) &&
         name.size() > RunFilePrefix(state.runId).size();
}

bool NamesOnlyItsOwnStores(const TJournalState& state) {
  if (!IsRunId(state.runId) || !state.tempFolder.starts_with('/') ||
      !state.tempFolder.ends_with('/') || state.tempFolder.find("/../") != std::string::npos)
    return false;
  if (!IsStoreOfRun(state.current, state)) return false;
  if (!state.coverFile.empty() && !IsStoreOfRun(state.coverFile, state)) return false;
  for (const auto* stack : {&state.undo, &state.redo})
    for (const std::string& name : *stack)
      if (!IsStoreOfRun(name, state)) return false;
  return true;
}

// The journal's keys of the tag fields, in the order they are written: one line a value, so that a
// journal of a single value a field (as older ones are) reads the same.
constexpr std::pair<std::string_view, TTagValues TTags::*> kTagLines[] = {
    {"tag.title", &TTags::title}, {"tag.artist", &TTags::artist},
    {"tag.album", &TTags::album}, {"tag.albumartist", &TTags::albumArtist},
    {"tag.year", &TTags::year},   {"tag.track", &TTags::track},
    {"tag.genre", &TTags::genre}, {"tag.comment", &TTags::comment}};

// The lines of the tags; a journal without them (as older ones are) has no tags.
bool ApplyTagLine(TJournalState& state, std::string_view key, const std::string& value) {
  for (const auto& [name, field] : kTagLines)
    if (key == name) {
      (state.tags.*field).Add(value);
      return true;
    }
  if (!key.starts_with("cover.")) return false;
  TCoverPicture& cover = state.tags.cover ? *state.tags.cover : state.tags.cover.emplace();
  if (key == "cover.mime")
    cover.mimeType = value;
  else if (key == "cover.description")
    cover.description = value;
  else if (key == "cover.file")
    state.coverFile = value;
  else
    return false;
  return true;
}

// The lines after a state's line give its markers: "marker FRAME NAME", "region START END NAME",
// or "markers same" for the list of the state written before it, which an effect kept.
class TMarkerLines {
 public:
  // The state line just read names the entry that the lines after it fill.
  void StartState(TSharedMarkers& entry) {
    Close();
    filling_ = std::make_shared<TMarkerList>();
    entry = filling_;
    slot_ = &entry;
  }
  // Applies a marker line; false for any other line, or a malformed one.
  bool Apply(std::string_view key, std::string_view value) {
    if (!slot_) return false;
    if (key == "markers") {
      if (value != "same" || !previous_ || !filling_->Empty()) return false;
      *slot_ = previous_;
      return true;
    }
    if (*slot_ != filling_) return false;
    if (key == "marker") {
      auto frame = NextNumber(value);
      if (!frame) return false;
      filling_->AddMarker({*frame, std::string(value)});
      return true;
    }
    if (key != "region") return false;
    auto start = NextNumber(value), end = NextNumber(value);
    if (!start || !end || *end <= *start) return false;
    filling_->AddRegion({*start, *end, std::string(value)});
    return true;
  }
  // Done with the last state's entry, before its vector grows and may move it.
  void Close() {
    if (slot_) previous_ = *slot_;
    slot_ = nullptr;
  }

 private:
  // A frame number up to the next space (taken too) or the end.
  static std::optional<int64_t> NextNumber(std::string_view& value) {
    const size_t space = value.find(' ');
    const std::string_view digits = value.substr(0, space);
    int64_t number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || number < 0 ||
        number > UINT32_MAX)
      return std::nullopt;
    value = space == std::string_view::npos ? std::string_view() : value.substr(space + 1);
    return number;
  }

  TSharedMarkers* slot_ = nullptr;
  std::shared_ptr<TMarkerList> filling_;
  TSharedMarkers previous_;
};

void AppendMarkerLines(std::string& text, const TSharedMarkers& markers,
                       const TSharedMarkers* previous) {
  if (!markers || markers->Empty()) return;
  if (previous && *previous == markers) {
    text += "markers same\n";
    return;
  }
  for (const TMarker& marker : markers->markers)
    text.append("marker ")
        .append(std::to_string(marker.frame))
        .append(" ")
        .append(Escape(marker.name))
        .append("\n");
  for (const TRegion& region : markers->regions)
    text.append("region ")
        .append(std::to_string(region.start))
        .append(" ")
        .append(std::to_string(region.end))
        .append(" ")
        .append(Escape(region.name))
        .append("\n");
}

// Applies one "key value" line; false for a key or value a journal never has.
bool ApplyLine(TJournalState& state, std::string_view key, const std::string& value) {
  if (ApplyTagLine(state, key, value)) return true;
  if (key == "run")
    state.runId = value;
  else if (key == "folder")
    state.tempFolder = value;
  else if (key == "source")
    state.source = value;
  else if (key == "current")
    state.current = value;
  else if (key == "undo")
    state.undo.push_back(value);
  else if (key == "redo")
    state.redo.push_back(value);
  else if (key == "modified" && (value == "0" || value == "1"))
    state.modified = value == "1";
  else
    return false;
  return true;
}

}  // namespace

TJournalState JournalStateOf(const Twavefile& document) {
  TJournalState state;
  state.runId = RunId();
  // Absolute names, so that a run started in another folder finds the same files.
  auto absolute = [](const std::string& name) {
    std::error_code ignored;
    return name.empty() ? name : std::filesystem::absolute(name, ignored).string();
  };
  state.source = absolute(document.FileName());
  state.modified = document.Modified();
  const TTags& tags = document.Tags();
  for (const auto& [name, field] : kTagLines) state.tags.*field = tags.*field;
  if (tags.cover)
    state.tags.cover = TCoverPicture{tags.cover->mimeType, tags.cover->description, {}};
  if (!document.Loaded() || document.TempFileName().empty()) return state;
  state.current = absolute(document.TempFileName());
  state.tempFolder = std::filesystem::path(state.current).parent_path().string() + "/";
  for (const std::string& name : document.UndoStack().Names()) state.undo.push_back(absolute(name));
  for (const std::string& name : document.RedoStack().Names()) state.redo.push_back(absolute(name));
  state.markers = document.MarkersShared();
  state.undoMarkers = document.UndoStack().MarkerLists();
  state.redoMarkers = document.RedoStack().MarkerLists();
  state.sourceMaps = JournalMapsOf(document.SourceMap(), document.UndoStack().SourceMaps(),
                                   document.RedoStack().SourceMaps());
  return state;
}

std::string FormatJournal(const TJournalState& state) {
  std::string text = std::string(kMagic) + "\n";
  auto line = [&text](const char* key, const std::string& value) {
    text.append(key).append(" ").append(Escape(value)).append("\n");
  };
  line("run", state.runId);
  line("folder", state.tempFolder);
  line("source", state.source);
  line("modified", state.modified ? "1" : "0");
  std::string source;
  AppendSourceLine(source, state.sourceMaps);
  if (!source.empty()) line("mp3source", source);
  // The states in the order of the history, so that a list an effect kept follows its twin.
  const TSharedMarkers* previous = nullptr;
  auto stateLine = [&](const char* key, const std::string& name, const TSharedMarkers* markers,
                       const TSharedSourceMap* map) {
    line(key, name);
    if (map) AppendSpanLines(text, *map);
    if (!markers) return;
    AppendMarkerLines(text, *markers, previous);
    previous = markers;
  };
  auto stateLines = [&](const char* key, const std::vector<std::string>& names,
                        const std::vector<TSharedMarkers>& markers,
                        const std::vector<TSharedSourceMap>& maps) {
    for (size_t i = 0; i < names.size(); ++i)
      stateLine(key, names[i], i < markers.size() ? &markers[i] : nullptr,
                i < maps.size() ? &maps[i] : nullptr);
  };
  stateLines("undo", state.undo, state.undoMarkers, state.sourceMaps.undo);
  stateLine("current", state.current, &state.markers, &state.sourceMaps.current);
  stateLines("redo", state.redo, state.redoMarkers, state.sourceMaps.redo);
  for (const auto& [name, field] : kTagLines)
    for (const std::string& value : (state.tags.*field).All())
      line(std::string(name).c_str(), value);
  if (state.tags.cover && !state.coverFile.empty()) {
    line("cover.mime", state.tags.cover->mimeType);
    line("cover.description", state.tags.cover->description);
    line("cover.file", state.coverFile);
  }
  return text + std::string(kEnd) + "\n";
}

std::optional<TJournalState> ParseJournal(std::string_view text) {
  std::istringstream lines{std::string(text)};
  std::string line;
  if (!std::getline(lines, line) || line != kMagic) return std::nullopt;
  TJournalState state;
  TMarkerLines markers;
  TSpanLines spans(state.sourceMaps);
  bool ended = false;
  while (std::getline(lines, line)) {
    if (ended) return std::nullopt;
    if (line == kEnd) {
      ended = true;
      continue;
    }
    const size_t space = line.find(' ');
    if (space == std::string::npos) return std::nullopt;
    auto value = Unescape(std::string_view(line).substr(space + 1));
    const std::string_view key = std::string_view(line).substr(0, space);
    if (!value) return std::nullopt;
    if (markers.Apply(key, *value) || spans.Apply(key, *value)) continue;
    if (!ApplyLine(state, key, *value)) return std::nullopt;
    if (key == "undo" || key == "current" || key == "redo")
      spans.StartState(key, key == "undo" ? state.undo.size() : state.redo.size());
    if (key == "current") markers.StartState(state.markers);
    if (key == "undo" || key == "redo") {
      auto& lists = key == "undo" ? state.undoMarkers : state.redoMarkers;
      markers.Close();
      // Lists of an older journal stay as long as their names.
      lists.resize((key == "undo" ? state.undo : state.redo).size() - 1, NoMarkers());
      markers.StartState(lists.emplace_back());
    }
  }
  if (!ended || !NamesOnlyItsOwnStores(state)) return std::nullopt;
  spans.Finish();
  // A cover is its file: type and description alone are no cover.
  if (state.tags.cover.has_value() != !state.coverFile.empty()) return std::nullopt;
  return state;
}

void WriteJournalFile(const std::string& path, const TJournalState& state) {
  const std::string text = FormatJournal(state);
  WriteFileDurably(path, text.data(), text.size());
}

std::optional<TJournalState> ReadJournalFile(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size > kMaxJournalBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (!(text << in.rdbuf())) return std::nullopt;
  return ParseJournal(text.str());
}

std::string JournalFileName(const std::string& runId) {
  return runId + ".journal";
}

TRecoveryJournal::TRecoveryJournal(const std::string& folder) {
  std::string where = folder;
  if (where.empty() || where.back() != '/') where += '/';
  path_ = where + JournalFileName(RunId());
}

TRecoveryJournal::~TRecoveryJournal() {
  unlink(path_.c_str());
  DeleteCover();
}

void TRecoveryJournal::DeleteCover() {
  if (!coverPath_.empty()) unlink(coverPath_.c_str());
  coverPath_.clear();
  coverHash_ = 0;
}

void TRecoveryJournal::RecordCover(const std::optional<TCoverPicture>& cover,
                                   TJournalState& state) {
  if (!cover) {
    DeleteCover();
    return;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(cover->data.data()),
                               cover->data.size());
  const size_t hash = std::hash<std::string_view>{}(bytes);
  if (coverPath_.empty() || hash != coverHash_) {
    const std::string path = MakeTempFileNameIn(state.tempFolder);
    TFileWriter writer(path);
    writer.Write(bytes.data(), bytes.size());
    writer.Close();
    // On the disk before the journal that names it.
    MakeDurable(path);
    DeleteCover();
    coverPath_ = path;
    coverHash_ = hash;
  }
  state.coverFile = coverPath_;
}

std::string TRecoveryJournal::Write(TJournalState state,
                                    const std::optional<TCoverPicture>& cover) {
  // With nothing open there is nothing to recover, and the run's files may all go.
  if (state.current.empty()) {
    unlink(path_.c_str());
    DeleteCover();
    return {};
  }
  try {
    RecordCover(cover, state);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
    WriteJournalFile(path_, state);
    return {};
  } catch (const std::exception& error) {
    return ConstantText("journalunwritable") + "\n" + path_ + "\n" + error.what();
  }
}

void TRecoveryJournal::Record(const Twavefile& document) {
  const std::string failure = Write(JournalStateOf(document), document.Tags().cover);
  if (failure.empty() || failureShown_) return;
  failureShown_ = true;
  MessageBoxes().Show(ConstantText("journalcaption"), failure, TMessageIcon::Exclamation);
}

}  // namespace quillon
