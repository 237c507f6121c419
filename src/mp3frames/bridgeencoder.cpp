#include "mp3frames/bridgeencoder.h"

#include <lame/lame.h>

#include <memory>

namespace quillon {

namespace {

// A decoder gives an encoder's input sample i at its output sample i + delay + 529.
constexpr int64_t kDecoderDelay = 529;
// Frames encoded ahead of the kept ones, so that the kept ones' analysis sees real signal: two
// frames of 1152 samples, four of 576.
constexpr int64_t kWarmUpSamples = 2304;

struct TLameCloser {
  void operator()(lame_global_flags* gf) const { lame_close(gf); }
};

MPEG_mode LameMode(uint8_t channelMode) {
  switch (channelMode) {
    case 0:
      return STEREO;
    case 1:
      return JOINT_STEREO;
    case 2:
      return DUAL_CHANNEL;
    default:
      return MONO;
  }
}

// Splits LAME's output into frames; stops at anything that is not one.
void SplitFrames(const std::vector<uint8_t>& bytes, std::vector<TBridgeFrame>& out) {
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    std::optional<TMp3Header> header = ParseMp3Header(bytes.data() + at, bytes.size() - at);
    if (!header || at + header->frameBytes > bytes.size()) return;
    std::optional<TSideInfo> side = ParseSideInfo(*header, bytes.data() + at, header->frameBytes);
    // Without the reservoir every frame's main data starts in the frame and fits it.
    if (!side || side->mainDataBegin != 0 || side->mainDataBytes > header->PayloadBytes()) return;
    TBridgeFrame frame;
    frame.header = *header;
    const uint8_t* p = bytes.data() + at;
    frame.head.assign(p, p + header->PayloadOffset());
    frame.mainData.assign(p + header->PayloadOffset(),
                          p + header->PayloadOffset() + side->mainDataBytes);
    out.push_back(std::move(frame));
    at += header->frameBytes;
  }
}

}  // namespace

std::vector<TBridgeFrame> EncodeBridge(const TMp3Header& format, uint32_t bitrate,
                                       int64_t firstSample, uint64_t frameCount,
                                       const TDocumentReader& read) {
  std::unique_ptr<lame_global_flags, TLameCloser> gf(lame_init());
  if (!gf) return {};
  const int channels = format.Channels();
  lame_set_num_channels(gf.get(), channels);
  lame_set_in_samplerate(gf.get(), static_cast<int>(format.sampleRate));
  lame_set_out_samplerate(gf.get(), static_cast<int>(format.sampleRate));
  lame_set_mode(gf.get(), LameMode(format.channelMode));
  lame_set_VBR(gf.get(), vbr_off);
  lame_set_brate(gf.get(), static_cast<int>(bitrate));
  lame_set_error_protection(gf.get(), format.crc ? 1 : 0);
  lame_set_disable_reservoir(gf.get(), 1);
  lame_set_bWriteVbrTag(gf.get(), 0);
  if (lame_init_params(gf.get()) < 0) return {};
  const int64_t spf = format.SamplesPerFrame();
  const int64_t warmUpFrames = kWarmUpSamples / spf;
  const int64_t latency = lame_get_encoder_delay(gf.get()) + kDecoderDelay;
  // LAME's output frame warmUpFrames + m is to decode as the file's frame whose first sample is
  // firstSample + m * spf: its input starts that much earlier.
  const int64_t inputStart = firstSample - warmUpFrames * spf + latency;
  const int64_t inputEnd = firstSample + static_cast<int64_t>(frameCount) * spf + latency + spf;
  constexpr int64_t kPiece = 8192;
  std::vector<int16_t> samples(static_cast<size_t>(kPiece) * channels);
  std::vector<uint8_t> output;
  std::vector<uint8_t> buffer(static_cast<size_t>(kPiece * 5 / 4 + 7200));
  std::vector<TBridgeFrame> frames;
  const size_t wanted = static_cast<size_t>(warmUpFrames) + frameCount;
  for (int64_t at = inputStart; at < inputEnd; at += kPiece) {
    const int64_t count = std::min(kPiece, inputEnd - at);
    read(at, static_cast<uint64_t>(count), samples.data());
    const int got =
        channels == 1
            ? lame_encode_buffer(gf.get(), samples.data(), samples.data(), static_cast<int>(count),
                                 buffer.data(), static_cast<int>(buffer.size()))
            : lame_encode_buffer_interleaved(gf.get(), samples.data(), static_cast<int>(count),
                                             buffer.data(), static_cast<int>(buffer.size()));
    if (got < 0) return {};
    output.insert(output.end(), buffer.begin(), buffer.begin() + got);
  }
  const int got = lame_encode_flush(gf.get(), buffer.data(), static_cast<int>(buffer.size()));
  if (got < 0) return {};
  output.insert(output.end(), buffer.begin(), buffer.begin() + got);
  SplitFrames(output, frames);
  if (frames.size() < wanted) return {};
  frames.erase(frames.begin(), frames.begin() + warmUpFrames);
  frames.resize(frameCount);
  return frames;
}

}  // namespace quillon
