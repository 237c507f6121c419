// Any clipboard block gives no audio or audio in exactly the document's format.
#include "codecs/clipformat.h"
#include "fuzz_support.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks the document's format the block is pasted into.
  static constexpr uint32_t kRates[] = {8000, 11025, 22050, 44100, 48000, 96000, 192000, 1};
  if (size < 1) return 0;
  const uint16_t channels = (data[0] & 1) + 1;
  const uint32_t rate = kRates[(data[0] >> 1) & 7];
  auto audio = ReadClipAudio(data + 1, size - 1, channels, rate);
  if (audio) {
    fuzz::Check(audio->size() % channels == 0, "a partial frame");
    fuzz::Check(audio->size() * 2 <= kMaxClipAudioBytes, "more audio than the limit");
  }
  return 0;
}
