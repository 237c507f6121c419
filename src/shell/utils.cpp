#include "shell/utils.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

#include <sys/utsname.h>
#include <unistd.h>

#include "localization/constants.h"
#include "platform/granularity.h"

namespace quillon {

namespace {

// Qt's own largest widget size; keeping coordinates within it keeps every QRect edge in range.
constexpr int64_t kMaxCoordinate = 16777215;

// An integer from whatever the store holds: INI files give text, a store not yet written to
// disk gives the type that was set. Anything else (lists, fractions, words) is no integer.
std::optional<int64_t> ToInteger(const QVariant& value) {
  switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
      return value.toLongLong();
    case QMetaType::ULongLong: {
      qulonglong u = value.toULongLong();
      if (u > static_cast<qulonglong>(std::numeric_limits<int64_t>::max())) return std::nullopt;
      return static_cast<int64_t>(u);
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
      bool ok = false;
      qlonglong n = value.toString().trimmed().toLongLong(&ok, 10);
      if (!ok) return std::nullopt;
      return n;
    }
    default:
      return std::nullopt;
  }
}

std::optional<int32_t> ReadInteger(const QSettings& store, const char* name, int64_t lowest,
                                   int64_t highest) {
  if (!store.contains(name)) return std::nullopt;
  std::optional<int64_t> n = ToInteger(store.value(name));
  if (!n || *n < lowest || *n > highest) return std::nullopt;
  return static_cast<int32_t>(*n);
}

void ReadInto(const QSettings& store, const char* name, int64_t lowest, int64_t highest,
              int32_t& field) {
  if (auto n = ReadInteger(store, name, lowest, highest)) field = *n;
}

void ReadColor(const QSettings& store, const char* name, uint32_t& field) {
  if (auto n = ReadInteger(store, name, 0, 0xFFFFFF)) field = static_cast<uint32_t>(*n);
}

// Stored as 0 or 1, but any nonzero integer means true; words from a hand-edited file too.
void ReadBoolean(const QSettings& store, const char* name, bool& field) {
  if (!store.contains(name)) return;
  QVariant value = store.value(name);
  if (value.metaType().id() == QMetaType::Bool) {
    field = value.toBool();
    return;
  }
  if (std::optional<int64_t> n = ToInteger(value)) {
    field = *n != 0;
    return;
  }
  if (value.metaType().id() == QMetaType::QString) {
    QString word = value.toString().trimmed();
    if (word.compare("true", Qt::CaseInsensitive) == 0) field = true;
    if (word.compare("false", Qt::CaseInsensitive) == 0) field = false;
  }
}

// Only a folder that is there and can take files: anything else would make every operation
// fail later with a less helpful message.
void ReadFolder(const QSettings& store, const char* name, std::string& field) {
  if (!store.contains(name)) return;
  QVariant value = store.value(name);
  int type = value.metaType().id();
  if (type != QMetaType::QString && type != QMetaType::QByteArray) return;
  QString folder = value.toString();
  if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) return;
  QFileInfo info(folder);
  if (!info.isDir() || !info.isWritable()) return;
  std::string path = folder.toStdString();
  if (path.back() != '/') path += '/';
  field = path;
}

int64_t Clamp(int64_t value, int64_t lowest, int64_t highest) {
  return std::clamp(value, lowest, highest);
}

}  // namespace

std::unique_ptr<QSettings> OpenUserSettings() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kOrganisation,
                                     kApplicationTitle);
}

TConfig LoadSettings(QSettings& store) {
  TConfig settings;
  if (store.status() == QSettings::AccessError) return settings;
  constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
  constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
  store.beginGroup(kSettingsGroup);
  ReadFolder(store, "tempfolder", settings.tempfolder);
  // The unit indexes the selection masks, so only the two units there are.
  ReadInto(store, "selectiontype", 0, 1, settings.selectiontype);
  ReadColor(store, "backcolor", settings.backcolor);
  ReadColor(store, "scalecolor", settings.scalecolor);
  ReadColor(store, "wavecolor", settings.wavecolor);
  // Negative positions are real on a desktop with a screen left of or above the primary one.
  ReadInto(store, "posx", kInt32Min, kInt32Max, settings.posx);
  ReadInto(store, "posy", kInt32Min, kInt32Max, settings.posy);
  // A size is either not set or positive; 0 or -5 are damage, not a size.
  if (auto w = ReadInteger(store, "width", kNotSet, kInt32Max); w && *w != 0) settings.width = *w;
  if (auto h = ReadInteger(store, "height", kNotSet, kInt32Max); h && *h != 0) {
    settings.height = *h;
  }
  // Language identifiers are 16-bit.
  ReadInto(store, "lang", kNotSet, 0xFFFF, settings.lang);
  ReadInto(store, "volume", -10000, 0, settings.volume);
  ReadBoolean(store, "updates", settings.updates);
  ReadBoolean(store, "likepeers", settings.likepeers);
  ReadBoolean(store, "snaptoframes", settings.snaptoframes);
  store.endGroup();
  settings.savefilterindex = 0;
  return settings;
}

void SaveSettings(QSettings& store, const TConfig& settings) {
  store.beginGroup(kSettingsGroup);
  store.setValue("tempfolder", QString::fromStdString(settings.tempfolder));
  store.setValue("selectiontype", settings.selectiontype);
  store.setValue("backcolor", settings.backcolor);
  store.setValue("scalecolor", settings.scalecolor);
  store.setValue("wavecolor", settings.wavecolor);
  store.setValue("posx", settings.posx);
  store.setValue("posy", settings.posy);
  store.setValue("width", settings.width);
  store.setValue("height", settings.height);
  store.setValue("lang", settings.lang);
  store.setValue("volume", settings.volume);
  store.setValue("updates", settings.updates ? 1 : 0);
  // Written only when on, so that the stored values stay the twelve of before by default.
  if (settings.likepeers)
    store.setValue("likepeers", 1);
  else
    store.remove("likepeers");
  if (settings.snaptoframes)
    store.setValue("snaptoframes", 1);
  else
    store.remove("snaptoframes");
  store.endGroup();
  store.sync();
}

TEncoderQuality LoadEncoderQuality(QSettings& store) {
  TEncoderQuality quality;
  if (store.status() == QSettings::AccessError) return quality;
  store.beginGroup(kSettingsGroup);
  // A hand-edited number beyond the range still says which end the user wanted.
  auto readClamped = [&store](const char* name, int32_t lowest, int32_t highest, int32_t& field) {
    if (!store.contains(name)) return;
    if (const auto n = ToInteger(store.value(name)))
      field = static_cast<int32_t>(Clamp(*n, lowest, highest));
  };
  readClamped("vorbisquality", kVorbisQualityMin, kVorbisQualityMax, quality.vorbisQuality);
  readClamped("opusbitrate", kOpusBitrateMin, kOpusBitrateMax, quality.opusBitrate);
  store.endGroup();
  return quality;
}

void SaveEncoderQuality(QSettings& store, const TEncoderQuality& quality) {
  store.beginGroup(kSettingsGroup);
  store.setValue("vorbisquality", quality.vorbisQuality);
  store.setValue("opusbitrate", quality.opusBitrate);
  store.endGroup();
  store.sync();
}

QRect MainWindowPlacement(const TConfig& stored, const QRect& available) {
  int64_t width = kDesignedWidth;
  int64_t height = kDesignedHeight;
  if (stored.width > 0 && stored.height > 0) {
    width = Clamp(stored.width, kMinimumWidth, kMaxCoordinate);
    height = Clamp(stored.height, kMinimumHeight, kMaxCoordinate);
  }
  int64_t left = kDesignedLeft;
  int64_t top = kDesignedTop;
  if (stored.posx == kNotSet && stored.posy == kNotSet) {
    if (available.width() > 0 && available.height() > 0) {
      // A window larger than the screen keeps its title bar on the screen.
      left = std::max<int64_t>(available.x(), available.x() + (available.width() - width) / 2);
      top = std::max<int64_t>(available.y(), available.y() + (available.height() - height) / 2);
    }
  } else {
    left = stored.posx;
    top = stored.posy;
  }
  left = Clamp(left, -kMaxCoordinate, kMaxCoordinate);
  top = Clamp(top, -kMaxCoordinate, kMaxCoordinate);
  return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
               static_cast<int>(height));
}

std::string WindowCaption(const std::string& fileName, bool modified) {
  std::string::size_type slash = fileName.rfind('/');
  std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  return (modified ? "*" : "") + name + " - " + kApplicationTitle;
}

std::optional<std::string> FileToOpen(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1 || arguments[0].empty()) return std::nullopt;
  return arguments[0];
}

std::string GranularityReport(uint32_t granularity, uint32_t pageSize, uint32_t architecture,
                              uint32_t processors) {
  return "  Granularity: " + std::to_string(granularity) +
         ", page size: " + std::to_string(pageSize) +
         ", CPU arch: " + std::to_string(architecture) + ", CPU num: " + std::to_string(processors);
}

uint32_t ProcessorArchitectureCode(const std::string& machine) {
  if (machine == "x86_64" || machine == "amd64") return 9;
  if (machine == "aarch64" || machine == "arm64") return 12;
  if (machine.starts_with("arm")) return 5;
  if (machine.size() == 4 && machine[0] == 'i' && machine.ends_with("86")) return 0;
  return 0xFFFF;
}

std::optional<std::string> MachineGranularityReport(uint32_t granularity) {
  if (granularity == kUsualGranularity) return std::nullopt;
  utsname names{};
  const std::string machine = uname(&names) == 0 ? names.machine : "";
  const long processors = sysconf(_SC_NPROCESSORS_ONLN);
  return GranularityReport(granularity, SystemPageSize(), ProcessorArchitectureCode(machine),
                           processors > 0 ? static_cast<uint32_t>(processors) : 1);
}

int ScaleForDpi(int size, int dpi) {
  if (dpi <= 0) return size;
  int64_t product = static_cast<int64_t>(size) * dpi;
  int64_t magnitude = ((product < 0 ? -product : product) * 2 + 96) / 192;
  int64_t scaled = product < 0 ? -magnitude : magnitude;
  return static_cast<int>(
      Clamp(scaled, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool RedrawGlyphsAtDpi(int dpi) {
  return static_cast<int64_t>(dpi) * 100 / 96 > 150;
}

std::string FormatDuration(double seconds) {
  const int64_t ms = std::llround(seconds * 1000) % (24LL * 3600 * 1000);
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d:%02d.%03d", static_cast<int>(ms / 3600000),
                static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                static_cast<int>(ms % 1000));
  return text;
}

std::string FormatMs(uint32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3u:%.2u.%.3u", ms / 60000, (ms % 60000) / 1000, ms % 1000);
  return text;
}

namespace {
std::optional<uint64_t> ParseDecimal(const std::string& part) {
  const QString text = QString::fromStdString(part).trimmed();
  bool ok = false;
  const qulonglong value = text.toULongLong(&ok, 10);
  if (!ok || text.startsWith('+')) return std::nullopt;
  return value;
}
}  // namespace

std::optional<uint32_t> ParseMs(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const std::string rest = text.substr(colon + 1);
  const auto dot = rest.find('.');
  if (dot == std::string::npos) return std::nullopt;
  const auto minutes = ParseDecimal(text.substr(0, colon));
  const auto seconds = ParseDecimal(rest.substr(0, dot));
  const auto ms = ParseDecimal(rest.substr(dot + 1));
  if (!minutes || !seconds || !ms || *minutes > UINT32_MAX || *seconds > UINT32_MAX ||
      *ms > UINT32_MAX)
    return std::nullopt;
  const uint64_t total = *minutes * 60000 + *seconds * 1000 + *ms;
  if (total > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(total);
}

int32_t PlayerVolume(int32_t barPosition) {
  const double position = std::clamp(barPosition, -10000, 0);
  return static_cast<int32_t>(std::nearbyint(std::log(1 - position) * 1085.73)) - 10000;
}

namespace {
constexpr TSaveType kSaveTypes[] = {
    {"WAV", ".wav", TSaveFormat::wav},    {"MP3", ".mp3", TSaveFormat::mp3},
    {"FLAC", ".flac", TSaveFormat::flac}, {"Ogg Vorbis", ".ogg", TSaveFormat::vorbis},
    {"Opus", ".opus", TSaveFormat::opus},
};
constexpr int kSaveTypeCount = static_cast<int>(std::size(kSaveTypes));
}  // namespace

std::span<const TSaveType> SaveTypes() {
  return kSaveTypes;
}

const TSaveType& SaveTypeAt(int typeIndex) {
  return kSaveTypes[typeIndex >= 1 && typeIndex <= kSaveTypeCount ? typeIndex - 1 : 0];
}

const char* SaveTypeExtension(int typeIndex) {
  return SaveTypeAt(typeIndex).extension;
}

std::string SaveTargetName(const std::string& name, int typeIndex) {
  if (SaveFormatOf(name)) return name;
  return name + SaveTypeExtension(typeIndex);
}

std::string SaveDialogStart(const std::string& documentPath, int typeIndex, bool selection) {
  if (documentPath.empty()) return {};
  const QFileInfo document(QString::fromStdString(documentPath));
  std::string name = document.completeBaseName().toStdString();
  if (selection) name = ConstantText("selectionfilename", "%s", name);
  return document.absolutePath().toStdString() + "/" + name + SaveTypeExtension(typeIndex);
}

int SaveTypeOfFormat(TSaveFormat format) {
  for (int i = 0; i < kSaveTypeCount; ++i)
    if (kSaveTypes[i].format == format) return i + 1;
  return 1;
}

std::string SelectionBoxText(int32_t selectiontype, uint32_t frames, uint32_t ms) {
  return selectiontype == 0 ? FormatMs(ms) : std::to_string(frames);
}

std::optional<uint32_t> ParseSelectionBox(int32_t selectiontype, const std::string& text) {
  if (selectiontype == 0) return ParseMs(text);
  const auto value = ParseDecimal(text);
  if (!value || *value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

const char* SelectionMask(int32_t selectiontype) {
  return selectiontype == 0 ? "!999:99.999;1;0" : "!999999999999;1;0";
}

}  // namespace quillon

namespace quillon {

QString SelectionInputMask(int32_t selectiontype) {
  const QStringList parts = QString(SelectionMask(selectiontype)).remove('!').split(';');
  QString digits = parts.front();
  digits.replace('9', '0');
  // Qt fills a mask from the left, so a '0' blank after a short number would read as more
  // digits; a sample number's unfilled places stay blank instead.
  if (selectiontype != 0) return digits + "; ";
  return parts.size() > 1 ? digits + ';' + parts.back() : digits;
}

}  // namespace quillon
