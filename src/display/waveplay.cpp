// The waveform view's playback through its player.
#include <algorithm>
#include <span>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "platform/config.h"
#include "playback/framesource.h"
#include "playback/playformat.h"
#include "playback/playunit.h"

namespace quillon {

TWaveView::~TWaveView() {
  // A device still opening closes with the view rather than at the process's exit.
  if (!playerTaken_) DiscardPreparedPlayer();
}

void TWaveView::TakePlayer() {
  if (playerTaken_) return;
  playerTaken_ = true;
  player_ = quillon::CreatePlayer();
  if (!player_) return;
  player_->OnProcess = [this](int64_t index) { DoPlayProcess(index); };
  player_->OnStatus = [this](bool action) { DoPlayStatus(action); };
  player_->SetVolume(volume_);
}

void TWaveView::OpenPlayerAside() {
  if (!playerTaken_) PreparePlayer();
}

bool TWaveView::PlayerOpening() const {
  return !playerTaken_ && PlayerPreparing() && !PreparedPlayerReady();
}

bool TWaveView::HasPlayer() {
  TakePlayer();
  return player_ != nullptr;
}

void TWaveView::StartPlay() {
  if (!document_ || !document_->Loaded() || document_->Busy()) return;
  // Opening the device can take long: a Play before it was opened aside opens it aside too.
  OpenPlayerAside();
  if (PlayerOpening()) return PlayWhenOpen();
  if (!HasPlayer()) return;
  const uint16_t channels = document_->Channels();
  const TWaveFormatEx format = Pcm16Format(channels, document_->SampleRate());
  const uint32_t length = FrameCount();
  const uint32_t first = selected_ ? selStart_ : cursorPos_;
  const uint32_t end = selected_ ? selStop_ : length;
  // Nothing to play (the cursor at the end, say) plays nothing rather than reading past the
  // document.
  const int64_t count = static_cast<int64_t>(std::min(end, length)) - first;
  if (count <= 0) return;
  playStart_ = first;
  playSource_.reset();
  player_->Prepare(document_, format, first, count);
  player_->Start();
}

bool TWaveView::StartPlaySource(std::shared_ptr<TFrameSource> source, int64_t frames) {
  if (!document_ || !document_->Loaded() || document_->Busy() || frames <= 0) return false;
  if (PlayerOpening() || !HasPlayer()) return false;
  const TWaveFormatEx format = Pcm16Format(document_->Channels(), document_->SampleRate());
  playStart_ = 0;
  playSource_ = source;
  player_->Prepare(document_, format, std::move(source), frames);
  player_->Start();
  return player_->Playing();
}

// The window goes on meanwhile; the play starts, or finds no device, when the device is open.
void TWaveView::PlayWhenOpen() {
  playWhenOpen_ = PlayerPreparedEvent().Subscribe([this] {
    playWhenOpen_.Reset();
    StartPlay();
  });
}

void TWaveView::StopPlay() {
  playWhenOpen_.Reset();
  if (!player_) return;
  player_->Stop();
  playStart_ = 0;
  playSource_.reset();
}

bool TWaveView::Playing() const {
  return player_ && player_->Playing();
}

void TWaveView::ReleasePlayer() {
  if (player_) player_->Release();
}

void TWaveView::SetVolume(int32_t hundredthsDb) {
  volume_ = hundredthsDb;
  if (player_) player_->SetVolume(hundredthsDb);
}

bool TWaveView::ReadLevels(std::array<int16_t, 8>& values) const {
  if (!player_ || !document_) return false;
  const size_t channels = std::min<size_t>(document_->Channels(), values.size());
  player_->GetLevels(std::span<int16_t>(values.data(), channels));
  return true;
}

void TWaveView::DoPlayProcess(int64_t frame) {
  const int64_t at = playSource_ ? playSource_->DocumentFrame(frame) : frame + playStart_;
  SetCursorPos(static_cast<uint32_t>(at));
  if (config.likepeers) ShowFrame(cursorPos_);
}

void TWaveView::DoPlayStatus(bool action) {
  emit PlayStatusChanged(action);
}

}  // namespace quillon
