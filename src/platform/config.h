#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// The system's temporary folder ($TMPDIR, else /tmp), ending with '/'.
std::string DefaultTempFolder();
// folder (the system's temporary folder when empty) ending with '/'.
std::string FolderWithSlash(std::string folder);
// The program's folder in the user's data folder: $XDG_DATA_HOME/Quillon, else
// ~/.local/share/Quillon (relative settings are ignored), without a trailing '/'.
std::string UserDataFolder();

// Colours are 0x00BBGGRR, the byte order the stored settings have always used.
inline constexpr uint32_t kDefaultBackColor = 0x000000;   // black
inline constexpr uint32_t kDefaultScaleColor = 0xDCDCDC;  // light grey, 220 in each channel
inline constexpr uint32_t kDefaultWaveColor =
    0xABF01C;  // bright green: red 28, green 240, blue 171
inline constexpr int32_t kDefaultVolume = -8000;
inline constexpr int32_t kNotSet = -1;  // posx, posy, width, height and lang before the first save

// The one process-wide settings record, filled at start-up and written back at shutdown.
struct TConfig {
  std::string tempfolder = DefaultTempFolder();  // folder of every temporary file; ends with '/'
  int32_t selectiontype = 0;  // unit of selections, cursor and scale: 0 = milliseconds, 1 = samples
  uint32_t backcolor = kDefaultBackColor;    // waveform view background
  uint32_t scalecolor = kDefaultScaleColor;  // waveform view scales
  uint32_t wavecolor = kDefaultWaveColor;    // waveform view wave data
  int32_t posx = kNotSet;                    // main window left edge, screen pixels
  int32_t posy = kNotSet;                    // main window top edge
  int32_t width = kNotSet;                   // main window width
  int32_t height = kNotSet;                  // main window height
  int32_t lang = kNotSet;                    // interface language identifier, -1 = none chosen
  int32_t volume = kDefaultVolume;           // volume bar: -10000 (loudest) to 0 (silent)
  int32_t savefilterindex = 0;  // file type of the last Save As since start; never stored
  bool updates = true;          // check for a newer version at start-up
  // "Work like other audio editors": the effects change the selection when there is one, Shift
  // with the cursor keys extends the selection, the view follows the cursor and the play
  // position, Paste replaces the selection, Ctrl and the wheel zoom at the pointer. Off, none of
  // that.
  bool likepeers = false;
  // Selection edges land on the nearest frame boundary of the document's MP3 source.
  bool snaptoframes = false;
};

extern TConfig config;

}  // namespace quillon
