#include "shell/tools/toolworker.h"

#include <exception>
#include <string>

#include "platform/mainthread.h"
#include "platform/messagebox.h"

namespace quillon {

TToolWorker::TToolWorker() : alive_(std::make_shared<bool>(true)) {}

TToolWorker::~TToolWorker() {
  *alive_ = false;
  Cancel();
  // Every run looks at its token between chunks, so each ends within one chunk's reading.
  for (auto& [run, thread] : threads_) thread.join();
}

void TToolWorker::Start(TWork work) {
  QUILLON_MAIN_THREAD_ONLY();
  Cancel();
  JoinFinished();
  auto run = std::make_shared<TRun>();
  current_ = run;
  std::weak_ptr<bool> alive = alive_;
  std::thread thread([run, alive, work = std::move(work)] {
    std::function<void()> answer;
    std::string failure;
    try {
      answer = work(run->cancel, run->progress);
    } catch (const ECancelled&) {
    } catch (const std::exception& error) {
      failure = error.what();
    }
    run->finished = true;
    MainThread().Post([run, alive, answer = std::move(answer), failure] {
      const auto owner = alive.lock();
      if (!owner || !*owner || run->cancel.Cancelled()) return;
      if (!failure.empty()) MessageBoxes().ShowException(failure);
      if (answer) answer();
    });
  });
  threads_.emplace_back(run, std::move(thread));
}

void TToolWorker::Cancel() {
  if (current_) current_->cancel.Cancel();
  current_.reset();
}

bool TToolWorker::Running() const {
  return current_ && !current_->finished;
}

int32_t TToolWorker::Progress() const {
  return current_ ? current_->progress.load(std::memory_order_relaxed) : 0;
}

void TToolWorker::JoinFinished() {
  // One look at each run: one that ends meanwhile is joined at the next start.
  std::vector<std::pair<std::shared_ptr<TRun>, std::thread>> still;
  for (auto& entry : threads_) {
    if (entry.first->finished)
      entry.second.join();
    else
      still.push_back(std::move(entry));
  }
  threads_ = std::move(still);
}

}  // namespace quillon
