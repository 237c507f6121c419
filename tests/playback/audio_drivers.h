#pragma once

#include <cstdlib>
#include <string>

namespace quillon::test {

// SDL reads these when the audio subsystem starts and a device opens, so they are set before
// the device object is made. The disk driver keeps its real-time pace: at full speed the play
// cursor would lap the ring before the main thread could refill it.
inline void UseDiskDriver(const std::string& path) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  unsetenv("SDL_DISKAUDIODELAY");
}

inline void UseDummyDriver() {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

inline void UseMissingDriver() {
  setenv("SDL_AUDIODRIVER", "nonexistent", 1);
}

}  // namespace quillon::test
