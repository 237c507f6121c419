#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/messagebox.h"

namespace quillon::fuzz {

// A broken promise of the code under test: libFuzzer keeps the input that led here.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

// A private folder under the system's temporary folder for the whole fuzzing process.
inline std::filesystem::path MakeScratchFolder(const char* name) {
  std::string pattern = (std::filesystem::temp_directory_path() / name).string() + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) Fail("no scratch folder");
  return buffer.data();
}

inline void WriteFile(const std::filesystem::path& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) Fail("cannot write the input file");
  if (size > 0 && std::fwrite(data, 1, size, file) != size) Fail("cannot write the input file");
  std::fclose(file);
}

// Counts messages and questions instead of showing them.
class TQuietMessageBoxes : public TMessageBoxes {
 public:
  void Show(const std::string&, const std::string& text, TMessageIcon) override {
    Check(!text.empty(), "an empty message");
    ++shown;
  }
  void ShowException(const std::string& text) override { Show({}, text, {}); }
  bool AskYesNo(const std::string&, const std::string&) override {
    ++shown;
    return answer;
  }
  int shown = 0;
  bool answer = false;
};

}  // namespace quillon::fuzz
