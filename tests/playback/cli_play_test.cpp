#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace quillon {
namespace {

using test::TTempDir;

class CliPlayTest : public ::testing::Test {
 protected:
  CliPlayTest() {
    samples.resize(2 * 8000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(1 + i % 5000);
    test::WriteWav16(source, 2, 8000, samples);
  }

  // Runs quillon-cli play with the environment given; returns its exit status.
  int Play(const std::string& environment, const std::string& arguments) {
    std::string command = environment + " '" + std::string(QUILLON_CLI) + "' play '" + source +
                          "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    return test::RunCommand(command);
  }

  std::string Text(const std::string& path) {
    std::vector<uint8_t> bytes = test::ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
  }

  TTempDir folder;
  std::string source = folder.File("source.wav");
  std::string out = folder.File("out.txt");
  std::string err = folder.File("err.txt");
  std::string received = folder.File("device.raw");
  std::vector<int16_t> samples;
};

TEST_F(CliPlayTest, PlaysTheRangeToTheDeviceAndPrintsFramePositions) {
  ASSERT_EQ(Play("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + received + "'",
                 "--from 1000 --frames 3000"),
            0)
      << Text(err);
  std::string printed = Text(out);
  EXPECT_NE(printed.find("position 3999\n"), std::string::npos) << printed;
  EXPECT_EQ(printed.substr(printed.rfind("position")), "position 3999\n");
  std::vector<uint8_t> bytes = test::ReadFileBytes(received);
  std::vector<int16_t> played(bytes.size() / 2);
  std::memcpy(played.data(), bytes.data(), played.size() * 2);
  auto first = std::find_if(played.begin(), played.end(), [](int16_t s) { return s != 0; });
  ASSERT_GE(played.end() - first, 6000);
  EXPECT_TRUE(std::equal(samples.begin() + 2000, samples.begin() + 8000, first));
}

TEST_F(CliPlayTest, RefusesARangeOutsideTheAudioAndAMissingDevice) {
  EXPECT_EQ(Play("SDL_AUDIODRIVER=dummy", "--from 7000 --frames 2000"), 1);
  EXPECT_NE(Text(err).find("outside"), std::string::npos) << Text(err);
  EXPECT_EQ(Play("SDL_AUDIODRIVER=dummy", "--from -1"), 2);
  EXPECT_EQ(Play("SDL_AUDIODRIVER=nonexistent", ""), 1);
  EXPECT_NE(Text(err).find("No sound driver is available for use"), std::string::npos);
}

}  // namespace
}  // namespace quillon
