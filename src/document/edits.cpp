// Requests of the document, and the edits that change its length: insert silence, delete,
// copy, cut and paste through the clipboard, which may also name an audio file to paste.
#include <algorithm>
#include <new>
#include <vector>

#include "codecs/clipformat.h"
#include "codecs/fileclip.h"
#include "document/wavfile.h"
#include "platform/clipboard.h"
#include "platform/error.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"

namespace quillon {

namespace {
const char* kClipboardMemoryText = "Could not allocate memory for clipboard.";
}

void Twavefile::Refuse(const std::string& text) {
  MessageBoxes().Show(kApplicationTitle, text, TMessageIcon::Exclamation);
}

bool Twavefile::CheckRange(int64_t start, int64_t stop) {
  if (start >= 0 && start <= stop && stop <= frameCount_) return true;
  Refuse("The range from frame " + std::to_string(start) + " to frame " + std::to_string(stop) +
         " does not fit the document, which has " + std::to_string(frameCount_) + " frames.");
  return false;
}

bool Twavefile::CheckPosition(int64_t position) {
  if (position >= 0 && position <= frameCount_) return true;
  Refuse("Frame " + std::to_string(position) + " lies outside the document, which has " +
         std::to_string(frameCount_) + " frames.");
  return false;
}

bool Twavefile::Request(uint32_t operation) {
  operation_ = operation;
  RunOperation();
  return true;
}

bool Twavefile::InsertSilence(int64_t position, int64_t frames) {
  if (busy_ || !loaded_ || !CheckPosition(position)) return false;
  if (frames < 0 || frames > INT32_MAX) {
    Refuse("The length of the silence must be between 0 and " + std::to_string(INT32_MAX) +
           " frames.");
    return false;
  }
  rangeStart_ = static_cast<int32_t>(position);
  silenceFrames_ = static_cast<int32_t>(frames);
  return Request(opInsertSilence);
}

bool Twavefile::RequestRange(int64_t start, int64_t stop, uint32_t operation) {
  if (busy_ || !loaded_ || !CheckRange(start, stop)) return false;
  rangeStart_ = static_cast<int32_t>(start);
  rangeStop_ = static_cast<int32_t>(stop);
  return Request(operation);
}

bool Twavefile::Delete(int64_t start, int64_t stop) {
  return RequestRange(start, stop, opDelete);
}
bool Twavefile::Cut(int64_t start, int64_t stop) {
  return RequestRange(start, stop, opCut);
}
bool Twavefile::Copy(int64_t start, int64_t stop) {
  return RequestRange(start, stop, opCopy);
}
bool Twavefile::FadeIn(int64_t start, int64_t stop) {
  return RequestRange(start, stop, opFadeIn);
}
bool Twavefile::FadeOut(int64_t start, int64_t stop) {
  return RequestRange(start, stop, opFadeOut);
}

bool Twavefile::Paste(int64_t position) {
  if (busy_ || !loaded_ || !CheckPosition(position)) return false;
  rangeStart_ = static_cast<int32_t>(position);
  return Request(opPaste);
}

bool Twavefile::Normalize(int32_t percent) {
  if (busy_ || !loaded_) return false;
  normalizePercent_ = percent;
  return Request(opNormalize);
}

bool Twavefile::Amplify(uint32_t percent) {
  if (busy_ || !loaded_) return false;
  amplifyPercent_ = percent;
  return Request(opAmplify);
}

bool Twavefile::Reverse() {
  return !busy_ && loaded_ && Request(opReverse);
}

bool Twavefile::Invert() {
  return !busy_ && loaded_ && Request(opInvert);
}

void Twavefile::CopySamples(uint64_t from, uint64_t to, uint64_t count) {
  if (count > 0)
    nextSamples_->CopyFrom(*samples_, static_cast<uint32_t>(from), static_cast<uint32_t>(to),
                           static_cast<int64_t>(count));
}

void Twavefile::DoInsertSilence() {
  const uint64_t n = frameCount_, k = channels_, position = rangeStart_, frames = silenceFrames_;
  RunEdit(n + frames, [&] {
    CopySamples(0, 0, position * k);
    // A new store reads as zeros, so the silence itself needs no writing.
    CopySamples(position * k, (position + frames) * k, (n - position) * k);
  });
}

void Twavefile::DoDelete() {
  const uint64_t n = frameCount_, k = channels_, start = rangeStart_, stop = rangeStop_;
  RunEdit(n - (stop - start), [&] {
    CopySamples(0, 0, start * k);
    CopySamples(stop * k, start * k, (n - stop) * k);
  });
}

std::vector<uint8_t> Twavefile::RangeBlock(int64_t start, int64_t stop) const {
  if (busy_ || !loaded_ || start < 0 || start > stop || stop > frameCount_) return {};
  return ReadRange(static_cast<uint64_t>(start), static_cast<uint64_t>(stop));
}

std::vector<uint8_t> Twavefile::ReadRange(uint64_t start, uint64_t stop) const {
  const uint64_t k = channels_;
  const uint64_t count = (stop - start) * k;
  std::vector<uint8_t> block;
  try {
    block.resize(kWavHeaderSize + count * 2);
  } catch (const std::bad_alloc&) {
    throw Exception(kClipboardMemoryText);
  }
  TWavHeader header = header_;
  SetWavDataSize(header, static_cast<uint32_t>(count * 2));
  std::copy(header.begin(), header.end(), block.begin());
  if (count > 0)
    samples_->ReadSamples(reinterpret_cast<int16_t*>(block.data() + kWavHeaderSize),
                          static_cast<uint32_t>(start * k),
                          static_cast<uint32_t>(start * k + count - 1));
  return block;
}

void Twavefile::PublishClip(std::vector<uint8_t> block) {
  // An unavailable clipboard is not an error: the copy just does not happen.
  MainThread().Invoke([&] { Clipboard().SetWave(std::move(block)); });
  progress_ = 0;
}

void Twavefile::DoCopy() {
  progress_ = 5;
  PublishClip(ReadRange(rangeStart_, rangeStop_));
}

void Twavefile::DoCut() {
  std::vector<uint8_t> block = ReadRange(rangeStart_, rangeStop_);
  // The clipboard changes only once the range is gone, so that a failed cut changes nothing.
  DoDelete();
  PublishClip(std::move(block));
}

std::optional<std::vector<int16_t>> Twavefile::TakeClipboardAudio() {
  std::optional<std::vector<uint8_t>> block;
  std::vector<std::string> files;
  MainThread().Invoke([&] {
    block = Clipboard().GetWave();
    if (!block) files = Clipboard().GetFiles();
  });
  if (block)
    // Not audio we can read: like an empty clipboard.
    return ReadClipAudio(block->data(), block->size(), channels_, sampleRate_);
  if (files.empty()) return std::nullopt;
  TFileClip clip = ReadFileClip(files, channels_, sampleRate_, progress_);
  progress_ = 0;
  if (!clip.refusal.empty()) {
    MainThread().Invoke([&] { Refuse(clip.refusal); });
    return std::nullopt;
  }
  return std::move(clip.samples);
}

void Twavefile::DoPaste() {
  std::optional<std::vector<int16_t>> clip = TakeClipboardAudio();
  if (!clip) return;
  const uint64_t n = frameCount_, k = channels_, position = rangeStart_;
  const uint64_t clipFrames = clip->size() / k;
  RunEdit(n + clipFrames, [&] {
    progress_ = 5;
    CopySamples(0, 0, position * k);
    progress_ = 30;
    if (clipFrames > 0)
      nextSamples_->WriteSamples(clip->data(), static_cast<uint32_t>(position * k),
                                 static_cast<uint32_t>((position + clipFrames) * k - 1));
    progress_ = 60;
    CopySamples(position * k, (position + clipFrames) * k, (n - position) * k);
    progress_ = 100;
  });
}

}  // namespace quillon
