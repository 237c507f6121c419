#define QUILLON_SDL_TABLE_ONLY
#include "playback/sdlapi.h"

#include <dlfcn.h>

#include "playback/dsounderror.h"
#include "playback/dsoundtypes.h"

namespace quillon {

namespace {

// The soname of SDL 2, which the headers were written for.
constexpr const char* kLibrary = "libSDL2-2.0.so.0";

TSdlApi Load() {
  // The library stays loaded for the process's life.
  void* handle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!handle) CheckDirectSoundResult(DSERR_NODRIVER);
  TSdlApi api;
#define QUILLON_SDL_LOAD(name)                                           \
  api.name = reinterpret_cast<decltype(api.name)>(dlsym(handle, #name)); \
  if (!api.name) CheckDirectSoundResult(DSERR_NODRIVER);
  QUILLON_SDL_FUNCTIONS(QUILLON_SDL_LOAD)
#undef QUILLON_SDL_LOAD
  return api;
}

}  // namespace

const TSdlApi& SdlApi() {
  // Loaded once, by whichever thread comes first; a load that throws is tried again next time.
  static const TSdlApi api = Load();
  return api;
}

void EndSdlThread() noexcept {
  try {
    SdlApi().SDL_TLSCleanup();
  } catch (const Exception&) {
    // Without the library no SDL call kept anything.
  }
}

}  // namespace quillon
