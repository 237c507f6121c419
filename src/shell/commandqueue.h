#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace quillon {

// What a command did when its turn came.
struct TCommandOutcome {
  enum class TKind { done, started, skipped };
  TKind kind = TKind::done;
  // A skipped command: the status line that says why.
  std::string why;

  static TCommandOutcome Done() { return {}; }
  static TCommandOutcome Started() { return {TKind::started, {}}; }
  static TCommandOutcome Skipped(std::string why) { return {TKind::skipped, std::move(why)}; }
};

// A user's command with what it captured when it was given.
struct TQueuedCommand {
  std::function<TCommandOutcome()> run;
  // It changes the selection or moves the cursor: a command given behind it takes them at its
  // own turn, not when it was given.
  bool movesSelection = false;
  // It puts audio on the clipboard (Cut, Copy): a Paste behind it takes the clipboard at its turn.
  bool fillsClipboard = false;
};

// The commands the user gave while an operation ran, in the order given. The document takes one
// operation at a time; the window keeps the rest here and runs them as each operation ends.
// Main thread only.
class TCommandQueue {
 public:
  void Add(TQueuedCommand command);
  size_t Waiting() const { return waiting_.size(); }
  bool Empty() const { return waiting_.empty(); }
  bool AnyMovesSelection() const;
  bool AnyFillsClipboard() const;
  // Forgets every waiting command; how many there were.
  size_t Drop();
  // Runs waiting commands in order until one starts an operation or none is left. A command
  // that skips reports why through OnSkipped, and the next one runs. A call made while
  // commands run (from inside one of them) does nothing.
  void RunUntilStarted();

  // Both set by the queue's owner, which holds it by value: the queue cannot outlive whom it
  // calls.
  std::function<void(const std::string& why)> OnSkipped;
  // The number waiting changed.
  std::function<void()> OnCountChanged;

 private:
  void CountChanged();

  std::deque<TQueuedCommand> waiting_;
  bool running_ = false;
};

}  // namespace quillon
