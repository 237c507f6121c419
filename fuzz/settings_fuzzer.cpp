// Any settings file gives a settings record whose every field is in its range and which reads
// back unchanged once saved.
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

bool SameSettings(const TConfig& a, const TConfig& b) {
  return a.tempfolder == b.tempfolder && a.selectiontype == b.selectiontype &&
         a.backcolor == b.backcolor && a.scalecolor == b.scalecolor && a.wavecolor == b.wavecolor &&
         a.posx == b.posx && a.posy == b.posy && a.width == b.width && a.height == b.height &&
         a.lang == b.lang && a.volume == b.volume && a.updates == b.updates;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path folder = fuzz::MakeScratchFolder("quillon-settings-fuzz");
  const std::filesystem::path file = folder / "Quillon.ini";
  fuzz::WriteFile(file, data, size);
  const QString name = QString::fromStdString(file.string());
  TConfig loaded;
  {
    QSettings store(name, QSettings::IniFormat);
    loaded = LoadSettings(store);
  }
  CheckSane(loaded);
  // What was read survives the save at shutdown and the next start.
  std::filesystem::remove(file);
  {
    QSettings store(name, QSettings::IniFormat);
    SaveSettings(store, loaded);
  }
  {
    QSettings store(name, QSettings::IniFormat);
    fuzz::Check(SameSettings(LoadSettings(store), loaded), "the settings changed on a round trip");
  }
  std::filesystem::remove(file);
  return 0;
}
