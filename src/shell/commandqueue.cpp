#include "shell/commandqueue.h"

#include <algorithm>

#include "platform/mainthread.h"

namespace quillon {

void TCommandQueue::Add(TQueuedCommand command) {
  QUILLON_MAIN_THREAD_ONLY();
  waiting_.push_back(std::move(command));
  CountChanged();
}

bool TCommandQueue::AnyMovesSelection() const {
  return std::any_of(waiting_.begin(), waiting_.end(),
                     [](const TQueuedCommand& c) { return c.movesSelection; });
}

bool TCommandQueue::AnyFillsClipboard() const {
  return std::any_of(waiting_.begin(), waiting_.end(),
                     [](const TQueuedCommand& c) { return c.fillsClipboard; });
}

size_t TCommandQueue::Drop() {
  QUILLON_MAIN_THREAD_ONLY();
  const size_t dropped = waiting_.size();
  waiting_.clear();
  if (dropped > 0) CountChanged();
  return dropped;
}

void TCommandQueue::RunUntilStarted() {
  QUILLON_MAIN_THREAD_ONLY();
  if (running_) return;
  running_ = true;
  while (!waiting_.empty()) {
    TQueuedCommand next = std::move(waiting_.front());
    waiting_.pop_front();
    CountChanged();
    const TCommandOutcome outcome = next.run();
    if (outcome.kind == TCommandOutcome::TKind::started) break;
    if (outcome.kind == TCommandOutcome::TKind::skipped && OnSkipped) OnSkipped(outcome.why);
  }
  running_ = false;
}

void TCommandQueue::CountChanged() {
  if (OnCountChanged) OnCountChanged();
}

}  // namespace quillon
