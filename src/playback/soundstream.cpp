#include "playback/soundstream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "playback/dsounderror.h"
#include "playback/sdlapi.h"

namespace quillon {

namespace {

constexpr uint32_t kMaxRate = 384000;
constexpr uint32_t kMinRate = 1000;

// About 10 to 20 ms per callback: short enough for notifications to follow the cursor closely.
Uint16 ChunkFrames(uint32_t rate) {
  uint32_t frames = 64;
  while (frames * 2 <= rate / 50 && frames < 4096) frames *= 2;
  return static_cast<Uint16>(frames);
}

bool IsIntegerPcm(const TWaveFormatEx& format) {
  if (format.wFormatTag == WAVE_FORMAT_PCM) return true;
  if (format.wFormatTag != WAVE_FORMAT_EXTENSIBLE || format.cbSize < kExtensibleExtraSize)
    return false;
  const auto& extensible = reinterpret_cast<const TWaveFormatExtensible&>(format);
  return std::memcmp(&extensible.SubFormat, &kSubFormatPcm, sizeof(TGuid)) == 0 &&
         extensible.wValidBitsPerSample == format.wBitsPerSample;
}

}  // namespace

void TDeviceMutex::Lock() {
  SDL_LockAudioDevice(device_);
}

void TDeviceMutex::Unlock() {
  SDL_UnlockAudioDevice(device_);
}

uint32_t CheckStreamFormat(const TWaveFormatEx& format) {
  if (!IsIntegerPcm(format)) return DSERR_BADFORMAT;
  if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) return DSERR_BADFORMAT;
  if (format.nChannels < 1 || format.nChannels > 8) return DSERR_BADFORMAT;
  if (format.nSamplesPerSec < kMinRate || format.nSamplesPerSec > kMaxRate) return DSERR_BADFORMAT;
  if (format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8) return DSERR_BADFORMAT;
  return 0;
}

uint32_t OpenFailureCode(const char* sdlError) {
  std::string_view text = sdlError ? sdlError : "";
  if (text.find("already open") != std::string_view::npos) return DSERR_ALLOCATED;
  for (std::string_view word : {"format", "channels", "frequency"})
    if (text.find(word) != std::string_view::npos) return DSERR_BADFORMAT;
  return DSERR_NODRIVER;
}

TSoundStream::TSoundStream(const char* deviceName, const TWaveFormatEx& format, uint32_t bytes)
    : size_(bytes), ring_(bytes) {
  CheckDirectSoundResult(CheckStreamFormat(format));
  eightBit_ = format.wBitsPerSample == 8;
  silence_ = eightBit_ ? 0x80 : 0;
  std::fill(ring_.begin(), ring_.end(), silence_);
  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(format.nSamplesPerSec);
  wanted.format = eightBit_ ? AUDIO_U8 : AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(format.nChannels);
  wanted.samples = ChunkFrames(format.nSamplesPerSec);
  wanted.callback = &TSoundStream::Callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  device_ = SDL_OpenAudioDevice(deviceName, 0, &wanted, &obtained, 0);
  if (device_ == 0) CheckDirectSoundResult(OpenFailureCode(SDL_GetError()));
  mutex_.Bind(device_);
}

TSoundStream::~TSoundStream() {
  SDL_CloseAudioDevice(device_);
}

void TSoundStream::SetCursor(uint32_t offset) {
  TDeviceLock lock(mutex_);
  cursor_.store(offset, std::memory_order_release);
  played_ = {};
}

TPlayedBytes TSoundStream::Played() const {
  TDeviceLock lock(mutex_);
  return played_;
}

void TSoundStream::SetPlayWritesOnce(bool on) {
  TDeviceLock lock(mutex_);
  writesOnce_ = on;
  unplayed_.assign(on ? size_ : 0, 0);
}

void TSoundStream::Read(uint32_t offset, uint8_t* dest, uint32_t bytes) {
  TDeviceLock lock(mutex_);
  uint32_t first = std::min(bytes, Size() - offset);
  std::memcpy(dest, ring_.data() + offset, first);
  std::memcpy(dest + first, ring_.data(), bytes - first);
}

void TSoundStream::Write(uint32_t offset, const uint8_t* source, uint32_t bytes) {
  TDeviceLock lock(mutex_);
  uint32_t first = std::min(bytes, Size() - offset);
  std::memcpy(ring_.data() + offset, source, first);
  std::memcpy(ring_.data(), source + first, bytes - first);
  if (!writesOnce_) return;
  std::fill_n(unplayed_.begin() + offset, first, uint8_t{1});
  std::fill_n(unplayed_.begin(), bytes - first, uint8_t{1});
}

void TSoundStream::Play(bool looping) {
  {
    TDeviceLock lock(mutex_);
    looping_ = looping;
    playing_.store(true, std::memory_order_release);
  }
  SDL_PauseAudioDevice(device_, 0);
}

bool TSoundStream::Stop() {
  bool wasPlaying;
  {
    TDeviceLock lock(mutex_);
    wasPlaying = playing_.exchange(false, std::memory_order_acq_rel);
    if (wasPlaying && events_) events_->Raise(PassedEvents(0, 0, true));
  }
  SDL_PauseAudioDevice(device_, 1);
  return wasPlaying;
}

void TSoundStream::SetNotifications(const uint32_t* offsets, int count, TNotifyEvents* events) {
  TDeviceLock lock(mutex_);
  count_ = std::clamp(count, 0, kMaxPositions);
  std::copy(offsets, offsets + count_, offsets_.begin());
  events_ = events;
}

std::vector<uint32_t> TSoundStream::Notifications() const {
  TDeviceLock lock(mutex_);
  return {offsets_.begin(), offsets_.begin() + count_};
}

void SDLCALL TSoundStream::Callback(void* self, Uint8* stream, int length) {
  auto* sound = static_cast<TSoundStream*>(self);
  sound->mutex_.AssertHeldBySdl();
  sound->Render(stream, static_cast<uint32_t>(length));
}

void TSoundStream::Render(uint8_t* out, uint32_t length) {
  if (!playing_.load(std::memory_order_acquire) || size_ == 0) {
    std::memset(out, silence_, length);
    return;
  }
  uint32_t start = cursor_.load(std::memory_order_relaxed);
  uint32_t cursor = start;
  uint64_t moved = 0;
  bool stopped = false;
  while (length > 0) {
    if (stopped) {
      std::memset(out, silence_, length);
      break;
    }
    uint32_t take = std::min(length, Size() - cursor);
    CopyWithGain(out, ring_.data() + cursor, take);
    if (writesOnce_) SilencePlayed(out, cursor, take);
    out += take;
    length -= take;
    moved += take;
    cursor += take;
    if (cursor == Size()) {
      cursor = 0;
      stopped = !looping_;
    }
  }
  cursor_.store(cursor, std::memory_order_release);
  played_.bytes += moved;
  if (stopped) playing_.store(false, std::memory_order_release);
  if (events_) events_->Raise(PassedEvents(start, moved, stopped));
}

void TSoundStream::CopyWithGain(uint8_t* out, const uint8_t* in, uint32_t bytes) const {
  float gain = gain_.load(std::memory_order_acquire);
  if (gain >= 1.0f) {
    std::memcpy(out, in, bytes);
  } else if (eightBit_) {
    for (uint32_t i = 0; i < bytes; ++i)
      out[i] = static_cast<uint8_t>(std::lrintf((in[i] - 128) * gain) + 128);
  } else {
    for (uint32_t i = 0; i + 1 < bytes; i += 2) {
      int16_t sample;
      std::memcpy(&sample, in + i, 2);
      sample = static_cast<int16_t>(std::lrintf(sample * gain));
      std::memcpy(out + i, &sample, 2);
    }
  }
}

// Writers write whole frames, so a sample is never half silenced.
void TSoundStream::SilencePlayed(uint8_t* out, uint32_t offset, uint32_t bytes) {
  uint8_t* unplayed = unplayed_.data() + offset;
  for (uint32_t i = 0; i < bytes; ++i) {
    if (!unplayed[i]) {
      out[i] = silence_;
      ++played_.silenced;
    }
    unplayed[i] = 0;
  }
}

uint64_t TSoundStream::PassedEvents(uint32_t from, uint64_t moved, bool stopped) const {
  uint64_t mask = 0;
  uint64_t size = Size();
  for (int i = 0; i < count_; ++i) {
    uint32_t offset = offsets_[i];
    if (offset == DSBPN_OFFSETSTOP) {
      if (stopped) mask |= uint64_t{1} << i;
      continue;
    }
    // Bytes from the cursor until it reaches offset, 1 to size.
    uint64_t distance = (offset + size - from - 1) % size + 1;
    if (distance <= moved) mask |= uint64_t{1} << i;
  }
  return mask;
}

}  // namespace quillon
