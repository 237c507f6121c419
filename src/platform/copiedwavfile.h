#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace quillon {

// Audio handed to other programs by name (the clipboard's file, a dragged selection) goes into a
// file of its own in config.tempfolder: "Quillon clip <n>.wav" with the lowest free n, a name
// the user recognises where the other program shows it. Returns the path; throws EOSError when
// the file cannot be made or written (nothing is left behind then).
std::string WriteClipFile(const uint8_t* bytes, size_t size);

class TFileWriter;
// The same for content that content writes into the file itself, piece by piece; what it
// throws leaves nothing behind either.
std::string WriteClipFile(const std::function<void(TFileWriter&)>& content);

}  // namespace quillon
