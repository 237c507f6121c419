#include "codecs/pastedfile.h"

#include <new>
#include <optional>

#include "codecs/bassdecoder.h"
#include "codecs/clipformat.h"
#include "platform/error.h"
#include "platform/filemapping.h"
#include "platform/filesystem.h"
#include "platform/tempfile.h"

namespace quillon {

namespace {

TFileClip Refusal(std::string text) {
  return TFileClip{{}, std::move(text)};
}

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

TFileClip TooLarge(const std::string& path, int64_t maxBytes) {
  return Refusal("The file " + Quoted(path) + " is too long to paste: its audio exceeds " +
                 std::to_string(maxBytes >> 20) + " MB. Open it instead.");
}

TFileClip NotAudio(const std::string& path) {
  return Refusal("The file " + Quoted(path) + " holds no audio that can be pasted.");
}

// The decoded working copy of the source; deleted with this.
struct TDecodedCopy {
  std::string path;
  ~TDecodedCopy() { DeleteFileIfExists(path); }
};

bool ConvertedSizeFits(const TBASSDecoder& decoder, uint16_t channels, uint32_t sampleRate,
                       int64_t maxBytes) {
  const double frames = static_cast<double>(decoder.BytesWritten()) / (2.0 * decoder.Channels()) *
                        sampleRate / decoder.SampleRate();
  return frames * channels * 2 <= static_cast<double>(maxBytes);
}

TFileClip Convert(const std::string& source, const std::string& decoded, uint16_t channels,
                  uint32_t sampleRate) {
  TFileMapping file = TFileMapping::OpenForReading(decoded);
  const uint64_t size = file.Size();
  void* view = file.MapView(0, size);
  std::optional<std::vector<int16_t>> samples;
  try {
    samples = ReadClipAudio(static_cast<const uint8_t*>(view), size, channels, sampleRate);
  } catch (...) {
    TFileMapping::UnmapView(view, size);
    throw;
  }
  TFileMapping::UnmapView(view, size);
  if (!samples) return NotAudio(source);
  return TFileClip{std::move(*samples), {}};
}

TFileClip ReadOneFile(const std::string& path, uint16_t channels, uint32_t sampleRate,
                      std::atomic<int32_t>& progress, const std::string& tempFolder,
                      int64_t maxBytes, const TCancelToken& cancel) {
  if (!FileExists(path)) return Refusal("The file " + Quoted(path) + " does not exist.");
  TDecodedCopy copy{MakeTempFileNameIn(tempFolder)};
  TBASSDecoder decoder(path, copy.path);
  decoder.SetCancel(cancel);
  // Opening mixes such a file down and says so; a paste could not say it.
  if (decoder.SourceChannels() > 2)
    return Refusal("The file " + Quoted(path) + " has " + std::to_string(decoder.SourceChannels()) +
                   " channels. Paste takes mono and stereo audio.");
  if (!decoder.Ready()) return NotAudio(path);
  if (auto estimate = decoder.EstimatedBytes(); estimate && *estimate > maxBytes)
    return TooLarge(path, maxBytes);
  if (!decoder.Decode(progress, maxBytes)) return NotAudio(path);
  if (decoder.BytesWritten() > maxBytes ||
      !ConvertedSizeFits(decoder, channels, sampleRate, maxBytes))
    return TooLarge(path, maxBytes);
  if (decoder.BytesWritten() == 0) return Refusal("The file " + Quoted(path) + " is empty.");
  return Convert(path, copy.path, channels, sampleRate);
}

}  // namespace

TFileClip ReadFileClip(const std::vector<std::string>& paths, uint16_t channels,
                       uint32_t sampleRate, std::atomic<int32_t>& progress,
                       const std::string& tempFolder, int64_t maxBytes,
                       const TCancelToken& cancel) {
  if (paths.empty()) return Refusal("The clipboard names no file.");
  if (paths.size() > 1)
    return Refusal("The clipboard names " + std::to_string(paths.size()) +
                   " files. Paste takes one audio file at a time.");
  try {
    return ReadOneFile(paths.front(), channels, sampleRate, progress, tempFolder, maxBytes, cancel);
  } catch (const EOSError& error) {
    return Refusal("The file " + Quoted(paths.front()) + " could not be pasted: " + error.what());
  } catch (const std::bad_alloc&) {
    return TooLarge(paths.front(), maxBytes);
  }
}

}  // namespace quillon
