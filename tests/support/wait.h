#pragma once

#include <chrono>
#include <functional>

namespace quillon::test {

// Serves the main thread as its event loop would, Qt's events and the hand-over's queue alike,
// until predicate holds or timeout passes. Whether it held: use it with ASSERT_TRUE.
bool WaitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Serves the main thread for a while whatever happens: for checks that something does NOT
// happen within a time.
void ServeFor(std::chrono::milliseconds time);

// A main thread held up, as by a long redraw: serves nothing at all until predicate holds or
// timeout passes, so that a test can show what goes on without the main thread. Whether it held.
bool StallMainThreadUntil(const std::function<bool()>& predicate,
                          std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace quillon::test
