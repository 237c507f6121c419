#pragma once

// SDL as the sound layer calls it. SDL's library brings some thirty further libraries with it,
// whose loading would stand before every start-up of the editor: it is loaded on the first call
// instead, on the thread that opens the sound device beside the window's start-up. Every SDL
// function the sound layer uses is reached through the table below, under its own name (each
// name is defined to its table entry). Include this header after SDL.h.
#include <SDL.h>

// Each function the sound layer uses. A function added here also needs its name defined below.
#define QUILLON_SDL_FUNCTIONS(X) \
  X(SDL_CloseAudioDevice)        \
  X(SDL_GetError)                \
  X(SDL_InitSubSystem)           \
  X(SDL_LockAudioDevice)         \
  X(SDL_OpenAudioDevice)         \
  X(SDL_PauseAudioDevice)        \
  X(SDL_QuitSubSystem)           \
  X(SDL_SetHint)                 \
  X(SDL_TLSCleanup)              \
  X(SDL_UnlockAudioDevice)

namespace quillon {

struct TSdlApi {
#define QUILLON_SDL_POINTER(name) decltype(&::name) name = nullptr;
  QUILLON_SDL_FUNCTIONS(QUILLON_SDL_POINTER)
#undef QUILLON_SDL_POINTER
};

// The table, filled on the first call from any thread. Without the library or one of its
// functions there is no sound driver: raises EDirectSoundError (DSERR_NODRIVER), and every later
// call tries again.
const TSdlApi& SdlApi();

// Frees what SDL keeps for the calling thread (its last error text, say). A thread of ours that
// called SDL calls it before it ends: SDL frees that data only for threads it made itself.
void EndSdlThread() noexcept;

}  // namespace quillon

// The loader itself names the table's entries.
#ifndef QUILLON_SDL_TABLE_ONLY
// clang-format off
#define SDL_CloseAudioDevice (::quillon::SdlApi().SDL_CloseAudioDevice)
#define SDL_GetError (::quillon::SdlApi().SDL_GetError)
#define SDL_InitSubSystem (::quillon::SdlApi().SDL_InitSubSystem)
#define SDL_LockAudioDevice (::quillon::SdlApi().SDL_LockAudioDevice)
#define SDL_OpenAudioDevice (::quillon::SdlApi().SDL_OpenAudioDevice)
#define SDL_PauseAudioDevice (::quillon::SdlApi().SDL_PauseAudioDevice)
#define SDL_QuitSubSystem (::quillon::SdlApi().SDL_QuitSubSystem)
#define SDL_SetHint (::quillon::SdlApi().SDL_SetHint)
#define SDL_TLSCleanup (::quillon::SdlApi().SDL_TLSCleanup)
#define SDL_UnlockAudioDevice (::quillon::SdlApi().SDL_UnlockAudioDevice)
// clang-format on
#endif
