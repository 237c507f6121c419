#include "codecs/ffmpegutil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quillon {
namespace {

// An ID3v2 header declaring size bytes after it, with the flags byte given, then fill bytes.
std::vector<char> TagFile(uint32_t size, uint8_t flags, size_t fill, bool synchsafe = true) {
  std::vector<char> bytes = {'I', 'D', '3', 3, 0, static_cast<char>(flags)};
  for (int shift : {21, 14, 7, 0})
    bytes.push_back(static_cast<char>(((size >> shift) & 0x7F) | (synchsafe ? 0 : 0x80)));
  bytes.resize(bytes.size() + fill, 0);
  return bytes;
}

struct TagCase {
  const char* what;
  std::vector<char> bytes;
  int64_t skipped;
};

TEST(LargeLeadingTag, OnlyALargeTagThatFitsTheFileIsSkipped) {
  constexpr uint32_t kLarge = 3 << 20;
  const TagCase cases[] = {
      {"small tag", TagFile(1000, 0, 1100), 0},
      {"large tag", TagFile(kLarge, 0, kLarge + 100), kLarge + 10},
      {"large tag with footer", TagFile(kLarge, 0x10, kLarge + 100), kLarge + 20},
      {"tag claims more than the file", TagFile(kLarge, 0, 1000), 0},
      {"size not synchsafe", TagFile(kLarge, 0, kLarge + 100, false), 0},
      {"no tag", std::vector<char>(kLarge, 'x'), 0},
      {"shorter than a header", {'I', 'D', '3'}, 0},
  };
  const std::string path =
      (std::filesystem::temp_directory_path() / "quillon-largetag.mp3").string();
  for (const TagCase& c : cases) {
    std::ofstream(path, std::ios::binary).write(c.bytes.data(), std::streamsize(c.bytes.size()));
    EXPECT_EQ(LargeLeadingTagBytes(path), c.skipped) << c.what;
  }
  EXPECT_EQ(LargeLeadingTagBytes(path + ".missing"), 0);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace quillon
