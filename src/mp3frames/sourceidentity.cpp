#include "mp3frames/sourceidentity.h"

#include "mp3frames/frameindex.h"

namespace quillon {

namespace {

// FNV-1a, one value at a time.
void Mix(uint64_t& hash, uint64_t value) {
  for (int i = 0; i < 8; ++i) {
    hash ^= (value >> (8 * i)) & 0xFFu;
    hash *= 0x100000001B3ull;
  }
}

}  // namespace

TSourceIdentity IdentifySource(const std::string& path, uint64_t bytes, int64_t modifiedNs,
                               const std::vector<TMp3Frame>& frames) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (const TMp3Frame& frame : frames) {
    Mix(hash, frame.offset);
    Mix(hash, uint64_t{frame.bytes} << 32 | uint64_t{frame.mainDataBegin} << 16 |
                  uint64_t{frame.bitrateIndex} << 1 | (frame.padding ? 1u : 0u));
  }
  return {path, bytes, modifiedNs, hash};
}

bool SameSource(const TMp3Source* a, const TMp3Source* b) {
  if (!a || !b || !a->Usable() || !b->Usable()) return false;
  return a == b || a->Identity() == b->Identity();
}

}  // namespace quillon
