// Any settings file gives a settings record whose every field is in its range.
#include <QSettings>
#include <filesystem>

#include "fuzz_support.h"
#include "shell/utils.h"

using namespace quillon;

namespace {

bool InRange(int64_t value, int64_t lowest, int64_t highest) {
  return value >= lowest && value <= highest;
}

void CheckSane(const TConfig& settings) {
  const std::string& folder = settings.tempfolder;
  fuzz::Check(!folder.empty() && folder.front() == '/' && folder.back() == '/', "temp folder");
  fuzz::Check(settings.selectiontype == 0 || settings.selectiontype == 1, "selection unit");
  for (uint32_t color : {settings.backcolor, settings.scalecolor, settings.wavecolor})
    fuzz::Check(color <= 0xFFFFFF, "colour");
  fuzz::Check(settings.width == kNotSet || settings.width > 0, "width");
  fuzz::Check(settings.height == kNotSet || settings.height > 0, "height");
  fuzz::Check(InRange(settings.lang, kNotSet, 0xFFFF), "language");
  fuzz::Check(InRange(settings.volume, -10000, 0), "volume");
  fuzz::Check(settings.savefilterindex == 0, "save filter");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path folder = fuzz::MakeScratchFolder("quillon-settings-fuzz");
  const std::filesystem::path file = folder / "Quillon.ini";
  fuzz::WriteFile(file, data, size);
  {
    QSettings store(QString::fromStdString(file.string()), QSettings::IniFormat);
    CheckSane(LoadSettings(store));
  }
  std::filesystem::remove(file);
  return 0;
}
