// infoframe: the Info frame at the start of an MP3, for CBR streams whose frames are too small for
// the encoder to put its own there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon {

// What the Info frame tells decoders about the stream that follows it.
struct TInfoFrameFacts {
  uint32_t sampleRate = 0;  // of the MP3: 8000 to 48000
  bool mono = false;
  int kbps = 0;              // the stream's bitrate
  int lowpassHz = 0;         // the encoder's lowpass filter
  uint32_t audioFrames = 0;  // frames after the Info frame
  uint64_t fileBytes = 0;    // the whole file, the Info frame included
  int delay = 0;             // samples the encoder put in front of the audio
  int padding = 0;           // samples it appended after the audio
};

// Whether a frame of the stream itself holds an Info frame (header, side information, the
// Xing and LAME tags); the encoder writes its own only then.
bool StreamFrameHoldsInfo(uint32_t sampleRate, bool mono, int kbps);

// The size of the Info frame MakeInfoFrame builds: a frame of a bitrate whose frames hold the
// tags, chosen so that the fewest audio bytes after it let every decoder read the file.
size_t InfoFrameSize(uint32_t sampleRate, bool mono);

// Whether bytes begin with a layer III frame header whose frame carries a Xing or Info tag where
// encoders put it, after the side information: the first frame of an MP3 that describes itself.
bool StartsWithInfoFrame(const uint8_t* bytes, size_t size);

// The Info frame in the encoder's own layout: an empty layer III frame carrying the Xing "Info"
// tag (frame and byte counts, a linear seek table) and the LAME tag with the delay and padding.
std::vector<uint8_t> MakeInfoFrame(const TInfoFrameFacts& facts);

}  // namespace quillon
