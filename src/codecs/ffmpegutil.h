#pragma once

#include <cstdint>
#include <string>

struct AVFormatContext;

namespace quillon {

// Damaged input and refused formats are reported by our own messages; FFmpeg's log would only
// add noise on the terminal. Safe to call from any thread, any number of times.
void SilenceFFmpegLog();

// FFmpeg's text for one of its error codes.
std::string AvErrorText(int code);

// Bytes of a leading ID3v2 tag that FFmpeg should step over: it would load the tag whole,
// pictures and all, before the first frame. Tags are read apart, within bounds, so a tag larger
// than a mebibyte that fits the file is skipped; 0 for anything else.
int64_t LargeLeadingTagBytes(const std::string& path);

// Whether the file, past a leading ID3v2 tag, begins with an MP3's Info frame. FFmpeg's own
// guess wants more frames than a very short MP3 has (and may tie with another format's).
bool StartsAsMp3(const std::string& path);

// avformat_open_input for a path, past a large leading tag, and as MP3 when it starts as one;
// FFmpeg's result.
int OpenInputFile(AVFormatContext** format, const std::string& path);

}  // namespace quillon
