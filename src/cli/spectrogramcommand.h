#pragma once

namespace quillon {

// quillon-cli spectrogram IN -o OUT.png [--size WxH] [--window N] [--scale linear|log|mel]
// [--from FRAME --frames N]: draws IN's spectrogram, every channel a band, as the window does.
int RunSpectrogramCommand(int argc, const char* const* argv);

// The lines of the usage text that describe the spectrogram command.
extern const char* const kSpectrogramUsage;

}  // namespace quillon
