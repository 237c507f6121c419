#pragma once

// Clang's thread-safety analysis: a thread rule written here is checked by the compiler in the
// clang builds (-Wthread-safety -Werror=thread-safety), so that code reaching main-thread-only
// state from elsewhere does not build. Other compilers ignore the marks.
#if defined(__clang__)
#define QUILLON_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define QUILLON_THREAD_ATTRIBUTE(x)
#endif

// A class whose objects stand for a right to touch some state: a lock, or a thread's role.
#define QUILLON_CAPABILITY(name) QUILLON_THREAD_ATTRIBUTE(capability(name))
// The member may be used only while the capability is held.
#define QUILLON_GUARDED_BY(capability) QUILLON_THREAD_ATTRIBUTE(guarded_by(capability))
// The function may be called only while the capability is held.
#define QUILLON_REQUIRES(...) QUILLON_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
// The function returns only when the capability is held (it ends the process otherwise), so
// the caller holds it from there on.
#define QUILLON_ASSERT_CAPABILITY(capability) \
  QUILLON_THREAD_ATTRIBUTE(assert_capability(capability))
// The function takes the capability, or gives it back; with no argument, the object itself.
#define QUILLON_ACQUIRE(...) QUILLON_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define QUILLON_RELEASE(...) QUILLON_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
// The function must not be called while the capability is held (it takes it itself).
#define QUILLON_EXCLUDES(...) QUILLON_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
// A class whose objects hold a capability for their lifetime (a lock guard).
#define QUILLON_SCOPED_CAPABILITY QUILLON_THREAD_ATTRIBUTE(scoped_lockable)

namespace quillon {

// The role of a thread: held by code that runs on that thread, never acquired or released.
class QUILLON_CAPABILITY("role") TThreadRole {};

// The main thread's role. A function that says QUILLON_REQUIRES(mainThreadRole) is called from
// main-thread code only; code becomes main-thread code by QUILLON_MAIN_THREAD_ONLY(), which
// checks it at run time too.
inline constexpr TThreadRole mainThreadRole{};

}  // namespace quillon
