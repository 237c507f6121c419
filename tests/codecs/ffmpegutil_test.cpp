#include "codecs/ffmpegutil.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/infoframe.h"

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

std::vector<char> InfoFrame(uint32_t rate, bool mono) {
  TInfoFrameFacts facts;
  facts.sampleRate = rate;
  facts.mono = mono;
  facts.kbps = 8;
  const std::vector<uint8_t> frame = MakeInfoFrame(facts);
  return std::vector<char>(frame.begin(), frame.end());
}

std::vector<char> Joined(std::vector<char> first, const std::vector<char>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// A file is opened as MP3 when it begins, past an ID3v2 tag, with a layer III frame that holds a
// Xing or Info tag; nothing else is taken for one.
TEST(StartsAsMp3, AnInfoFrameAfterAnyLeadingTagMakesAFileAnMp3) {
  const std::vector<char> stereo = InfoFrame(44100, false);
  std::vector<char> xing = stereo, untagged = stereo, layer2 = stereo, riff = stereo;
  const auto tag = std::search(xing.begin(), xing.end(), "Info", "Info" + 4);
  std::copy_n("Xing", 4, tag);
  std::fill_n(untagged.begin() + (tag - xing.begin()), 4, 0);
  layer2[1] = static_cast<char>((layer2[1] & ~0x06) | 0x04);
  std::copy_n("RIFF", 4, riff.begin());
  const struct {
    const char* what;
    std::vector<char> bytes;
    bool mp3;
  } cases[] = {
      {"Info frame", stereo, true},
      {"Xing frame", xing, true},
      {"MPEG-2 mono Info frame", InfoFrame(22050, true), true},
      {"behind an ID3v2 tag", Joined(TagFile(100, 0, 100), stereo), true},
      {"a frame without a tag", untagged, false},
      {"layer II", layer2, false},
      {"a RIFF file", riff, false},
      {"shorter than a header", {'\xFF', '\xFB'}, false},
  };
  const std::string path =
      (std::filesystem::temp_directory_path() / "quillon-startsas.mp3").string();
  for (const auto& c : cases) {
    std::ofstream(path, std::ios::binary).write(c.bytes.data(), std::streamsize(c.bytes.size()));
    EXPECT_EQ(StartsAsMp3(path), c.mp3) << c.what;
  }
  EXPECT_FALSE(StartsAsMp3(path + ".missing"));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace quillon
