// previeweffect: an effect as it is set in its dialog, applied to the frames a preview plays.
#pragma once

#include <cstdint>
#include <memory>

namespace quillon {

class TSampleTable;

// One effect with its parameters, applied bit for bit as the document's operation applies it.
// A value: the dialog makes a new one for every change and hands it to the preview whole.
class TPreviewEffect {
 public:
  // Leaves the frames as they are.
  TPreviewEffect() = default;
  static TPreviewEffect Amplify(uint32_t percent);
  // One gain on every sample, rounded and clipped (Normalize Loudness).
  static TPreviewEffect Gain(double gain);
  // Normalization to percent of full scale, from the document's peak; a peak of 0 or less
  // keeps the frames, as the operation does.
  static TPreviewEffect Normalize(int32_t percent, int16_t peak);
  // A fade over the whole range that plays.
  static TPreviewEffect Fade(bool fadeIn);
  // Change Sample Rate: the audio taken to rate through and back, which the source that
  // plays it does (Apply leaves the frames).
  static TPreviewEffect RateRoundTrip(uint32_t through);

  // The rate of a round trip; 0 for every other effect.
  uint32_t RoundTripRate() const { return kind_ == TKind::RoundTrip ? through_ : 0; }

  // Applies the effect to frames of interleaved samples; the first of them is frame first of
  // a range of rangeFrames.
  void Apply(int16_t* samples, uint64_t frames, int channels, uint64_t first,
             uint64_t rangeFrames) const;

 private:
  enum class TKind { None, Amplify, Table, FadeIn, FadeOut, RoundTrip };

  TKind kind_ = TKind::None;
  double factor_ = 1.0;
  uint32_t through_ = 0;
  std::shared_ptr<const TSampleTable> table_;
};

}  // namespace quillon
