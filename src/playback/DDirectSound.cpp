#include "playback/DDirectSound.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "playback/sdlapi.h"
#include "playback/soundstream.h"

namespace quillon {

namespace {

std::atomic<int> liveBuffers{0};

constexpr uint32_t kMinBufferBytes = 4;
constexpr uint32_t kMaxBufferBytes = 0x0FFFFFFF;

void SDLCALL ProbeSilence(void*, Uint8* stream, int length) {
  std::memset(stream, 0, static_cast<size_t>(length));
}

// Opens and closes the device once, so that a missing driver or device fails here rather than
// at the first buffer.
void ProbeDevice(const char* deviceName) {
  SDL_AudioSpec wanted{};
  wanted.freq = 44100;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  // Closing waits for the device's thread to end its period: 64 frames (1.5 ms) rather than
  // 1024 (23 ms, twice over on the dummy driver) keeps that off the editor's start-up.
  wanted.samples = 64;
  wanted.callback = &ProbeSilence;
  SDL_AudioDeviceID device = SDL_OpenAudioDevice(deviceName, 0, &wanted, nullptr, 0);
  if (device == 0) CheckDirectSoundResult(DSERR_NODRIVER);
  SDL_CloseAudioDevice(device);
}

uint32_t CheckDescription(const TDSBufferDesc& description) {
  if (description.dwSize != 36) return DSERR_INVALIDPARAM;
  if (description.dwFlags & DSBCAPS_PRIMARYBUFFER)
    return description.dwBufferBytes == 0 && !description.lpwfxFormat ? 0 : DSERR_INVALIDPARAM;
  if (!description.lpwfxFormat) return DSERR_INVALIDPARAM;
  if (description.dwBufferBytes < kMinBufferBytes || description.dwBufferBytes > kMaxBufferBytes)
    return DSERR_INVALIDPARAM;
  if (uint32_t code = CheckStreamFormat(*description.lpwfxFormat)) return code;
  if (description.dwBufferBytes % description.lpwfxFormat->nBlockAlign != 0)
    return DSERR_INVALIDPARAM;
  return 0;
}

}  // namespace

// ---- TDirectSound

TDirectSound::TDirectSound(const char* deviceName, uint32_t primaryFlags)
    : deviceName_(deviceName ? deviceName : "") {
  // Audio brings SDL's event subsystem, which would otherwise take over SIGINT and SIGTERM.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) CheckDirectSoundResult(DSERR_NODRIVER);
  try {
    ProbeDevice(DeviceName());
    TDSBufferDesc description;
    description.dwFlags = primaryFlags | DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    primary_ = CreateSoundBuffer(description);
  } catch (...) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    throw;
  }
}

TDirectSound::~TDirectSound() {
  DestroyBuffers();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void TDirectSound::DestroyBuffers() {
  // Each buffer removes itself from the list.
  while (!buffers_.empty()) delete buffers_.back();
  primary_ = nullptr;
}

void TDirectSound::SetCooperativeLevel(void*, uint32_t level) {
  CheckDirectSoundResult(level >= 1 && level <= 4 ? 0 : DSERR_INVALIDPARAM);
}

TDirectSoundBuffer* TDirectSound::CreateSoundBuffer(const TDSBufferDesc& description) {
  return new TDirectSoundBuffer(this, description);
}

void TDirectSound::DestroySoundBuffer(TDirectSoundBuffer* buffer) {
  if (std::find(buffers_.begin(), buffers_.end(), buffer) != buffers_.end()) delete buffer;
}

void TDirectSound::Register(TDirectSoundBuffer* buffer) {
  if (std::find(buffers_.begin(), buffers_.end(), buffer) == buffers_.end())
    buffers_.push_back(buffer);
}

void TDirectSound::Unregister(TDirectSoundBuffer* buffer) {
  std::erase(buffers_, buffer);
  if (buffer == primary_) primary_ = nullptr;
}

// ---- TDirectSoundBuffer

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSound* owner, const TDSBufferDesc& description)
    : owner_(owner), flags_(description.dwFlags), size_(description.dwBufferBytes) {
  CheckDirectSoundResult(owner ? CheckDescription(description) : DSERR_INVALIDPARAM);
  if (!(flags_ & DSBCAPS_PRIMARYBUFFER)) {
    stream_ = std::make_unique<TSoundStream>(owner->DeviceName(), *description.lpwfxFormat, size_);
    staging_.resize(size_);
  }
  owner_->Register(this);
  ++liveBuffers;
}

TDirectSoundBuffer::~TDirectSoundBuffer() {
  notifyThread_.reset();
  stream_.reset();
  owner_->Unregister(this);
  --liveBuffers;
}

int TDirectSoundBuffer::LiveCount() {
  return liveBuffers.load();
}

TSoundStream& TDirectSoundBuffer::Stream() {
  if (!stream_) CheckDirectSoundResult(DSERR_INVALIDCALL);
  return *stream_;
}

uint32_t TDirectSoundBuffer::GetPlayPosition() {
  return Stream().Cursor();
}

void TDirectSoundBuffer::SetPlayPosition(uint32_t offset) {
  TSoundStream& stream = Stream();
  CheckDirectSoundResult(offset < size_ ? 0 : DSERR_INVALIDPARAM);
  stream.SetCursor(offset);
}

TPlayedBytes TDirectSoundBuffer::Played() const {
  if (!stream_) CheckDirectSoundResult(DSERR_INVALIDCALL);
  return stream_->Played();
}

void TDirectSoundBuffer::SetPlayWritesOnce(bool on) {
  Stream().SetPlayWritesOnce(on);
}

void TDirectSoundBuffer::SetVolume(int32_t volume) {
  CheckDirectSoundResult(flags_ & DSBCAPS_CTRLVOLUME ? 0 : DSERR_CONTROLUNAVAIL);
  CheckDirectSoundResult(volume >= DSBVOLUME_MIN && volume <= DSBVOLUME_MAX ? 0
                                                                            : DSERR_INVALIDPARAM);
  volume_ = volume;
  // The floor is silence rather than -100 dB.
  float gain = volume == DSBVOLUME_MIN ? 0.0f : static_cast<float>(std::pow(10.0, volume / 2000.0));
  if (stream_) stream_->SetGain(gain);
}

TDirectSoundBuffer::TLocked TDirectSoundBuffer::Lock(uint32_t offset, uint32_t bytes,
                                                     uint32_t flags) {
  TSoundStream& stream = Stream();
  if (flags & DSBLOCK_ENTIREBUFFER) bytes = size_;
  CheckDirectSoundResult(offset < size_ && bytes > 0 && bytes <= size_ ? 0 : DSERR_INVALIDPARAM);
  // The staging copy keeps the ring's layout; the wrapped part starts at its beginning.
  TLocked locked;
  locked.bytes1 = std::min(bytes, size_ - offset);
  locked.ptr1 = staging_.data() + offset;
  stream.Read(offset, staging_.data() + offset, locked.bytes1);
  if (bytes > locked.bytes1) {
    locked.ptr2 = staging_.data();
    locked.bytes2 = bytes - locked.bytes1;
    stream.Read(0, staging_.data(), locked.bytes2);
  }
  return locked;
}

void TDirectSoundBuffer::Unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2) {
  TSoundStream& stream = Stream();
  auto offsetOf = [this](void* pointer, uint32_t bytes) -> int64_t {
    auto* p = static_cast<uint8_t*>(pointer);
    if (p < staging_.data() || p > staging_.data() + size_) return -1;
    int64_t offset = p - staging_.data();
    return offset + bytes <= size_ ? offset : -1;
  };
  int64_t offset1 = offsetOf(ptr1, bytes1);
  int64_t offset2 = ptr2 ? offsetOf(ptr2, bytes2) : 0;
  CheckDirectSoundResult(offset1 >= 0 && offset2 >= 0 ? 0 : DSERR_INVALIDPARAM);
  stream.Write(static_cast<uint32_t>(offset1), staging_.data() + offset1, bytes1);
  if (ptr2 && bytes2 > 0)
    stream.Write(static_cast<uint32_t>(offset2), staging_.data() + offset2, bytes2);
}

void TDirectSoundBuffer::Play(uint32_t flags) {
  Stream().Play((flags & DSBPLAY_LOOPING) != 0);
}

void TDirectSoundBuffer::Stop() {
  Stream().Stop();
}

void TDirectSoundBuffer::ReplaceNotifications(int32_t count, const uint32_t* positions) {
  if (!HasNotify())
    throw EAssertionFailed("DirectSoundNotify interface is nil (DDirectSound, line 1147)");
  // The thread detaches the offsets it had.
  notifyThread_.reset();
  CheckDirectSoundResult(stream_->Playing() ? DSERR_INVALIDCALL : 0);
  CheckDirectSoundResult(count >= 0 && (count == 0 || positions) ? 0 : DSERR_INVALIDPARAM);
  for (int32_t i = 0; i < count; ++i)
    CheckDirectSoundResult(
        positions[i] < size_ || positions[i] == DSBPN_OFFSETSTOP ? 0 : DSERR_INVALIDPARAM);
}

void TDirectSoundBuffer::SetNotificationPositions(int32_t count, const uint32_t* positions) {
  ReplaceNotifications(count, positions);
  notifyThread_ = std::make_unique<TNotifyThread>(
      this, positions, count, stream_.get(),
      [this](TDirectSoundBuffer* sender, int32_t index) { HandleNotify(sender, index); });
  notifyThread_->Start();
}

void TDirectSoundBuffer::SetNotificationEvents(int32_t count, const uint32_t* positions,
                                               TNotifyEvents* events) {
  if (!events) count = 0;
  ReplaceNotifications(count, positions);
  CheckDirectSoundResult(count <= TSoundStream::kMaxPositions ? 0 : DSERR_INVALIDPARAM);
  stream_->SetNotifications(positions, count, events);
}

std::vector<uint32_t> TDirectSoundBuffer::NotificationPositions() const {
  return stream_ ? stream_->Notifications() : std::vector<uint32_t>{};
}

void TDirectSoundBuffer::HandleNotify(TDirectSoundBuffer* sender, int32_t index) {
  // A copy: the handler may destroy this buffer.
  TDSNotifyEvent handler = OnNotify;
  if (handler) handler(sender, index);
}

}  // namespace quillon
