#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the files in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};

// A private folder that is config.tempfolder for as long as it lives.
class TTempFolder : public TTempDir {
 public:
  TTempFolder();
  ~TTempFolder();

 private:
  std::string saved_;
};

// Runs a shell command; returns its exit status.
int RunCommand(const std::string& command);
// Everything a shell command prints on its standard output; empty when it cannot start. With
// status, its exit status too (-1 when it could not start).
std::string CommandOutput(const std::string& command, int* status = nullptr);

// Makes path with the ffmpeg command-line tool: "ffmpeg -y <arguments> path". Fails the test
// when ffmpeg fails.
void MakeWithFfmpeg(const std::string& arguments, const std::string& path);

// Writes a canonical 16-bit PCM WAV file of interleaved samples.
void WriteWav16(const std::string& path, uint16_t channels, uint32_t sampleRate,
                const std::vector<int16_t>& samples);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// The samples after a canonical 44-byte header.
std::vector<int16_t> ReadWav16Samples(const std::string& path);

}  // namespace quillon::test
