#include "codecs/encodedwriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

#include "codecs/ffmpegapi.h"
#include "codecs/ffmpegutil.h"
#include "codecs/saveerrors.h"
#include "codecs/wavheader.h"
#include "platform/error.h"
#include "platform/filewriter.h"

namespace quillon {

namespace {

constexpr int kIoBufferBytes = 1 << 16;
// Encoders that take frames of any size are fed this many at a time.
constexpr int kVariableFrameSize = 4096;
constexpr int kFlacCompressionLevel = 5;

struct TEncoderNames {
  const char* encoder;
  const char* muxer;
  const char* title;
};

TEncoderNames NamesOf(TSaveFormat format) {
  switch (format) {
    case TSaveFormat::flac:
      return {"flac", "flac", "FLAC"};
    case TSaveFormat::vorbis:
      return {"libvorbis", "ogg", "Ogg Vorbis"};
    case TSaveFormat::opus:
      return {"libopus", "opus", "Opus"};
    default:
      throw Exception("This writer does not encode WAV or MP3.");
  }
}

// 16-bit interleaved when the encoder takes it (no conversion at all), else its first format.
AVSampleFormat SampleFormatFor(const AVCodec& encoder) {
  const AVSampleFormat* formats = encoder.sample_fmts;
  if (formats == nullptr) return AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* f = formats; *f != AV_SAMPLE_FMT_NONE; ++f)
    if (*f == AV_SAMPLE_FMT_S16) return *f;
  return formats[0];
}

// The Opus header records the rate the audio had before it was resampled to 48 kHz (Opus's
// input sample rate, little-endian at byte 12), so that the file reopens at the document's rate.
// The encoder records its own 48 kHz there.
void RecordOpusInputRate(AVCodecParameters& par, uint32_t sampleRate) {
  constexpr int kHeadSize = 19, kRateOffset = 12;
  if (par.extradata_size < kHeadSize || std::memcmp(par.extradata, "OpusHead", 8) != 0)
    throw Exception("The Opus encoder gave no header to record the sample rate in.");
  WriteLE32(par.extradata + kRateOffset, sampleRate);
}

}  // namespace

struct EncodedWriter::Impl {
  std::unique_ptr<TFileWriter> file;
  // Where the muxer writes next; below the file's end after it seeks back to a header.
  uint64_t position = 0;
  // The file writer's failure, kept while FFmpeg unwinds with an error code.
  std::exception_ptr failure;

  AVFormatContext* format = nullptr;
  AVIOContext* io = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  SwrContext* swr = nullptr;
  AVAudioFifo* fifo = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  std::vector<uint8_t> converted;
  std::vector<uint8_t*> planes;
  int frameSize = 0;
  int64_t nextPts = 0;
  // Frames given to Write, at the document's rate.
  int64_t framesIn = 0;
  int inRate = 0;
  bool ogg = false;
  bool finished = false;

  ~Impl() {
    av_packet_free(&packet);
    av_frame_free(&frame);
    if (fifo) av_audio_fifo_free(fifo);
    swr_free(&swr);
    avcodec_free_context(&codec);
    if (format) avformat_free_context(format);
    if (io) av_freep(&io->buffer);
    avio_context_free(&io);
  }

  void Open(TSaveFormat saveFormat, int quality, uint16_t channels, uint32_t sampleRate);
  void OpenEncoder(const AVCodec& encoder, TSaveFormat saveFormat, int quality, uint16_t channels,
                   uint32_t sampleRate, const char* title);
  void OpenConverter(uint16_t channels, uint32_t sampleRate);
  uint8_t** Scratch(int count);
  void Queue(const uint8_t* const* data, int count);
  void Convert(const int16_t* samples, int count);
  void SendFrames(bool last);
  void PadToLength();
  void Send(const AVFrame* f);
  void Check(int code, const char* constant, const std::string& detail = {});

  void WriteAtPosition(const uint8_t* data, size_t bytes);
  static int WritePacket(void* opaque, uint8_t* data, int bytes);
  static int64_t Seek(void* opaque, int64_t offset, int whence);
};

// A write's own failure (a full disk above all) explains an FFmpeg error better than its code.
void EncodedWriter::Impl::Check(int code, const char* constant, const std::string& detail) {
  if (code >= 0) return;
  if (failure) std::rethrow_exception(failure);
  ThrowSaveError(constant, (detail.empty() ? "" : detail + " ") + "(" + AvErrorText(code) + ")");
}

void EncodedWriter::Impl::WriteAtPosition(const uint8_t* data, size_t bytes) {
  const uint64_t end = file->Position();
  if (position > end) throw EOSError(EINVAL);
  const size_t over = static_cast<size_t>(std::min<uint64_t>(bytes, end - position));
  if (over > 0) file->WriteAt(position, data, over);
  if (bytes > over) file->Write(data + over, bytes - over);
  position += bytes;
}

int EncodedWriter::Impl::WritePacket(void* opaque, uint8_t* data, int bytes) {
  auto* m = static_cast<Impl*>(opaque);
  try {
    m->WriteAtPosition(data, static_cast<size_t>(bytes));
    return bytes;
  } catch (const EOSError& error) {
    if (!m->failure) m->failure = std::make_exception_ptr(WriteError(error));
  } catch (...) {
    if (!m->failure) m->failure = std::current_exception();
  }
  return AVERROR(EIO);
}

int64_t EncodedWriter::Impl::Seek(void* opaque, int64_t offset, int whence) {
  auto* m = static_cast<Impl*>(opaque);
  const int64_t end = static_cast<int64_t>(m->file->Position());
  int64_t target = offset;
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return end;
    case SEEK_SET:
      break;
    case SEEK_CUR:
      target += static_cast<int64_t>(m->position);
      break;
    case SEEK_END:
      target += end;
      break;
    default:
      return AVERROR(EINVAL);
  }
  // The file is written front to back: a seek may go back over what is there, never past it.
  if (target < 0 || target > end) return AVERROR(EINVAL);
  m->position = static_cast<uint64_t>(target);
  return target;
}

void EncodedWriter::Impl::OpenEncoder(const AVCodec& encoder, TSaveFormat saveFormat, int quality,
                                      uint16_t channels, uint32_t sampleRate, const char* title) {
  codec = avcodec_alloc_context3(&encoder);
  if (!codec) Check(AVERROR(ENOMEM), "encodingerror");
  codec->sample_fmt = SampleFormatFor(encoder);
  av_channel_layout_default(&codec->ch_layout, channels);
  codec->sample_rate =
      saveFormat == TSaveFormat::opus ? kOpusSampleRate : static_cast<int>(sampleRate);
  codec->time_base = AVRational{1, codec->sample_rate};
  if (saveFormat == TSaveFormat::flac) codec->compression_level = kFlacCompressionLevel;
  if (saveFormat == TSaveFormat::vorbis) {
    codec->flags |= AV_CODEC_FLAG_QSCALE;
    codec->global_quality = quality * FF_QP2LAMBDA;
  }
  if (saveFormat == TSaveFormat::opus) codec->bit_rate = int64_t{quality} * 1000;
  if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Check(avcodec_open2(codec, &encoder, nullptr), "encoderrefused",
        std::string(title) + ", " + std::to_string(sampleRate) + " Hz, " +
            std::to_string(channels) + (channels == 1 ? " channel" : " channels"));
  frameSize = codec->frame_size > 0 && !(encoder.capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)
                  ? codec->frame_size
                  : kVariableFrameSize;
}

void EncodedWriter::Impl::OpenConverter(uint16_t channels, uint32_t sampleRate) {
  const int rate = static_cast<int>(sampleRate);
  if (codec->sample_fmt != AV_SAMPLE_FMT_S16 || codec->sample_rate != rate) {
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    int code = swr_alloc_set_opts2(&swr, &codec->ch_layout, codec->sample_fmt, codec->sample_rate,
                                   &layout, AV_SAMPLE_FMT_S16, rate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    Check(code, "encodingerror");
    Check(swr_init(swr), "encodingerror");
  }
  fifo = av_audio_fifo_alloc(codec->sample_fmt, channels, frameSize * 2);
  frame = av_frame_alloc();
  packet = av_packet_alloc();
  if (!fifo || !frame || !packet) Check(AVERROR(ENOMEM), "encodingerror");
}

void EncodedWriter::Impl::Open(TSaveFormat saveFormat, int quality, uint16_t channels,
                               uint32_t sampleRate) {
  SilenceFFmpegLog();
  const TEncoderNames names = NamesOf(saveFormat);
  const AVCodec* encoder = avcodec_find_encoder_by_name(names.encoder);
  if (!encoder) ThrowSaveError("encodermissing", names.encoder);
  Check(avformat_alloc_output_context2(&format, nullptr, names.muxer, nullptr), "encodermissing",
        names.muxer);
  inRate = static_cast<int>(sampleRate);
  ogg = saveFormat != TSaveFormat::flac;
  OpenEncoder(*encoder, saveFormat, quality, channels, sampleRate, names.title);
  stream = avformat_new_stream(format, nullptr);
  if (!stream) Check(AVERROR(ENOMEM), "encodingerror");
  Check(avcodec_parameters_from_context(stream->codecpar, codec), "encodingerror");
  if (saveFormat == TSaveFormat::opus) RecordOpusInputRate(*stream->codecpar, sampleRate);
  stream->time_base = codec->time_base;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
  io = buffer ? avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, WritePacket, Seek)
              : nullptr;
  if (!io) {
    av_free(buffer);
    Check(AVERROR(ENOMEM), "encodingerror");
  }
  format->pb = io;
  Check(avformat_write_header(format, nullptr), "encodingerror");
  OpenConverter(channels, sampleRate);
}

void EncodedWriter::Impl::Queue(const uint8_t* const* data, int count) {
  if (count <= 0) return;
  void* const* planesIn = reinterpret_cast<void* const*>(const_cast<uint8_t* const*>(data));
  if (av_audio_fifo_write(fifo, const_cast<void**>(planesIn), count) < count)
    Check(AVERROR(ENOMEM), "encodingerror");
}

// Room for count samples in the encoder's format, reused across calls; one pointer a plane.
uint8_t** EncodedWriter::Impl::Scratch(int count) {
  const int channels = codec->ch_layout.nb_channels;
  int lineSize = 0;
  const int bytes = av_samples_get_buffer_size(&lineSize, channels, count, codec->sample_fmt, 1);
  Check(bytes, "encodingerror");
  if (converted.size() < static_cast<size_t>(bytes)) converted.resize(static_cast<size_t>(bytes));
  planes.resize(static_cast<size_t>(channels));
  Check(av_samples_fill_arrays(planes.data(), &lineSize, converted.data(), channels, count,
                               codec->sample_fmt, 1),
        "encodingerror");
  return planes.data();
}

// samples null: the resampler's last samples.
void EncodedWriter::Impl::Convert(const int16_t* samples, int count) {
  const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
  if (!swr) return Queue(in, count);
  const int capacity = swr_get_out_samples(swr, count);
  if (capacity <= 0) return;
  uint8_t** out = Scratch(capacity);
  const int got = swr_convert(swr, out, capacity, samples ? in : nullptr, samples ? count : 0);
  Check(got, "encodingerror");
  Queue(out, got);
}

void EncodedWriter::Impl::Send(const AVFrame* f) {
  Check(avcodec_send_frame(codec, f), "encodingerror");
  for (;;) {
    const int code = avcodec_receive_packet(codec, packet);
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return;
    Check(code, "encodingerror");
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    Check(av_interleaved_write_frame(format, packet), "encodingerror");
  }
}

// The resampler may hold back or drop the last fraction of a frame; what it delivered is padded
// with silence to the length the input has at the encoder's rate, so that no sample is lost and
// a frame or two at another rate still give one Opus sample.
void EncodedWriter::Impl::PadToLength() {
  const int64_t expected = av_rescale_rnd(framesIn, codec->sample_rate, inRate, AV_ROUND_UP);
  const int64_t missing = expected - nextPts - av_audio_fifo_size(fifo);
  if (missing <= 0) return;
  const int count = static_cast<int>(missing);
  uint8_t** silence = Scratch(count);
  av_samples_set_silence(silence, 0, count, codec->ch_layout.nb_channels, codec->sample_fmt);
  Queue(silence, count);
}

// Whole frames of the encoder's size; with last, the shorter rest as well.
void EncodedWriter::Impl::SendFrames(bool last) {
  for (int queued = av_audio_fifo_size(fifo); queued >= frameSize || (last && queued > 0);
       queued = av_audio_fifo_size(fifo)) {
    const int count = std::min(queued, frameSize);
    av_frame_unref(frame);
    frame->nb_samples = count;
    frame->format = codec->sample_fmt;
    frame->sample_rate = codec->sample_rate;
    Check(av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout), "encodingerror");
    Check(av_frame_get_buffer(frame, 0), "encodingerror");
    if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), count) < count)
      Check(AVERROR(EIO), "encodingerror");
    frame->pts = nextPts;
    nextPts += count;
    Send(frame);
  }
}

EncodedWriter::EncodedWriter(const std::string& fileName, TSaveFormat format, int quality,
                             uint16_t channels, uint32_t sampleRate)
    : impl_(std::make_unique<Impl>()) {
  try {
    impl_->file = std::make_unique<TFileWriter>(fileName);
  } catch (const EOSError& error) {
    ThrowWriteError(error);
  }
  impl_->Open(format, quality, channels, sampleRate);
}

EncodedWriter::~EncodedWriter() = default;

void EncodedWriter::Write(const int16_t* samples, size_t frameCount) {
  Impl& m = *impl_;
  if (m.finished) throw Exception("The encoded file is already complete.");
  // Chunks within what FFmpeg's int counts hold.
  constexpr size_t kMaxFrames = size_t{1} << 24;
  const size_t channels = static_cast<size_t>(m.codec->ch_layout.nb_channels);
  for (size_t done = 0; done < frameCount; done += kMaxFrames) {
    const size_t count = std::min(kMaxFrames, frameCount - done);
    m.Convert(samples + done * channels, static_cast<int>(count));
    m.framesIn += static_cast<int64_t>(count);
    m.SendFrames(false);
  }
}

void EncodedWriter::Finish() {
  Impl& m = *impl_;
  if (m.finished) throw Exception("The encoded file is already complete.");
  m.finished = true;
  // FFmpeg can neither open nor decode an Ogg stream without audio: refused rather than written.
  if (m.ogg && m.framesIn == 0) ThrowSaveError("emptyencoding", "");
  if (m.swr) {
    m.Convert(nullptr, 0);
    m.PadToLength();
  }
  m.SendFrames(true);
  m.Send(nullptr);
  m.Check(av_write_trailer(m.format), "encodingerror");
  avio_flush(m.io);
  if (m.failure) std::rethrow_exception(m.failure);
  try {
    m.file->Close();
  } catch (const EOSError& error) {
    ThrowWriteError(error);
  }
}

}  // namespace quillon
