// rateroundtrip: audio taken to another sample rate and back, to hear a rate change at the
// device's present rate.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct soxr;

namespace quillon {

// Streams 16-bit interleaved frames at rate through rate `through` and back, with the resampler
// of Change Sample Rate (soxr at high quality), so that what the lower rate loses is heard while
// the device plays on at rate. Output frame k stands for input frame k. One thread at a time.
class TRateRoundTrip {
 public:
  // Reads the next frames of input into dest.
  using TInput = std::function<void(int16_t* dest, int64_t frames)>;

  // Raises Exception when the resampler cannot be set up.
  TRateRoundTrip(uint32_t rate, uint32_t through, uint16_t channels);
  ~TRateRoundTrip();
  TRateRoundTrip(const TRateRoundTrip&) = delete;
  TRateRoundTrip& operator=(const TRateRoundTrip&) = delete;

  uint32_t Through() const { return through_; }
  // The next frames of output, reading as much input as they need.
  void Pull(int16_t* dest, int64_t frames, const TInput& input);

 private:
  struct TDeleter {
    void operator()(soxr* resampler) const;
  };
  using TResampler = std::unique_ptr<soxr, TDeleter>;

  void Convert(TResampler& resampler, const int16_t* in, size_t frames, std::vector<int16_t>& out,
               size_t room);

  uint32_t rate_;
  uint32_t through_;
  uint16_t channels_;
  TResampler down_;
  TResampler up_;
  // Output made and not yet pulled, interleaved.
  std::vector<int16_t> ready_;
  std::vector<int16_t> in_, middle_, out_;
};

}  // namespace quillon
