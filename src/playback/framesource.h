// framesource: frames the player streams instead of a range of the document's store.
#pragma once

#include <cstdint>

namespace quillon {

// What a player plays when it is not a plain range of the document: a preview through an
// effect, a loop, the parts on both sides of a cut. Frames are counted from the first that
// plays.
class TFrameSource {
 public:
  virtual ~TFrameSource() = default;
  // Writes frames interleaved 16-bit frames from frame at on to dest. On the refill thread.
  virtual void Read(int16_t* dest, int64_t at, int64_t frames) = 0;
  // Whether what is to play has changed since the last call, so that the frames queued ahead of
  // the play cursor are to be read again. On the refill thread.
  virtual bool TakeChange() = 0;
  // The document's frame that frame at of what plays came from, for the play cursor.
  virtual int64_t DocumentFrame(int64_t at) const = 0;
};

}  // namespace quillon
