#include "playback/dsounderror.h"

#include <cstdio>

namespace quillon {

namespace {

struct TErrorText {
  uint32_t code;
  const char* text;
};

constexpr TErrorText kErrorTexts[] = {
    {0x80004001, "The function called is not supported at this time"},
    {0x80004005, "An undetermined error occured inside the DSound subsystem"},
    {0x80040110, "This object does not support aggregation"},
    {0x8007000E,
     "The DSound subsystem couldn't allocate sufficient memory to complete the caller's "
     "request."},
    {0x8007001F, "A device attached to the system is not functioning"},
    {0x80070057, "An invalid parameter was passed to the returning function."},
    {0x800700AA, "The Requested Resource Is in Use"},
    {0x8878000A,
     "The call failed because resources (such as a priority level) were already being used by "
     "another caller."},
    {0x8878001E, "The control (vol,pan,etc.) requested by the caller is not available."},
    {0x88780032, "This call is not valid for the current state of this object"},
    {0x88780046,
     "The caller does not have the priority level required for the function to succeed."},
    {0x88780064, "The specified WAVE format is not supported"},
    {0x88780078, "No sound driver is available for use"},
    {0x88780082, "This object is already initialized"},
    {0x88780096, "The buffer memory has been lost, and must be Restored."},
    {0x887800A0, "Another app has a higher priority level, preventing this call from succeeding."},
    {0x887800AA,
     "The Initialize() member on the Direct Sound Object has not been called or called "
     "successfully before calls to other members."},
    {0x88880302, "Audio device was removed or output format was changed"},
    {0x88890008, "Unsupported audio format"},
    {0x8889000A, "Could not initialize audio client"},
    {0x8889000F, "Can't find audio device"},
};

}  // namespace

const char* DirectSoundErrorText(uint32_t code) {
  for (const TErrorText& entry : kErrorTexts)
    if (entry.code == code) return entry.text;
  return "Unrecognized error value.";
}

void CheckDirectSoundResult(uint32_t code) {
  if (code == 0) return;
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", code);
  std::string message = std::string("DirectSound call failed: ") + hex + '\r';
  message += DirectSoundErrorText(code);
  throw EDirectSoundError(message, static_cast<int32_t>(code));
}

}  // namespace quillon
