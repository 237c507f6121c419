#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/config.h"
#include "platform/runfiles.h"

namespace quillon::test {

namespace fs = std::filesystem;

TTempDir::TTempDir() {
  std::string pattern = DefaultTempFolder() + "quillon-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) ADD_FAILURE() << "mkdtemp failed";
  path_ = buffer.data();
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

TTempFolder::TTempFolder() : saved_(config.tempfolder) {
  config.tempfolder = Path() + "/";
}

TTempFolder::~TTempFolder() {
  config.tempfolder = saved_;
}

std::vector<std::string> TTempDir::List() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    std::string name = entry.path().filename().string();
    // The run's lock guards the folder's temporary files; it is not one of them.
    if (name != RunLockName(RunId())) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

int RunCommand(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CommandOutput(const std::string& command, int* status) {
  std::string out;
  if (status) *status = -1;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int ended = pclose(pipe);
  if (status) *status = ended;
  return out;
}

void MakeWithFfmpeg(const std::string& arguments, const std::string& path) {
  std::string command =
      "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " '" + path + "'";
  ASSERT_EQ(RunCommand(command), 0) << command;
}

void WriteWav16(const std::string& path, uint16_t channels, uint32_t sampleRate,
                const std::vector<int16_t>& samples) {
  uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  auto le32 = [](std::ofstream& out, uint32_t v) { out.write(reinterpret_cast<char*>(&v), 4); };
  auto le16 = [](std::ofstream& out, uint16_t v) { out.write(reinterpret_cast<char*>(&v), 2); };
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write("RIFF", 4);
  le32(out, dataBytes + 36);
  out.write("WAVEfmt ", 8);
  le32(out, 16);
  le16(out, 1);
  le16(out, channels);
  le32(out, sampleRate);
  le32(out, sampleRate * channels * 2);
  le16(out, static_cast<uint16_t>(channels * 2));
  le16(out, 16);
  out.write("data", 4);
  le32(out, dataBytes);
  out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<int16_t> ReadWav16Samples(const std::string& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  if (bytes.size() < 44) return {};
  // The data chunk's own size: chunks after it (tags) are not samples.
  uint32_t dataBytes = 0;
  std::memcpy(&dataBytes, bytes.data() + 40, 4);
  std::vector<int16_t> samples(std::min<size_t>(dataBytes, bytes.size() - 44) / 2);
  // An empty vector's data() may be null, which memcpy must never get.
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
  return samples;
}

}  // namespace quillon::test
