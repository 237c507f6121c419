#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/operation.h"

namespace quillon {

class TBASSDecoder;
class TReplacementFile;

// The WAV block of frames start to stop - 1 of state, as copy hands it to the clipboard; throws
// Exception when memory runs out, ECancelled once cancel is. The range is not checked.
std::vector<uint8_t> ReadRangeBlock(const TAudioState& state, uint64_t start, uint64_t stop,
                                    const TCancelToken& cancel = {});

// Runs one request on the worker: reads the request's source state, builds the new state aside
// and returns it. Nothing here reaches the document or the settings, so the main thread's state
// cannot change under the view; a failure throws or leaves a message and deletes what it made.
class TOperationJob {
 public:
  TOperationJob(const TOperationRequest& request, std::atomic<int32_t>& progress);

  // The routine of a request.
  static TOperationResult Run(const TOperationRequest& request, std::atomic<int32_t>& progress);

 private:
  TOperationResult Dispatch();

  // Open, recovery, undo and redo.
  TOperationResult Open();
  // The map of a just-decoded document to its MP3 source's frames; none for other files.
  static TSharedSourceMap IndexMp3Source(const std::string& path, const TAudioState& state,
                                         const TBASSDecoder& decoder);
  bool DecodeSource(TBASSDecoder& decoder);
  bool DecodedSizeFits(int64_t estimatedBytes);
  void ReportOpenFailure(const std::string& text);
  TOperationResult TakeUpStore();
  TOperationResult TakeUpRecoveredStore();
  TTags RecoveredTags() const;

  // Edits (edits.cpp).
  TOperationResult InsertSilence();
  TOperationResult Delete();
  TOperationResult Copy();
  TOperationResult Cut();
  TOperationResult Paste();
  TOperationResult RemoveSpans();
  // The WAV block of frames start to stop - 1 of the source, unchecked.
  std::vector<uint8_t> ReadRange(uint64_t start, uint64_t stop) const;
  // The clipboard's audio in the document's format; none when there is nothing to paste (with a
  // message when what was there cannot be used).
  std::optional<std::vector<int16_t>> ClipboardAudio();

  // Effects (effects.cpp).
  TOperationResult Fade();
  TOperationResult Normalize();
  TOperationResult Amplify();
  TOperationResult Reverse();
  TOperationResult Invert();
  TOperationResult ApplyGain();
  // To mono, to stereo, swap (channels.cpp).
  TOperationResult RemixChannels();
  // Change Sample Rate (resample.cpp).
  TOperationResult Resample();
  // Reads samples [first, first + count) of the source in chunks, lets transform change each
  // chunk in place (told the chunk's first sample index) and writes it to the same place of next.
  // Each written chunk is added to the scan too.
  void TransformSamples(TLargeFile& next, uint64_t first, uint64_t count,
                        const std::function<void(int16_t*, uint64_t, size_t)>& transform,
                        TPeakScan& scan);
  // An effect on the request's span (effectspan.cpp) that maps each piece of samples in place.
  TOperationResult TransformEverySample(const std::function<void(int16_t*, size_t)>& apply);
  // Copies the samples before span, lets writeSpan write span's own, then copies those after it;
  // the copies go into the scan in their place.
  void CopyAround(TLargeFile& next, TPeakScan& scan, TFrameSpan span,
                  const std::function<void()>& writeSpan);
  // CopyAround with the samples of span through transform.
  void TransformWithin(TLargeFile& next, TPeakScan& scan, TFrameSpan span,
                       const std::function<void(int16_t*, uint64_t, size_t)>& transform);
  // The frames an effect changes: the request's span, else the whole document.
  TFrameSpan EffectSpan() const;
  // The peak Normalize scales by: the document's, or the highest sample of the request's span.
  int16_t EffectPeak() const;

  // Saves (saving.cpp).
  TOperationResult SaveWav();
  TOperationResult SaveMp3();
  // The MP3 save that copies the source's frames; false (with a notice why) when it cannot, and
  // the whole document is encoded instead.
  bool SaveMp3KeepingFrames();
  // FLAC, Ogg Vorbis and Opus, by the request's operation.
  TOperationResult SaveEncoded();
  // A save's complete file: committed now, or handed to deferred_ when it is set.
  void Deliver(std::unique_ptr<TReplacementFile> output);
  // Every file of a split through the save of its format (splitrun.cpp).
  TOperationResult Split();

  // Every edit and effect: a new store of newFrames frames in the temporary folder receives
  // the source's header with the new size and writeSamples' output, then is opened for reading
  // and indexed. When anything fails the new file is gone.
  TOperationResult Edit(uint64_t newFrames,
                        const std::function<void(TLargeFile& next)>& writeSamples);
  // An edit whose writeSamples also adds every new sample to the scan, in order: the new store
  // is indexed from that, without being read again.
  TOperationResult EditInOrder(
      uint64_t newFrames,
      const std::function<void(TLargeFile& next, TPeakScan& scan)>& writeSamples);
  // Both: writeSamples returns the index when it built one.
  TOperationResult BuildState(
      uint64_t newFrames,
      const std::function<std::optional<TPeakIndex>(TLargeFile& next)>& writeSamples);
  // A state of another format: header gives its channels and rate.
  TOperationResult BuildState(
      uint64_t newFrames, TWavHeader header,
      const std::function<std::optional<TPeakIndex>(TLargeFile& next)>& writeSamples);
  // The result's markers: the source's, changed by follow (only when there are any).
  void MoveMarkers(const std::function<void(TMarkerList&)>& follow);
  // In pieces, with a look at the stop request before each.
  void CopySamples(TLargeFile& next, uint64_t from, uint64_t to, uint64_t count) const;
  // Throws ECancelled once the user asked the operation to stop.
  void CheckCancel() const { request_.cancel.ThrowIfCancelled(); }

  const TAudioState& Source() const { return *request_.source; }

  const TOperationRequest& request_;
  std::atomic<int32_t>& progress_;
  TOperationResult result_;
  // Set by a split: its saves leave their files here, complete but not committed, so that the
  // split flushes them together rather than waiting on the disk once or twice a file.
  std::vector<std::unique_ptr<TReplacementFile>>* deferred_ = nullptr;
};

}  // namespace quillon
