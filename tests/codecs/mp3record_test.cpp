#include <gtest/gtest.h>

#include <span>

#include "codecs/mp3record.h"

namespace quillon {
namespace {

// Each member of the record's layout: where it lies, how many bytes, the value it gets (set on
// the struct) and the bits that value is stored as.
struct TMemberRow {
  const char* name;
  size_t offset;
  size_t size;
  void (*set)(TMp3Record&);
  uint32_t stored;
};

const TMemberRow kRows[] = {
    {"config", 0, 4, [](TMp3Record& r) { r.config = 0x01020304; }, 0x01020304},
    {"structVersion", 4, 4, [](TMp3Record& r) { r.structVersion = 0x05060708; }, 0x05060708},
    {"structSize", 8, 4, [](TMp3Record& r) { r.structSize = 331; }, 331},
    {"sampleRate", 12, 4, [](TMp3Record& r) { r.sampleRate = 44100; }, 44100},
    {"resampleRate", 16, 4, [](TMp3Record& r) { r.resampleRate = 48000; }, 48000},
    {"mode", 20, 4, [](TMp3Record& r) { r.mode = -3; }, 0xFFFFFFFD},
    {"bitrate", 24, 4, [](TMp3Record& r) { r.bitrate = 192; }, 192},
    {"maxBitrate", 28, 4, [](TMp3Record& r) { r.maxBitrate = 320; }, 320},
    {"preset", 32, 4, [](TMp3Record& r) { r.preset = -1; }, 0xFFFFFFFF},
    {"mpegVersion", 36, 4, [](TMp3Record& r) { r.mpegVersion = 0x0A0B0C0D; }, 0x0A0B0C0D},
    {"psyModel", 40, 4, [](TMp3Record& r) { r.psyModel = 0x11121314; }, 0x11121314},
    {"emphasis", 44, 4, [](TMp3Record& r) { r.emphasis = 0x21222324; }, 0x21222324},
    {"isPrivate", 48, 4, [](TMp3Record& r) { r.isPrivate = true; }, 0xFFFFFFFF},
    {"crc", 52, 4, [](TMp3Record& r) { r.crc = true; }, 0xFFFFFFFF},
    {"copyright", 56, 4, [](TMp3Record& r) { r.copyright = true; }, 0xFFFFFFFF},
    {"original", 60, 4, [](TMp3Record& r) { r.original = true; }, 0xFFFFFFFF},
    {"writeVbrHeader", 64, 4, [](TMp3Record& r) { r.writeVbrHeader = true; }, 0xFFFFFFFF},
    {"enableVbr", 68, 4, [](TMp3Record& r) { r.enableVbr = true; }, 0xFFFFFFFF},
    {"vbrQuality", 72, 4, [](TMp3Record& r) { r.vbrQuality = -2; }, 0xFFFFFFFE},
    {"abrBps", 76, 4, [](TMp3Record& r) { r.abrBps = 128000; }, 128000},
    {"vbrMethod", 80, 4, [](TMp3Record& r) { r.vbrMethod = 0x31323334; }, 0x31323334},
    {"noReservoir", 84, 4, [](TMp3Record& r) { r.noReservoir = true; }, 0xFFFFFFFF},
    {"strictIso", 88, 4, [](TMp3Record& r) { r.strictIso = true; }, 0xFFFFFFFF},
    {"quality", 92, 2, [](TMp3Record& r) { r.quality = 0xFA05; }, 0xFA05},
};

// The block a record holding the rows' values must pack to.
TMp3Config Stored(std::span<const TMemberRow> rows) {
  TMp3Config block{};
  for (const TMemberRow& row : rows)
    for (size_t i = 0; i < row.size; ++i)
      block[row.offset + i] = static_cast<uint8_t>(row.stored >> (8 * i));
  return block;
}

void ExpectRoundTrip(const TMp3Record& record, const TMp3Config& expected) {
  const TMp3Config block = PackMp3Record(record);
  for (size_t i = 0; i < kMp3ConfigSize; ++i) ASSERT_EQ(block[i], expected[i]) << "byte " << i;
  EXPECT_TRUE(UnpackMp3Record(block) == record) << "the record does not come back unchanged";
}

// Each member alone (its bytes and no others; back into itself and no other member), then all
// at once (no member over another's bytes).
TEST(Mp3Record, EveryMemberPacksToItsOffsetAndBack) {
  TMp3Record all;
  for (const TMemberRow& row : kRows) {
    SCOPED_TRACE(row.name);
    TMp3Record alone;
    row.set(alone);
    ASSERT_FALSE(alone == TMp3Record{}) << "the row's value must differ from the default";
    ExpectRoundTrip(alone, Stored({&row, 1}));
    row.set(all);
  }
  SCOPED_TRACE("all members");
  ExpectRoundTrip(all, Stored(kRows));
}

}  // namespace
}  // namespace quillon
