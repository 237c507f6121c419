// The waveform view's playback through its player.
#include "display/waveview.h"

namespace quillon {

void TWaveView::StartPlay() {}

void TWaveView::StopPlay() {}

bool TWaveView::Playing() const {
  return false;
}

void TWaveView::ReleasePlayer() {}

bool TWaveView::HasPlayer() const {
  return false;
}

void TWaveView::SetVolume(int32_t) {}

bool TWaveView::ReadLevels(std::array<int16_t, 8>&) const {
  return false;
}

}  // namespace quillon
