#include "codecs/bassdecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "codecs/ffmpegapi.h"
#include "codecs/ffmpegutil.h"
#include "codecs/sampleconvert.h"
#include "codecs/wavheader.h"
#include "platform/filesystem.h"
#include "platform/filewriter.h"

namespace quillon {

namespace {

// Samples gathered before they go to the file and the index: large enough that per-call costs
// vanish, small enough to stay in cache.
constexpr size_t kChunkSamples = size_t{1} << 17;
// Big enough that the writer's thread makes few system calls.
constexpr size_t kWriterBuffer = size_t{1} << 20;
constexpr int kPcmPacketBytes = 1 << 16;
// A decoder that keeps failing while drained is given up on rather than polled forever.
constexpr int kMaxDrainErrors = 1000;

// The layout a frame or decoder reports, or the usual one for its channel count when it does
// not say which channels it carries.
AVChannelLayout LayoutOrDefault(const AVChannelLayout& layout) {
  AVChannelLayout result{};
  if (layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_copy(&result, &layout) < 0)
    av_channel_layout_default(&result, layout.nb_channels);
  return result;
}

bool IsPcm(AVCodecID id) {
  return id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

bool IsFloatFormat(AVSampleFormat format) {
  const AVSampleFormat packed = av_get_packed_sample_fmt(format);
  return packed == AV_SAMPLE_FMT_FLT || packed == AV_SAMPLE_FMT_DBL;
}

// The source's own resolution, from what the codec records and the samples its decoder gives.
TResolution ResolutionOf(const AVCodecParameters& par, AVSampleFormat decoded) {
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(par.codec_id);
  // Lossy codecs carry no sample resolution, whatever their decoders give: they are taken as
  // 16-bit sources.
  if (descriptor && (descriptor->props & AV_CODEC_PROP_LOSSY) &&
      !(descriptor->props & AV_CODEC_PROP_LOSSLESS))
    return {};
  TResolution resolution;
  resolution.isFloat = IsFloatFormat(decoded);
  int bits = par.bits_per_raw_sample;
  if (bits <= 0 && IsPcm(par.codec_id)) bits = par.bits_per_coded_sample;
  if (bits <= 0 && resolution.isFloat) bits = av_get_bytes_per_sample(decoded) * 8;
  if (bits >= 1 && bits <= 64) resolution.bits = static_cast<uint16_t>(bits);
  return resolution;
}

// The sample format of a decoder's output as the converter knows it; none for formats that go
// through swr.
std::optional<TSampleFormat> NativeFormat(AVSampleFormat format) {
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
      return TSampleFormat::u8;
    case AV_SAMPLE_FMT_S16:
      return TSampleFormat::s16;
    case AV_SAMPLE_FMT_S32:
      return TSampleFormat::s32;
    case AV_SAMPLE_FMT_S64:
      return TSampleFormat::s64;
    case AV_SAMPLE_FMT_FLT:
      return TSampleFormat::flt;
    case AV_SAMPLE_FMT_DBL:
      return TSampleFormat::dbl;
    default:
      return std::nullopt;
  }
}

// Opus always decodes at 48 kHz; its header records the rate the audio had before encoding.
// Rates outside what audio files use are taken for damage and ignored.
std::optional<int> OpusInputRate(const AVCodecParameters& par) {
  constexpr int kHeadSize = 19, kRateOffset = 12;
  constexpr uint32_t kMinRate = 1000, kMaxRate = 384000;
  if (par.codec_id != AV_CODEC_ID_OPUS || !par.extradata || par.extradata_size < kHeadSize ||
      std::memcmp(par.extradata, "OpusHead", 8) != 0)
    return std::nullopt;
  const uint32_t rate = ReadLE32(par.extradata + kRateOffset);
  if (rate < kMinRate || rate > kMaxRate) return std::nullopt;
  return static_cast<int>(rate);
}

// Whether swr can mix a source of this layout down to stereo (it knows no matrix for layouts
// without named channels beyond the standard ones).
bool CanMixToStereo(const AVChannelLayout& layout) {
  AVChannelLayout in = LayoutOrDefault(layout);
  AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
  SwrContext* swr = nullptr;
  int result = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_DBL, 48000, &in, AV_SAMPLE_FMT_DBL,
                                   48000, 0, nullptr);
  if (result >= 0) result = swr_init(swr);
  swr_free(&swr);
  av_channel_layout_uninit(&in);
  return result >= 0;
}

// The longest an MP3 of this many bytes can play: each frame takes at least the bytes of its
// version's lowest bitrate (32 kbit/s for MPEG-1, 8 for MPEG-2 and 2.5).
double Mp3SecondsAtMost(int64_t fileBytes, int rate) {
  const bool mpeg1 = rate >= 32000;
  const int64_t frameSamples = mpeg1 ? 1152 : 576;
  const int64_t leastFrameBytes = std::max<int64_t>(1, (mpeg1 ? 144000 * 32 : 72000 * 8) / rate);
  return static_cast<double>(fileBytes / leastFrameBytes + 1) * frameSamples / rate;
}

}  // namespace

// The open source with its decoder, the converter and the buffers reused across frames.
struct TBASSDecoder::Stream {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* swr = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int index = -1;

  // What swr was set up for: the input format, layout and rate.
  AVSampleFormat swrFormat = AV_SAMPLE_FMT_NONE;
  AVChannelLayout swrLayout{};
  int swrRate = 0;

  // The working copy's channel count and rate.
  int channels = 0;
  int rate = 0;
  // Opus at another rate than its recorded one: the working copy keeps the length that the
  // decoded frames have at the working copy's rate, whatever swr's filter adds or holds back.
  bool trimToDecoded = false;
  int decodedRate = 0;
  int64_t decodedFrames = 0;
  // Samples of the encoder's delay still to be skipped, counted down packet by packet.
  int64_t skipLeft = 0;
  std::vector<double> doubles;
  std::vector<int16_t> pending;
  size_t pendingCount = 0;

  ~Stream() {
    av_channel_layout_uninit(&swrLayout);
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&swr);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  int16_t* Reserve(size_t count) {
    if (pending.size() < pendingCount + count) pending.resize(pendingCount + count);
    return pending.data() + pendingCount;
  }

  // A frame at the output's rate and channel count in a format the converter knows: each
  // sample rounded once from its exact value.
  void ConvertNative(const AVFrame* f, TSampleFormat format);
  // Every other frame goes through swr to interleaved doubles, which hold any sample exactly.
  // Returns the samples appended to pending, or -1 when the frame is unusable.
  int64_t ConvertThroughSwr(const AVFrame* f);
  // With trimToDecoded: cuts or pads what is pending to the decoded length, written frames
  // included.
  void TrimToDecodedLength(int64_t framesWritten);
  // Drains samples swr holds back when it resamples.
  void FlushSwr();
  // FFmpeg's decoder takes the samples to skip at the start from every packet that tells what to
  // drop, and the packet that starts dropping the encoder's padding tells no skip: in an MP3 of
  // fewer than 47 frames and 576-sample frames it comes before the delay is skipped, and 529
  // samples of the delay stayed in front. The skip left goes with such a packet.
  void CarrySkip(AVPacket* p, AVRational timeBase);
  bool ConfigureSwr(AVSampleFormat format, const AVChannelLayout& inLayout, int inRate);
};

bool TBASSDecoder::Stream::ConfigureSwr(AVSampleFormat format, const AVChannelLayout& inLayout,
                                        int inRate) {
  FlushSwr();
  swr_free(&swr);
  av_channel_layout_uninit(&swrLayout);
  swrFormat = AV_SAMPLE_FMT_NONE;

  AVChannelLayout in = LayoutOrDefault(inLayout);
  AVChannelLayout out{};
  // With the same channel count the output takes the input's own layout, so that swr never
  // remixes, whatever order the source declares. Sources of more than two channels are mixed
  // down to stereo; a stream that changes its channel count midway is mixed to the count it
  // opened with.
  if (in.nb_channels == channels)
    av_channel_layout_copy(&out, &in);
  else
    av_channel_layout_default(&out, channels);
  int result =
      swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_DBL, rate, &in, format, inRate, 0, nullptr);
  // The matrix scaled so that no mix clips, as FFmpeg scales it for 16-bit output.
  if (result >= 0) result = av_opt_set_double(swr, "rematrix_maxval", 1.0, 0);
  if (result >= 0) result = swr_init(swr);
  av_channel_layout_uninit(&out);
  if (result < 0) {
    av_channel_layout_uninit(&in);
    swr_free(&swr);
    return false;
  }
  swrLayout = in;
  swrFormat = format;
  swrRate = inRate;
  return true;
}

void TBASSDecoder::Stream::FlushSwr() {
  if (!swr || swrRate == rate) return;
  int64_t delayed = swr_get_out_samples(swr, 0);
  if (delayed <= 0) return;
  doubles.resize(std::max(doubles.size(), static_cast<size_t>(delayed) * channels));
  uint8_t* out[1] = {reinterpret_cast<uint8_t*>(doubles.data())};
  int got = swr_convert(swr, out, static_cast<int>(delayed), nullptr, 0);
  if (got <= 0) return;
  size_t count = static_cast<size_t>(got) * channels;
  DoublesToSamples(doubles.data(), Reserve(count), count);
  pendingCount += count;
}

void TBASSDecoder::Stream::CarrySkip(AVPacket* p, AVRational timeBase) {
  size_t size = 0;
  uint8_t* side = av_packet_get_side_data(p, AV_PKT_DATA_SKIP_SAMPLES, &size);
  constexpr size_t kSkipFieldsBytes = 10;
  if (side && size >= kSkipFieldsBytes) {
    const uint32_t skip = ReadLE32(side);
    if (skip > 0)
      skipLeft = skip;
    else if (skipLeft > 0)
      WriteLE32(side, static_cast<uint32_t>(skipLeft));
  }
  // Without a packet's length the skip left is not known: FFmpeg's own count goes on alone.
  if (p->duration <= 0 || timeBase.den <= 0) {
    skipLeft = 0;
    return;
  }
  const int64_t samples = av_rescale_rnd(p->duration, int64_t{timeBase.num} * decodedRate,
                                         timeBase.den, AV_ROUND_NEAR_INF);
  skipLeft = std::max<int64_t>(0, skipLeft - samples);
}

void TBASSDecoder::Stream::ConvertNative(const AVFrame* f, TSampleFormat format) {
  const size_t frames = static_cast<size_t>(f->nb_samples);
  const size_t count = frames * channels;
  int16_t* out = Reserve(count);
  if (av_sample_fmt_is_planar(static_cast<AVSampleFormat>(f->format)) && channels > 1) {
    for (int c = 0; c < channels; ++c)
      ConvertSamples(format, f->extended_data[c], frames, out + c, static_cast<size_t>(channels));
  } else {
    ConvertSamples(format, f->extended_data[0], count, out, 1);
  }
  pendingCount += count;
}

void TBASSDecoder::Stream::TrimToDecodedLength(int64_t framesWritten) {
  const int64_t target = av_rescale_rnd(decodedFrames, rate, decodedRate, AV_ROUND_DOWN);
  const int64_t pendingFrames = static_cast<int64_t>(pendingCount) / channels;
  const int64_t wanted = std::max<int64_t>(0, target - framesWritten);
  if (wanted < pendingFrames) {
    pendingCount = static_cast<size_t>(wanted) * channels;
  } else if (wanted > pendingFrames) {
    // swr fell a sample or so short at the end: the last frame is held instead.
    const size_t missing = static_cast<size_t>(wanted - pendingFrames) * channels;
    const size_t step = static_cast<size_t>(channels);
    Reserve(missing);
    for (size_t at = pendingCount; at < pendingCount + missing; ++at)
      pending[at] = at >= step ? pending[at - step] : 0;
    pendingCount += missing;
  }
}

int64_t TBASSDecoder::Stream::ConvertThroughSwr(const AVFrame* f) {
  AVSampleFormat format = static_cast<AVSampleFormat>(f->format);
  int inRate = f->sample_rate > 0 ? f->sample_rate : rate;
  AVChannelLayout inLayout = LayoutOrDefault(f->ch_layout);
  bool same = swr && format == swrFormat && inRate == swrRate &&
              av_channel_layout_compare(&inLayout, &swrLayout) == 0;
  av_channel_layout_uninit(&inLayout);
  if (!same && !ConfigureSwr(format, f->ch_layout, inRate)) return -1;

  int capacity = swr_get_out_samples(swr, f->nb_samples);
  if (capacity <= 0) return 0;
  size_t doubleCount = static_cast<size_t>(capacity) * channels;
  if (doubles.size() < doubleCount) doubles.resize(doubleCount);
  uint8_t* out[1] = {reinterpret_cast<uint8_t*>(doubles.data())};
  int got =
      swr_convert(swr, out, capacity, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
  if (got <= 0) return got < 0 ? -1 : 0;
  size_t count = static_cast<size_t>(got) * channels;
  DoublesToSamples(doubles.data(), Reserve(count), count);
  pendingCount += count;
  return static_cast<int64_t>(count);
}

TBASSDecoder::TBASSDecoder(const std::string& sourcePath, const std::string& outputPath)
    : sourcePath_(sourcePath), outputPath_(outputPath) {
  // Damaged input is common and handled here.
  SilenceFFmpegLog();
  auto stream = std::make_unique<Stream>();
  if (OpenInputFile(&stream->format, sourcePath) < 0) return;
  if (avformat_find_stream_info(stream->format, nullptr) < 0) return;
  // WAV packets default to 4 KB; larger ones save an allocation and a frame per 4 KB. Set on
  // these demuxers alone, as other demuxers give the same option name other meanings.
  const char* demuxer = stream->format->iformat->name;
  if (std::strcmp(demuxer, "wav") == 0 || std::strcmp(demuxer, "w64") == 0)
    av_opt_set_int(stream->format->priv_data, "max_size", kPcmPacketBytes, 0);
  const AVCodec* decoder = nullptr;
  int index = av_find_best_stream(stream->format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (index < 0 || !decoder) return;
  stream->index = index;
  AVStream* audio = stream->format->streams[index];
  // Nothing but the audio stream is read: cover art and video cost no decoding.
  for (unsigned i = 0; i < stream->format->nb_streams; ++i)
    if (static_cast<int>(i) != index) stream->format->streams[i]->discard = AVDISCARD_ALL;

  stream->codec = avcodec_alloc_context3(decoder);
  if (!stream->codec) return;
  if (avcodec_parameters_to_context(stream->codec, audio->codecpar) < 0) return;
  stream->codec->pkt_timebase = audio->time_base;
  if (avcodec_open2(stream->codec, decoder, nullptr) < 0) return;
  stream->packet = av_packet_alloc();
  stream->frame = av_frame_alloc();
  if (!stream->packet || !stream->frame) return;

  const int sourceChannels = stream->codec->ch_layout.nb_channels;
  const int decodedRate = stream->codec->sample_rate;
  if (sourceChannels <= 0 || sourceChannels > UINT16_MAX || decodedRate <= 0) return;
  sourceChannels_ = static_cast<uint16_t>(sourceChannels);
  // The working copy and its index handle mono and stereo: more channels are mixed down.
  const int channels = std::min(sourceChannels, 2);
  channels_ = static_cast<uint16_t>(channels);
  const int rate = OpusInputRate(*audio->codecpar).value_or(decodedRate);
  sampleRate_ = rate;
  resolution_ = ResolutionOf(*audio->codecpar, stream->codec->sample_fmt);
  if (sourceChannels > 2 && !CanMixToStereo(stream->codec->ch_layout)) return;

  stream->channels = channels;
  stream->rate = rate;
  stream->decodedRate = decodedRate;
  stream->trimToDecoded = rate != decodedRate && audio->codecpar->codec_id == AV_CODEC_ID_OPUS;
  // Copied only where FFmpeg itself sees plain 16-bit PCM in the same layout.
  if (sourceChannels == channels && std::strcmp(demuxer, "wav") == 0 &&
      audio->codecpar->codec_id == AV_CODEC_ID_PCM_S16LE) {
    plainWav_ = ReadPlainWav(sourcePath);
    if (plainWav_ &&
        (plainWav_->channels != channels || plainWav_->sampleRate != static_cast<uint32_t>(rate)))
      plainWav_.reset();
  }
  filter_ = std::make_unique<TFilter>(channels);
  // Kept from the start: Decode releases the stream, and the caller may ask while it runs.
  estimatedBytes_ = EstimateBytes(*stream);
  stream_ = std::move(stream);
  ready_ = true;
}

TBASSDecoder::~TBASSDecoder() = default;

std::optional<int64_t> TBASSDecoder::EstimatedBytes() const {
  return estimatedBytes_;
}

std::optional<int64_t> TBASSDecoder::EstimateBytes(const Stream& stream) const {
  double seconds = -1;
  const AVFormatContext* format = stream.format;
  const AVStream* audio = format->streams[stream.index];
  if (format->duration != AV_NOPTS_VALUE && format->duration >= 0)
    seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
  else if (audio->duration != AV_NOPTS_VALUE && audio->duration >= 0 && audio->time_base.den > 0)
    seconds = static_cast<double>(audio->duration) * av_q2d(audio->time_base);
  if (!(seconds >= 0)) return std::nullopt;
  // An MP3's duration is its Xing header's frame count when it has one: a count of more frames
  // than the file could hold is damage, and tells nothing.
  const int64_t fileBytes = format->pb ? avio_size(format->pb) : -1;
  if (audio->codecpar->codec_id == AV_CODEC_ID_MP3 && fileBytes > 0 && sampleRate_ > 0 &&
      seconds > Mp3SecondsAtMost(fileBytes, sampleRate_))
    return std::nullopt;
  double frames = std::round(seconds * sampleRate_);
  // A container may claim anything; a duration beyond any real file tells nothing.
  if (!(frames < 1e15)) return std::nullopt;
  return static_cast<int64_t>(frames) * channels_ * 2;
}

bool TBASSDecoder::DecodeByCopy(std::atomic<int32_t>& progress) {
  stream_.reset();
  try {
    bytesWritten_ = CopyPlainWav(sourcePath_, *plainWav_, outputPath_, *filter_, progress, cancel_);
  } catch (...) {
    DeleteFileIfExists(outputPath_);
    progress = 0;
    throw;
  }
  copied_ = true;
  progress = 0;
  return true;
}

bool TBASSDecoder::Decode(std::atomic<int32_t>& progress, int64_t stopAfterBytes) {
  progress = 0;
  if (!stream_) return false;
  // Over the limit, the decoder's own early stop decides what is written.
  if (copyAllowed_ && plainWav_ && static_cast<int64_t>(plainWav_->dataBytes) <= stopAfterBytes)
    return DecodeByCopy(progress);
  // The source is read once; whatever happens, it is closed with the output.
  std::unique_ptr<Stream> s = std::move(stream_);

  std::optional<TFileWriter> writer;
  writer.emplace(outputPath_, kWriterBuffer);
  try {
    TWavHeader header = MakeWavHeader(channels_, static_cast<uint32_t>(sampleRate_), 0);
    WriteLE32(header.data() + 4, 0);
    WriteLE32(header.data() + 40, 0);
    writer->Write(header.data(), header.size());

    AVIOContext* pb = s->format->pb;
    const int64_t inputSize = pb ? avio_size(pb) : -1;
    int32_t shown = 0;
    s->pending.resize(kChunkSamples);

    auto flush = [&] {
      // In chunk-sized pieces, as one oversized frame may have grown the buffer.
      for (size_t at = 0; at < s->pendingCount; at += kChunkSamples) {
        size_t count = std::min(kChunkSamples, s->pendingCount - at);
        int32_t bytes = static_cast<int32_t>(count * 2);
        writer->Write(s->pending.data() + at, count * 2);
        bytesWritten_ += bytes;
        filter_->AddSamples(s->pending.data() + at, bytes);
      }
      s->pendingCount = 0;
    };
    // Flushes once a chunk is full, or early enough that the size limit is noticed at once.
    auto flushIfDue = [&] {
      int64_t pendingBytes = static_cast<int64_t>(s->pendingCount) * 2;
      if (s->pendingCount >= kChunkSamples || bytesWritten_ + pendingBytes > stopAfterBytes)
        flush();
    };
    auto stopped = [&] { return bytesWritten_ > stopAfterBytes; };

    auto takeFrame = [&](const AVFrame* f) {
      if (f->nb_samples <= 0) return;
      std::optional<TSampleFormat> native = NativeFormat(static_cast<AVSampleFormat>(f->format));
      int frameRate = f->sample_rate > 0 ? f->sample_rate : s->rate;
      if (native && f->ch_layout.nb_channels == s->channels && frameRate == s->rate)
        s->ConvertNative(f, *native);
      else if (s->ConvertThroughSwr(f) < 0)
        return;  // a frame swr cannot take is dropped like a corrupt packet
      s->decodedFrames += f->nb_samples;
      flushIfDue();
    };

    // Takes every frame the decoder has ready. Errors belong to single packets and only lose
    // those packets.
    auto drain = [&] {
      int errors = 0;
      while (!stopped()) {
        int result = avcodec_receive_frame(s->codec, s->frame);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        if (result < 0) {
          if (++errors > kMaxDrainErrors) return;
          continue;
        }
        takeFrame(s->frame);
        av_frame_unref(s->frame);
      }
    };

    while (!stopped()) {
      cancel_.ThrowIfCancelled();
      // Any read failure ends the input, as a truncated file simply ends.
      if (av_read_frame(s->format, s->packet) < 0) break;
      if (s->packet->stream_index == s->index) {
        s->CarrySkip(s->packet, s->format->streams[s->index]->time_base);
        // A packet the decoder rejects as corrupt is skipped; one it cannot take yet is retried
        // once its pending frames are out.
        if (avcodec_send_packet(s->codec, s->packet) == AVERROR(EAGAIN)) {
          drain();
          avcodec_send_packet(s->codec, s->packet);
        }
        drain();
      }
      av_packet_unref(s->packet);
      if (inputSize > 0) {
        double share =
            static_cast<double>(avio_seek(pb, 0, SEEK_CUR)) / static_cast<double>(inputSize) * 100;
        int32_t now = static_cast<int32_t>(std::clamp(share, 0.0, 100.0));
        if (now != shown) progress = shown = now;
      }
    }
    if (!stopped()) {
      avcodec_send_packet(s->codec, nullptr);
      drain();
      s->FlushSwr();
      if (s->trimToDecoded) s->TrimToDecodedLength(bytesWritten_ / (2 * s->channels));
    }
    flush();

    uint64_t size = writer->Position();
    uint8_t field[4];
    // Beyond 4 GiB the fields wrap; the caller refuses such files by their size.
    WriteLE32(field, static_cast<uint32_t>(size - 8));
    writer->WriteAt(4, field, 4);
    WriteLE32(field, static_cast<uint32_t>(size - kWavHeaderSize));
    writer->WriteAt(40, field, 4);
    writer->Close();
  } catch (...) {
    writer.reset();
    DeleteFileIfExists(outputPath_);
    progress = 0;
    throw;
  }
  progress = 0;
  return true;
}

}  // namespace quillon
