#include "codecs/mp3maker.h"

#include <vector>

#include "codecs/lameenc.h"
#include "codecs/saveerrors.h"
#include "localization/constants.h"
#include "platform/error.h"
#include "platform/filewriter.h"

namespace quillon {

namespace {

[[noreturn]] void ThrowStreamError(uint32_t code) {
  throw Exception(ConstantText("streamerror") + std::to_string(code));
}

[[noreturn]] void ThrowWriteError(uint32_t code) {
  throw Exception(ConstantText("writeerror") + std::to_string(code));
}

}  // namespace

struct MP3writer::Impl {
  std::unique_ptr<TFileWriter> file;
  THbeStream stream = nullptr;
  std::vector<uint8_t> output;
  uint32_t chunkSamples = 0;
  bool finished = false;

  ~Impl() {
    if (stream != nullptr) beCloseStream(stream);
  }
};

MP3writer::MP3writer(const std::string& fileName, uint32_t& samplesPerChunk,
                     const TMp3Config& config)
    : impl_(std::make_unique<Impl>()) {
  samplesPerChunk = 0;
  try {
    impl_->file = std::make_unique<TFileWriter>(fileName);
  } catch (const EOSError& error) {
    ThrowWriteError(error);
  }
  uint32_t bufferSize = 0;
  uint32_t code = beInitStream(config, impl_->chunkSamples, bufferSize, impl_->stream);
  if (code != kBeErrSuccessful) ThrowStreamError(code);
  impl_->output.resize(bufferSize);
  samplesPerChunk = impl_->chunkSamples;
}

MP3writer::~MP3writer() = default;

int32_t MP3writer::EncodeChunk(const int16_t* samples, uint32_t byteCount) {
  Impl& m = *impl_;
  if (m.finished) ThrowWriteError(kBeErrInvalidHandle);
  uint32_t produced = 0;
  uint32_t code = beEncodeChunk(m.stream, byteCount / 2, samples, m.output.data(), produced);
  if (code != kBeErrSuccessful) ThrowWriteError(code);
  try {
    m.file->Write(m.output.data(), produced);
  } catch (const EOSError& error) {
    ThrowWriteError(error);
  }
  return static_cast<int32_t>(produced);
}

void MP3writer::Finish() {
  Impl& m = *impl_;
  if (m.finished) ThrowWriteError(kBeErrInvalidHandle);
  // Whatever happens below, the stream cannot be continued.
  m.finished = true;
  uint32_t produced = 0;
  uint32_t code = beDeinitStream(m.stream, m.output.data(), produced);
  if (code != kBeErrSuccessful) ThrowWriteError(code);
  std::vector<uint8_t> frame;
  code = beGetVBRHeaderFrame(m.stream, frame);
  if (code != kBeErrSuccessful) ThrowWriteError(code);
  try {
    m.file->Write(m.output.data(), produced);
    // The Info frame goes over the placeholder the encoder left as the first frame.
    if (!frame.empty()) m.file->WriteAt(0, frame.data(), frame.size());
    m.file->Close();
  } catch (const EOSError& error) {
    ThrowWriteError(error);
  }
  beCloseStream(m.stream);
  m.stream = nullptr;
}

}  // namespace quillon
