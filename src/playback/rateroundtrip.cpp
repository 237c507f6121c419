#include "playback/rateroundtrip.h"

#include <soxr.h>

#include <algorithm>

#include "platform/error.h"

namespace quillon {

namespace {

constexpr size_t kBlockFrames = 1024;

soxr* MakeResampler(uint32_t from, uint32_t to, uint16_t channels) {
  soxr_error_t error = nullptr;
  // Undithered: the way back would dither the dither.
  soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  io.flags |= SOXR_NO_DITHER;
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr* resampler = soxr_create(from, to, channels, &error, &io, &quality, nullptr);
  if (error || !resampler) {
    if (resampler) soxr_delete(resampler);
    throw Exception("The sample rate converter could not be set up.");
  }
  return resampler;
}

// Room for what frames of input at from make at to, with the converter's margin.
size_t RoomFor(size_t frames, uint32_t from, uint32_t to) {
  return static_cast<size_t>(uint64_t{frames} * to / std::max<uint32_t>(from, 1)) + 64;
}

}  // namespace

void TRateRoundTrip::TDeleter::operator()(soxr* resampler) const {
  soxr_delete(resampler);
}

TRateRoundTrip::TRateRoundTrip(uint32_t rate, uint32_t through, uint16_t channels)
    : rate_(rate),
      through_(through),
      channels_(channels),
      down_(MakeResampler(rate, through, channels)),
      up_(MakeResampler(through, rate, channels)),
      in_(kBlockFrames * channels) {}

TRateRoundTrip::~TRateRoundTrip() = default;

// All of in through resampler, appended to out; room is the frames one call may make.
void TRateRoundTrip::Convert(TResampler& resampler, const int16_t* in, size_t frames,
                             std::vector<int16_t>& out, size_t room) {
  std::vector<int16_t> made(room * channels_);
  while (frames > 0) {
    size_t used = 0, count = 0;
    if (soxr_process(resampler.get(), in, frames, &used, made.data(), room, &count))
      throw Exception("The sample rate converter failed.");
    out.insert(out.end(), made.begin(), made.begin() + static_cast<ptrdiff_t>(count * channels_));
    // A converter that takes nothing while it has room would take nothing ever.
    if (used == 0 && count == 0) throw Exception("The sample rate converter failed.");
    in += used * channels_;
    frames -= used;
  }
}

void TRateRoundTrip::Pull(int16_t* dest, int64_t frames, const TInput& input) {
  const size_t wanted = static_cast<size_t>(frames) * channels_;
  while (ready_.size() < wanted) {
    input(in_.data(), kBlockFrames);
    middle_.clear();
    Convert(down_, in_.data(), kBlockFrames, middle_, RoomFor(kBlockFrames, rate_, through_));
    const size_t middleFrames = middle_.size() / channels_;
    Convert(up_, middle_.data(), middleFrames, ready_, RoomFor(middleFrames, through_, rate_));
  }
  std::copy_n(ready_.begin(), wanted, dest);
  ready_.erase(ready_.begin(), ready_.begin() + static_cast<ptrdiff_t>(wanted));
}

}  // namespace quillon
