#include "playback/previeweffect.h"

#include "document/effectmath.h"

namespace quillon {

TPreviewEffect TPreviewEffect::Amplify(uint32_t percent) {
  TPreviewEffect effect;
  effect.kind_ = TKind::Amplify;
  effect.factor_ = AmplifyFactor(percent);
  return effect;
}

TPreviewEffect TPreviewEffect::Gain(double gain) {
  TPreviewEffect effect;
  effect.kind_ = TKind::Table;
  effect.factor_ = gain;
  effect.table_ =
      std::make_shared<const TSampleTable>([gain](int16_t s) { return NormalizeSample(s, gain); });
  return effect;
}

TPreviewEffect TPreviewEffect::Normalize(int32_t percent, int16_t peak) {
  if (peak <= 0) return TPreviewEffect();
  return Gain((percent / 100.0 * 32768.0) / peak);
}

TPreviewEffect TPreviewEffect::Fade(bool fadeIn) {
  TPreviewEffect effect;
  effect.kind_ = fadeIn ? TKind::FadeIn : TKind::FadeOut;
  return effect;
}

TPreviewEffect TPreviewEffect::RateRoundTrip(uint32_t through) {
  TPreviewEffect effect;
  effect.kind_ = TKind::RoundTrip;
  effect.through_ = through;
  return effect;
}

void TPreviewEffect::Apply(int16_t* samples, uint64_t frames, int channels, uint64_t first,
                           uint64_t rangeFrames) const {
  const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels);
  switch (kind_) {
    case TKind::None:
    case TKind::RoundTrip:
      return;
    case TKind::Amplify:
      return AmplifySamples(samples, count, factor_);
    case TKind::Table:
      return table_->Apply(samples, count);
    case TKind::FadeIn:
    case TKind::FadeOut:
      return ApplyFade(samples, frames, channels, first, rangeFrames, kind_ == TKind::FadeIn);
  }
}

}  // namespace quillon
