#pragma once

#include <cstdint>
#include <string>

#include "platform/error.h"

namespace quillon {

// A failed call of a DirectX-style interface, with its result code.
class EDirectXError : public Exception {
 public:
  EDirectXError(const std::string& message, int32_t code) : Exception(message), code_(code) {}
  int32_t ErrorCode() const { return code_; }

 private:
  int32_t code_;
};

// A failed call of the sound output device or one of its buffers.
class EDirectSoundError : public EDirectXError {
 public:
  using EDirectXError::EDirectXError;
};

// The sound layer's own set-up failures (notification positions).
class EDirectSoundWrapperError : public Exception {
 public:
  using Exception::Exception;
};

// A broken assumption of the sound layer, with the place it was noticed.
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// The readable text of a result code; "Unrecognized error value." for codes outside the table.
const char* DirectSoundErrorText(uint32_t code);

// Returns for 0; raises EDirectSoundError "DirectSound call failed: <HEX>\r<text>" for any other
// code, success codes included.
void CheckDirectSoundResult(uint32_t code);

}  // namespace quillon
