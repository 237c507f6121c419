#pragma once

#include <QRect>
#include <QSettings>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codecs/encodersettings.h"
#include "platform/config.h"
#include "platform/messagebox.h"

namespace quillon {

inline constexpr const char* kOrganisation = "Morvane";
inline constexpr const char* kSettingsGroup = "Settings";

// The user's settings: Morvane/Quillon.ini under the user's configuration folder.
std::unique_ptr<QSettings> OpenUserSettings();

// Every field at its default, then each stored value of the "Settings" group that exists and
// makes sense. A value of the wrong type or out of range leaves that field at its default, so
// a damaged file never stops the program. savefilterindex is never stored and stays 0.
TConfig LoadSettings(QSettings& store);

// Writes all twelve stored values into the "Settings" group, in the record's order. Failure is
// silent: losing the window position is not worth a message at shutdown.
void SaveSettings(QSettings& store, const TConfig& settings);

// The main window as designed; sizes are the window's own, as it reports and stores them.
inline constexpr int kDesignedLeft = 286;
inline constexpr int kDesignedTop = 166;
inline constexpr int kDesignedWidth = 832;
inline constexpr int kDesignedHeight = 555;
inline constexpr int kMinimumWidth = 510;
inline constexpr int kMinimumHeight = 320;

// Where the main window goes at start-up, from the stored posx, posy, width and height and the
// screen's available geometry. Both positions -1: centred on the screen (at the designed
// position when there is no usable screen). Otherwise the stored left and top, even when only
// one of them is -1. The stored size only when both width and height are set, never below the
// minimum size; otherwise the designed size.
QRect MainWindowPlacement(const TConfig& stored, const QRect& available);

// The caption of the main window and the application: the file's name without its folder,
// " - " and the application title; a leading "*" when the document has unsaved changes.
std::string WindowCaption(const std::string& fileName, bool modified = false);

// The file the command line asks to open: its one argument (arguments exclude the program's
// own name). None, or two or more, open nothing.
std::optional<std::string> FileToOpen(const std::vector<std::string>& arguments);

// The usage report sent at start-up when the allocation granularity is unusual.
inline constexpr uint32_t kUsualGranularity = 65536;
std::string GranularityReport(uint32_t granularity, uint32_t pageSize, uint32_t architecture,
                              uint32_t processors);
// The report for this machine, or nothing when its granularity is the usual one.
std::optional<std::string> MachineGranularityReport(uint32_t granularity);
// The processor architecture as the usual numeric codes: 0 x86, 5 ARM, 9 x64, 12 ARM64,
// 0xFFFF unknown.
uint32_t ProcessorArchitectureCode(const std::string& machine);

// size × dpi / 96, rounded to the nearest integer, as every size on a scaled screen is.
int ScaleForDpi(int size, int dpi);

// Button glyphs are re-rendered only above 150 % (so not at 144 dpi).
bool RedrawGlyphsAtDpi(int dpi);

// "h:nn:ss.zzz" of a duration in seconds; the hours are those of the day, as a time of day
// shows.
std::string FormatDuration(double seconds);
// Milliseconds as minutes (three digits or more), seconds and milliseconds: 83456 is
// "001:23.456".
std::string FormatMs(uint32_t ms);
// The inverse of FormatMs for what a person types: minutes before the first ':', seconds and
// milliseconds split at the first '.' after it, each a decimal integer (surrounding blanks
// allowed). Nothing when a part is no number or the total passes 32 bits.
std::optional<uint32_t> ParseMs(const std::string& text);
// The player's volume in hundredths of a decibel for a volume bar position from -10000 (top,
// loudest) to 0 (silent): the bar runs logarithmically.
int32_t PlayerVolume(int32_t barPosition);
// The save dialog's file types in the dialog's order; a type index counts from 1 (1 WAV, 2 MP3,
// 3 FLAC, 4 Ogg Vorbis, 5 Opus), and 0 or any index out of range counts as the first.
struct TSaveType {
  const char* typeName;   // the format's name, "WAV"; the dialog's entry is built from it
  const char* extension;  // ".wav"
  TSaveFormat format;
};
std::span<const TSaveType> SaveTypes();
const TSaveType& SaveTypeAt(int typeIndex);
const char* SaveTypeExtension(int typeIndex);
// The name a save writes to, for Save As and Save Selected As alike: a typed name that ends in
// one of the types' extensions, in any case, is kept and decides the format; any other name gets
// the chosen type's extension appended, so nothing the user typed is lost.
std::string SaveTargetName(const std::string& name, int typeIndex);
// Where a save dialog starts: in the document's folder, with its name and the type's extension;
// a selection's name says it is one ("take (selection).wav"). Empty without a document's name.
std::string SaveDialogStart(const std::string& documentPath, int typeIndex, bool selection);
// The type index that writes a format.
int SaveTypeOfFormat(TSaveFormat format);

// The quality asked before Ogg Vorbis and Opus saves, kept while the program runs and stored as
// "vorbisquality" and "opusbitrate" in the "Settings" group.
struct TEncoderQuality {
  int32_t vorbisQuality = kVorbisQualityDefault;
  int32_t opusBitrate = kOpusBitrateDefault;
};
// Missing or non-numeric values give the defaults; numbers out of range are clamped to it.
TEncoderQuality LoadEncoderQuality(QSettings& store);
void SaveEncoderQuality(QSettings& store, const TEncoderQuality& quality);
// A selection box's text for a position: frames in decimal in samples mode, FormatMs of the
// milliseconds otherwise.
std::string SelectionBoxText(int32_t selectiontype, uint32_t frames, uint32_t ms);
// What a selection box holds: frames in samples mode, milliseconds otherwise; nothing when it
// is no number.
std::optional<uint32_t> ParseSelectionBox(int32_t selectiontype, const std::string& text);
// The selection boxes' edit mask for a unit: 0 = milliseconds, anything else = samples.
const char* SelectionMask(int32_t selectiontype);
// That mask in Qt's notation: '9' (optional digit) becomes '0'. Milliseconds show unfilled
// places as 0; sample numbers leave them blank.
QString SelectionInputMask(int32_t selectiontype);

}  // namespace quillon
