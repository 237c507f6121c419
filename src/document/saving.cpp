// Saving the document, or a range of it, as WAV or MP3.
#include <algorithm>
#include <cctype>
#include <vector>

#include "codecs/mp3maker.h"
#include "document/wavfile.h"
#include "platform/replacementfile.h"

namespace quillon {

namespace {

std::string LowerExtension(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// Progress steps of an export: whole chunks of 16384 samples, at most about a hundred steps.
uint64_t ExportStep(uint64_t total) {
  constexpr uint64_t kChunk = 16384;
  return std::max(kChunk, (total / 100 + kChunk - 1) / kChunk * kChunk);
}

int32_t Percent(uint64_t done, uint64_t total) {
  return total ? static_cast<int32_t>(done * 100 / total) : 0;
}

}  // namespace

bool IsSaveableTarget(const std::string& path) {
  std::string extension = LowerExtension(path);
  return extension == ".wav" || extension == ".mp3";
}

bool Twavefile::Save() {
  if (busy_ || !loaded_) return false;
  targetFileName_ = fileName_;
  rangeStart_ = 0;
  rangeStop_ = static_cast<int32_t>(frameCount_);
  savingWhole_ = true;
  return StartSave();
}

bool Twavefile::SaveSelection(const std::string& path, int64_t start, int64_t stop) {
  if (busy_ || !loaded_ || !CheckRange(start, stop)) return false;
  targetFileName_ = path;
  rangeStart_ = static_cast<int32_t>(start);
  rangeStop_ = static_cast<int32_t>(stop);
  savingWhole_ = false;
  return StartSave();
}

bool Twavefile::StartSave() {
  std::string extension = LowerExtension(targetFileName_);
  if (extension == ".mp3") {
    std::optional<TMp3Choice> choice =
        OnAskMp3Settings ? OnAskMp3Settings(sampleRate_) : TMp3Choice{};
    if (!choice) return false;
    mp3Config_ = MakeMp3Config(*choice, sampleRate_, channels_);
    return Request(opSaveMp3);
  }
  if (extension == ".wav") return Request(opSaveWav);
  return false;
}

void Twavefile::DoSaveWav() {
  const uint64_t k = channels_, first = rangeStart_ * k;
  const uint64_t total = (rangeStop_ - rangeStart_) * k;
  TWavHeader header = header_;
  SetWavDataSize(header, static_cast<uint32_t>(total * 2));
  progress_ = 0;
  TReplacementFile output(targetFileName_);
  {
    TLargeFile store(output.Path(), true, total * 2 + kWavHeaderSize, output.Folder());
    store.WriteHeader(header);
    const uint64_t step = ExportStep(total);
    for (uint64_t done = 0; done < total; done += step) {
      progress_.store(Percent(done, total), std::memory_order_relaxed);
      store.CopyFrom(*samples_, static_cast<uint32_t>(first + done), static_cast<uint32_t>(done),
                     static_cast<int64_t>(std::min(step, total - done)));
    }
  }
  output.Commit();
  progress_ = 0;
}

void Twavefile::DoSaveMp3() {
  const uint64_t k = channels_, first = rangeStart_ * k;
  const uint64_t total = (rangeStop_ - rangeStart_) * k;
  progress_ = 0;
  TReplacementFile output(targetFileName_);
  uint32_t chunk = 0;
  MP3writer writer(output.Path(), chunk, mp3Config_);
  std::vector<int16_t> buffer(std::max<uint32_t>(chunk, 1));
  const uint64_t chunks = chunk ? total / chunk : 0;
  const uint64_t rest = total - chunks * chunk;
  for (uint64_t j = 0; j < chunks; ++j) {
    progress_.store(Percent(j, chunks), std::memory_order_relaxed);
    samples_->ReadSamples(buffer.data(), static_cast<uint32_t>(first + j * chunk),
                          static_cast<uint32_t>(first + j * chunk + chunk - 1));
    writer.EncodeChunk(buffer.data(), chunk * 2);
  }
  if (rest > 0)
    samples_->ReadSamples(buffer.data(), static_cast<uint32_t>(first + chunks * chunk),
                          static_cast<uint32_t>(first + chunks * chunk + rest - 1));
  // The last chunk goes to the encoder even when it is empty.
  writer.EncodeChunk(buffer.data(), static_cast<uint32_t>(rest * 2));
  writer.Finish();
  output.Commit();
  progress_ = 0;
}

}  // namespace quillon
