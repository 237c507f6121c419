#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codecs/encodersettings.h"
#include "codecs/mp3settings.h"
#include "codecs/tags.h"
#include "document/audiostate.h"
#include "document/editplans.h"
#include "document/journalsourcemaps.h"
#include "document/markers.h"
#include "document/splitrun.h"
#include "mp3frames/cliporigin.h"
#include "mp3frames/sourcemap.h"
#include "mp3frames/splice.h"
#include "platform/cancel.h"
#include "platform/messagebox.h"

namespace quillon {

// Codes of the document's operations; they also appear in the store's failure report.
enum TOperationCode : uint32_t {
  opBuildIndex = 1,
  opOpen = 2,
  opSaveMp3 = 3,
  opSaveWav = 4,
  opCut = 5,
  opCopy = 6,
  opPaste = 7,
  opDelete = 8,
  opInsertSilence = 9,
  opNormalize = 10,
  opFadeIn = 11,
  opFadeOut = 12,
  opReverse = 13,
  opInvert = 14,
  opAmplify = 15,
  opRecover = 16,
  opSaveFlac = 17,
  opSaveVorbis = 18,
  opSaveOpus = 19,
  // Removes the spans that the request's planner finds (silences, say) as one edit.
  opRemoveSpans = 20,
  // One gain on every sample, as the request's planner finds it.
  opApplyGain = 21,
  opToMono = 22,
  opToStereo = 23,
  opSwapChannels = 24,
  opResample = 25,
  // Writes the files of a split (Export Regions), one after the other, in one operation.
  opSplit = 26,
};

// Decoded audio larger than this is refused: with its header it must fit a store, or no edit of
// the document could make a new one.
inline constexpr int64_t kMaxDecodedBytes =
    static_cast<int64_t>(kMaxStoreFileBytes - kWavHeaderSize);

// The rates Change Sample Rate takes.
inline constexpr uint32_t kMinSampleRate = 8000;
inline constexpr uint32_t kMaxSampleRate = 192000;
// The length a document of frames at rate from has at rate to.
uint64_t ResampledFrames(uint64_t frames, uint32_t from, uint32_t to);

// Whether the operation makes a new state of the audio that goes onto the history.
bool IsEdit(uint32_t operation);
// Whether the operation writes the audio to a file of the user's, in any format.
bool IsSave(uint32_t operation);

// Everything an operation needs, captured on the main thread when it is requested: the worker
// reads nothing else of the document or of the settings.
struct TOperationRequest {
  uint32_t operation = 0;
  // The installed state the operation starts from; none for an open.
  std::shared_ptr<const TAudioState> source;
  // Where new stores go.
  std::string tempFolder;
  uint64_t rangeStart = 0;
  uint64_t rangeStop = 0;
  uint64_t silenceFrames = 0;
  int32_t normalizePercent = 0;
  uint32_t amplifyPercent = 0;
  // Normalize, amplify, reverse, invert and apply gain: the frames they change; none for the
  // whole document.
  std::optional<TFrameSpan> effectSpan;
  // Open: the file to decode. Undo, redo and recovery: the store to take up.
  std::string fileName;
  // Saves.
  std::string targetFileName;
  TMp3Config mp3Config{};
  // Ogg Vorbis quality (-1 to 10) and Opus bitrate (kbit/s), as chosen before the save.
  int vorbisQuality = kVorbisQualityDefault;
  int opusBitrate = kOpusBitrateDefault;
  // Saves: the document's tags, written into the file before it replaces the target.
  TTags tags;
  // The installed state's markers: edits move them, saves write them.
  TSharedMarkers markers = NoMarkers();
  // Which of the installed state's frames are still its MP3 source's: edits follow them, an MP3
  // save copies their frames when keepMp3Frames.
  TSharedSourceMap sourceMap;
  bool keepMp3Frames = false;
  // Paste: what the clipboard held when it was asked.
  std::optional<std::vector<uint8_t>> clipBlock;
  std::vector<std::string> clipFiles;
  // What an earlier copy of this document knows of the block it put on the clipboard.
  TSharedClipOrigin clipOrigin;
  // Recovery: the tags the journal recorded, and the file of their cover's picture.
  std::string coverFile;
  // Recovery: the maps the journal recorded, bound to their source again on the worker.
  TJournalSourceMaps recordedMaps;
  // Remove spans: what to remove, found on the worker, and the status line when it finds none.
  TSpanPlanner planSpans;
  std::string nothingToRemove;
  // Apply gain.
  TGainPlanner planGain;
  // To mono.
  TMonoMix monoMix = TMonoMix::Average;
  // Change sample rate: the new rate, and whether the 16-bit result is dithered (a test's
  // comparison with an undithered reference turns it off).
  uint32_t newSampleRate = 0;
  bool dither = true;
  // Split: the files to write, the save operation that writes each, and the number of the file
  // being written, for the window to show.
  std::vector<TSplitFile> splitFiles;
  uint32_t splitSave = 0;
  std::shared_ptr<TSplitProgress> splitProgress;
  // The user's stop request; the worker looks at it between chunks.
  TCancelToken cancel;
};

// A message the operation leaves for the main thread to show.
struct TOperationMessage {
  std::string caption;
  std::string text;
  TMessageIcon icon = TMessageIcon::Exclamation;
  // Shown in the application's standard error box rather than as a plain message.
  bool exception = false;
};

// What the worker hands back. The main thread installs it; the worker never touches the
// document.
struct TOperationResult {
  static constexpr int kSucceeded = 1;
  static constexpr int kReportedFailure = 0;  // the operation left a message of its own
  static constexpr int kRaised = -1;
  // Stopped on request: nothing changed, nothing is left behind, a notice says so.
  static constexpr int kCancelled = -2;

  int outcome = kSucceeded;
  // The new current state, when the operation made one.
  std::shared_ptr<const TAudioState> state;
  // Audio for the clipboard (copy, and cut once its range is gone).
  std::optional<std::vector<uint8_t>> clip;
  // Which of the clip's frames are the MP3 source's, for a paste of it to keep.
  TSharedClipOrigin clipOrigin;
  std::optional<TOperationMessage> message;
  // Lines for the status bar: what the operation did that the user should know but need not
  // confirm (a tag skipped, channels mixed down).
  std::vector<std::string> notices;
  // Open and recovery: the tags the document takes up.
  std::optional<TTags> tags;
  // The new state's markers: the opened file's, or the source's moved by an edit; none when an
  // edit keeps them as they were.
  TSharedMarkers markers;
  // Open and edits: the new state's frames that are still the MP3 source's; none for an edit
  // that changed them all (every edit that does not set it).
  TSharedSourceMap sourceMap;
  // An MP3 save that kept the source's frames: what it copied and encoded.
  std::optional<TSpliceStats> mp3Frames;
  // Recovery: the journal's maps of each state, bound to their source; none when it changed.
  TJournalSourceMaps recoveredMaps;
};

}  // namespace quillon
