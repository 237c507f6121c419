#include "codecs/mp3record.h"

#include <type_traits>

namespace quillon {

namespace {

constexpr uint32_t kTrue = 0xFFFFFFFF;

// Every member with its byte offset: the one place the layout is written down, walked in both
// directions. Record is TMp3Record or const TMp3Record.
template <typename Record, typename Visit>
void VisitMembers(Record& r, Visit&& at) {
  at(0, r.config);
  at(4, r.structVersion);
  at(8, r.structSize);
  at(12, r.sampleRate);
  at(16, r.resampleRate);
  at(20, r.mode);
  at(24, r.bitrate);
  at(28, r.maxBitrate);
  at(32, r.preset);
  at(36, r.mpegVersion);
  at(40, r.psyModel);
  at(44, r.emphasis);
  at(48, r.isPrivate);
  at(52, r.crc);
  at(56, r.copyright);
  at(60, r.original);
  at(64, r.writeVbrHeader);
  at(68, r.enableVbr);
  at(72, r.vbrQuality);
  at(76, r.abrBps);
  at(80, r.vbrMethod);
  at(84, r.noReservoir);
  at(88, r.strictIso);
  at(92, r.quality);
}

// Flags take four bytes, like the 32-bit members.
template <typename T>
constexpr size_t kStoredSize = std::is_same_v<T, bool> ? 4 : sizeof(T);

template <typename T>
void Put(TMp3Config& block, size_t offset, T value) {
  uint32_t bits;
  if constexpr (std::is_same_v<T, bool>)
    bits = value ? kTrue : 0;
  else
    bits = static_cast<uint32_t>(static_cast<std::make_unsigned_t<T>>(value));
  for (size_t i = 0; i < kStoredSize<T>; ++i)
    block[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

template <typename T>
T Get(const TMp3Config& block, size_t offset) {
  uint32_t bits = 0;
  for (size_t i = 0; i < kStoredSize<T>; ++i) bits |= uint32_t{block[offset + i]} << (8 * i);
  if constexpr (std::is_same_v<T, bool>)
    return bits != 0;
  else
    return static_cast<T>(static_cast<std::make_unsigned_t<T>>(bits));
}

}  // namespace

TMp3Config PackMp3Record(const TMp3Record& record) {
  TMp3Config block{};
  VisitMembers(record, [&](size_t offset, auto value) { Put(block, offset, value); });
  return block;
}

TMp3Record UnpackMp3Record(const TMp3Config& block) {
  TMp3Record record;
  VisitMembers(record, [&](size_t offset, auto& member) {
    member = Get<std::remove_reference_t<decltype(member)>>(block, offset);
  });
  return record;
}

}  // namespace quillon
