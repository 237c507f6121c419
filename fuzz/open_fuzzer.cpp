// Any bytes opened as an audio file end in a loaded document or a message, and leave no
// temporary file behind once the document is closed; the file itself never changes.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "document/wavfile.h"
#include "fuzz_support.h"
#include "platform/config.h"
#include "platform/runfiles.h"
#include "platform/taskloop.h"

using namespace quillon;

namespace {

std::vector<uint8_t> ReadBack(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The run's lock stays for the process's life; anything else left is a leak.
bool NothingButTheRunLock(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename() != RunLockName(RunId())) return false;
  return true;
}

struct TOpenBench {
  TOpenBench() : folder(fuzz::MakeScratchFolder("quillon-open-fuzz")) {
    config.tempfolder = (folder / "temp").string() + "/";
    std::filesystem::create_directory(folder / "temp");
    SetMainThread(&loop);
    SetMessageBoxes(&boxes);
  }
  ~TOpenBench() {
    SetMessageBoxes(nullptr);
    SetMainThread(nullptr);
    std::filesystem::remove_all(folder);
  }

  std::filesystem::path folder;
  TTaskLoop loop;
  fuzz::TQuietMessageBoxes boxes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TOpenBench bench;
  const std::filesystem::path input = bench.folder / "input";
  fuzz::WriteFile(input, data, size);
  bench.boxes.shown = 0;
  {
    Twavefile document;
    document.Open(input.string());
    const bool ended =
        bench.loop.RunUntil([&] { return !document.Busy(); }, std::chrono::seconds(60));
    fuzz::Check(ended, "opening did not end");
    fuzz::Check(document.Loaded() || bench.boxes.shown > 0, "a failed open without a message");
    if (document.Loaded()) {
      fuzz::Check(document.Channels() == 1 || document.Channels() == 2, "channel count");
      fuzz::Check(document.SampleRate() > 0, "sample rate");
      fuzz::Check(document.DataBytes() == document.FrameCount() * document.Channels() * 2u,
                  "data size and frame count disagree");
    }
    document.Close();
  }
  fuzz::Check(ReadBack(input) == std::vector<uint8_t>(data, data + size), "the source changed");
  std::filesystem::remove(input);
  fuzz::Check(NothingButTheRunLock(config.tempfolder), "a temporary file was left behind");
  return 0;
}
