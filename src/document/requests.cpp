// The document's requests: each checks its numbers against the installed state, captures them
// and starts its operation.
#include <optional>

#include "document/operationjob.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/clipboard.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"

namespace quillon {

void Twavefile::Refuse(const std::string& text) {
  MessageBoxes().Show(kApplicationTitle, text, TMessageIcon::Exclamation);
}

bool Twavefile::CheckRange(int64_t start, int64_t stop) {
  const uint32_t frames = state_->frameCount;
  if (start >= 0 && start <= stop && stop <= frames) return true;
  Refuse(ConstantText("rangeoutside",
                      {std::to_string(start), std::to_string(stop), std::to_string(frames)}));
  return false;
}

bool Twavefile::CheckPosition(int64_t position) {
  const uint32_t frames = state_->frameCount;
  if (position >= 0 && position <= frames) return true;
  Refuse(ConstantText("positionoutside", {std::to_string(position), std::to_string(frames)}));
  return false;
}

bool Twavefile::InsertSilence(int64_t position, int64_t frames) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || !CheckPosition(position)) return false;
  if (frames < 0 || frames > INT32_MAX) {
    Refuse(ConstantText("silencelength", {std::to_string(INT32_MAX)}));
    return false;
  }
  TOperationRequest request = MakeRequest(opInsertSilence);
  request.rangeStart = static_cast<uint64_t>(position);
  request.silenceFrames = static_cast<uint64_t>(frames);
  return RunOperation(std::move(request));
}

bool Twavefile::RequestRange(int64_t start, int64_t stop, uint32_t operation) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || !CheckRange(start, stop)) return false;
  TOperationRequest request = MakeRequest(operation);
  request.rangeStart = static_cast<uint64_t>(start);
  request.rangeStop = static_cast<uint64_t>(stop);
  return RunOperation(std::move(request));
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
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_) return false;
  // Read now: the clipboard belongs to the main thread. Decoding a named file waits for the
  // worker.
  TClipContents contents;
  contents.block = Clipboard().GetWave();
  if (!contents.block) contents.files = Clipboard().GetFiles();
  return Paste(position, std::move(contents));
}

bool Twavefile::Paste(int64_t position, TClipContents contents) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || !CheckPosition(position)) return false;
  TOperationRequest request = MakeRequest(opPaste);
  request.rangeStart = static_cast<uint64_t>(position);
  request.clipBlock = std::move(contents.block);
  request.clipFiles = std::move(contents.files);
  request.clipOrigin = clipOrigin_;
  return RunOperation(std::move(request));
}

bool Twavefile::Normalize(int32_t percent) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_) return false;
  TOperationRequest request = MakeRequest(opNormalize);
  request.normalizePercent = percent;
  return RunOperation(std::move(request));
}

bool Twavefile::Amplify(uint32_t percent) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_) return false;
  TOperationRequest request = MakeRequest(opAmplify);
  request.amplifyPercent = percent;
  return RunOperation(std::move(request));
}

bool Twavefile::Reverse() {
  QUILLON_MAIN_THREAD_ONLY();
  return !busy_ && loaded_ && RunOperation(MakeRequest(opReverse));
}

bool Twavefile::Invert() {
  QUILLON_MAIN_THREAD_ONLY();
  return !busy_ && loaded_ && RunOperation(MakeRequest(opInvert));
}

bool Twavefile::RemoveSpans(TSpanPlanner planner, std::string nothingToRemove) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || !planner) return false;
  TOperationRequest request = MakeRequest(opRemoveSpans);
  request.planSpans = std::move(planner);
  request.nothingToRemove = std::move(nothingToRemove);
  return RunOperation(std::move(request));
}

std::vector<uint8_t> Twavefile::RangeBlock(int64_t start, int64_t stop) const {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || start < 0 || start > stop || stop > state_->frameCount) return {};
  return ReadRangeBlock(*state_, static_cast<uint64_t>(start), static_cast<uint64_t>(stop));
}

// Saving

bool Twavefile::Save() {
  return SaveAs(fileName_);
}

bool Twavefile::SaveAs(const std::string& path) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_) return false;
  TOperationRequest request = MakeRequest(0);
  request.targetFileName = path;
  request.rangeStop = state_->frameCount;
  savingWhole_ = true;
  return StartSave(std::move(request));
}

bool Twavefile::SaveSelection(const std::string& path, int64_t start, int64_t stop) {
  return SaveSelection(path, start, stop, tags_);
}

bool Twavefile::SaveSelection(const std::string& path, int64_t start, int64_t stop,
                              const TTags& tags) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || !CheckRange(start, stop)) return false;
  TOperationRequest request = MakeRequest(0);
  request.targetFileName = path;
  request.rangeStart = static_cast<uint64_t>(start);
  request.rangeStop = static_cast<uint64_t>(stop);
  savingWhole_ = false;
  return StartSave(std::move(request), &tags);
}

bool Twavefile::StartSave(TOperationRequest request, const TTags* tags) {
  request.tags = tags ? *tags : tags_;
  if (!ChooseSaveFormat(request)) return false;
  std::string target = request.targetFileName;
  if (!RunOperation(std::move(request))) return false;
  // Read back on this thread once the save has ended.
  operationFile_ = std::move(target);
  return true;
}

bool Twavefile::ChooseSaveFormat(TOperationRequest& request) {
  const std::optional<TSaveFormat> format = SaveFormatOf(request.targetFileName);
  if (!format) {
    Refuse(ConstantText("unknownsaveformat", "%s", request.targetFileName));
    return false;
  }
  switch (*format) {
    case TSaveFormat::wav:
      request.operation = opSaveWav;
      break;
    case TSaveFormat::mp3: {
      std::optional<TMp3Choice> choice =
          OnAskMp3Settings ? OnAskMp3Settings(state_->sampleRate) : TMp3Choice{};
      if (!choice) return false;
      request.mp3Config = MakeMp3Config(*choice, state_->sampleRate, state_->channels);
      request.keepMp3Frames = choice->keepFrames;
      request.operation = opSaveMp3;
      break;
    }
    case TSaveFormat::flac:
      request.operation = opSaveFlac;
      break;
    case TSaveFormat::vorbis:
      if (!AskQuality(OnAskVorbisQuality, kVorbisQualityMin, kVorbisQualityMax,
                      request.vorbisQuality))
        return false;
      request.operation = opSaveVorbis;
      break;
    case TSaveFormat::opus:
      if (!AskQuality(OnAskOpusBitrate, kOpusBitrateMin, kOpusBitrateMax, request.opusBitrate))
        return false;
      request.operation = opSaveOpus;
      break;
  }
  return true;
}

bool Twavefile::AskQuality(const std::function<std::optional<int>()>& ask, int min, int max,
                           int& value) {
  if (!ask) return true;  // the request carries the default
  std::optional<int> chosen = ask();
  if (!chosen) return false;
  if (*chosen < min || *chosen > max) {
    Refuse(ConstantText("settingoutside",
                        {std::to_string(*chosen), std::to_string(min), std::to_string(max)}));
    return false;
  }
  value = *chosen;
  return true;
}

}  // namespace quillon

namespace quillon {

bool Twavefile::ApplyGain(TGainPlanner planner) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || !planner) return false;
  TOperationRequest request = MakeRequest(opApplyGain);
  request.planGain = std::move(planner);
  return RunOperation(std::move(request));
}

bool Twavefile::ToMono(TMonoMix mix) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || state_->channels < 2) return false;
  TOperationRequest request = MakeRequest(opToMono);
  request.monoMix = mix;
  return RunOperation(std::move(request));
}

bool Twavefile::ToStereo() {
  QUILLON_MAIN_THREAD_ONLY();
  return !busy_ && loaded_ && state_->channels == 1 && RunOperation(MakeRequest(opToStereo));
}

bool Twavefile::SwapChannels() {
  QUILLON_MAIN_THREAD_ONLY();
  return !busy_ && loaded_ && state_->channels == 2 && RunOperation(MakeRequest(opSwapChannels));
}

bool Twavefile::ChangeSampleRate(uint32_t rate, bool dither) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || rate < kMinSampleRate || rate > kMaxSampleRate ||
      rate == state_->sampleRate)
    return false;
  TOperationRequest request = MakeRequest(opResample);
  request.newSampleRate = rate;
  request.dither = dither;
  return RunOperation(std::move(request));
}

}  // namespace quillon
