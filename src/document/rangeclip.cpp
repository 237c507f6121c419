#include "document/rangeclip.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "codecs/wavheader.h"
#include "document/largefile.h"
#include "platform/error.h"
#include "platform/filewriter.h"

namespace quillon {

namespace {
// 256 KiB of samples a piece: large enough for the store's reads, small beside any clip.
constexpr uint64_t kPieceSamples = uint64_t{1} << 17;
}  // namespace

void WriteRangeClip(const TAudioState& state, uint64_t start, uint64_t stop, TFileWriter& out) {
  if (!state.samples || start > stop || stop > state.frameCount)
    throw Exception("The range to hand out does not lie within the audio.");
  const uint64_t count = (stop - start) * state.channels;
  if (count * 2 > std::numeric_limits<uint32_t>::max() - kWavHeaderSize)
    throw Exception("The range to hand out is too long for a WAV file.");
  TWavHeader header = state.header;
  SetWavDataSize(header, static_cast<uint32_t>(count * 2));
  out.Write(header.data(), header.size());
  std::vector<int16_t> piece(std::min(count, kPieceSamples));
  for (uint64_t done = 0; done < count; done += piece.size()) {
    const uint64_t n = std::min<uint64_t>(piece.size(), count - done);
    const uint64_t first = start * state.channels + done;
    state.samples->ReadSamples(piece.data(), static_cast<uint32_t>(first),
                               static_cast<uint32_t>(first + n - 1));
    out.Write(piece.data(), n * sizeof(int16_t));
  }
}

}  // namespace quillon
