#include "codecs/openrefusal.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "codecs/ffmpegapi.h"
#include "codecs/ffmpegutil.h"
#include "localization/constants.h"

namespace quillon {

namespace {

// Closes the input however the diagnosis ends.
struct TInput {
  AVFormatContext* format = nullptr;
  ~TInput() { avformat_close_input(&format); }
};

}  // namespace

std::string OpenRefusalReason(const std::string& path) {
  // FFmpeg opens a folder and then fails to read it with a less direct text.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
  SilenceFFmpegLog();
  TInput input;
  if (int code = OpenInputFile(&input.format, path); code < 0) return AvErrorText(code);
  if (int code = avformat_find_stream_info(input.format, nullptr); code < 0)
    return AvErrorText(code);
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(input.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (index == AVERROR_DECODER_NOT_FOUND || (index >= 0 && !decoder)) {
    for (unsigned i = 0; i < input.format->nb_streams; ++i) {
      const AVCodecParameters* stream = input.format->streams[i]->codecpar;
      if (stream->codec_type == AVMEDIA_TYPE_AUDIO)
        return ConstantText("nodecoder") + " " + avcodec_get_name(stream->codec_id);
    }
  }
  if (index < 0) return ConstantText("noaudiostream");
  return {};
}

}  // namespace quillon
