#include "codecs/ffmpegutil.h"

#include "codecs/ffmpegapi.h"
#include "codecs/infoframe.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace quillon {

namespace {

constexpr int64_t kLargeTagBytes = 1 << 20;
constexpr size_t kId3HeaderBytes = 10;
// Enough for a frame header, the largest side information and the tag's name.
constexpr size_t kInfoFrameProbeBytes = 64;

// The whole length of an ID3v2 tag from its header, footer included; 0 when it is none.
int64_t Id3TagBytes(const std::array<uint8_t, kId3HeaderBytes>& h) {
  if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF) return 0;
  int64_t size = 0;
  for (size_t i = 6; i < 10; ++i) {
    if (h[i] & 0x80) return 0;  // not a synchsafe size
    size = (size << 7) | h[i];
  }
  const bool footer = (h[5] & 0x10) != 0;
  return static_cast<int64_t>(kId3HeaderBytes) + size + (footer ? 10 : 0);
}

}  // namespace

void SilenceFFmpegLog() {
  static std::once_flag quietLog;
  std::call_once(quietLog, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

int64_t LargeLeadingTagBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<uint8_t, kId3HeaderBytes> header{};
  if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return 0;
  const int64_t tag = Id3TagBytes(header);
  std::error_code error;
  const auto fileBytes = std::filesystem::file_size(path, error);
  // A tag that claims more than the file holds is left to FFmpeg, which stops at the end.
  if (tag <= kLargeTagBytes || error || static_cast<uint64_t>(tag) > fileBytes) return 0;
  return tag;
}

bool StartsAsMp3(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<uint8_t, kId3HeaderBytes> header{};
  if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return false;
  in.seekg(Id3TagBytes(header));
  std::array<uint8_t, kInfoFrameProbeBytes> start{};
  in.read(reinterpret_cast<char*>(start.data()), start.size());
  return StartsWithInfoFrame(start.data(), static_cast<size_t>(in.gcount()));
}

int OpenInputFile(AVFormatContext** format, const std::string& path) {
  AVDictionary* options = nullptr;
  if (const int64_t skip = LargeLeadingTagBytes(path))
    av_dict_set_int(&options, "skip_initial_bytes", skip, 0);
  const AVInputFormat* known = StartsAsMp3(path) ? av_find_input_format("mp3") : nullptr;
  const int result = avformat_open_input(format, path.c_str(), known, &options);
  av_dict_free(&options);
  return result;
}

}  // namespace quillon
