// Any bytes as an MP3 source: the frame index either refuses them with a reason or holds frames
// that lie inside the file and agree with the length it reports; every header and side
// information reader stays inside the bytes it is given.
#include <fstream>

#include "fuzz_support.h"
#include "mp3frames/frameindex.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t at = 0; at + 4 <= size && at < 64; ++at)
    if (std::optional<TMp3Header> header = ParseMp3Header(data + at, size - at)) {
      ParseSideInfo(*header, data + at, size - at);
      ParseXingTag(*header, data + at, size - at);
    }
  static const std::filesystem::path folder = fuzz::MakeScratchFolder("mp3frames_fuzz");
  const std::string path = (folder / "input.mp3").string();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const TMp3Source source(path);
  if (!source.Usable()) {
    fuzz::Check(source.Frames().empty(), "frames kept for a refused source");
    return 0;
  }
  uint64_t end = 0;
  for (const TMp3Frame& frame : source.Frames()) {
    fuzz::Check(frame.offset >= end, "frames overlap");
    end = frame.offset + frame.bytes;
  }
  fuzz::Check(end <= size, "a frame past the end of the file");
  fuzz::Check(source.DecodedLength() > 0 &&
                  source.DecodedLength() <=
                      uint64_t{source.Frames().size()} * source.Format().SamplesPerFrame(),
              "a decoded length the frames cannot give");
  return 0;
}
