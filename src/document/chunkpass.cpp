#include "document/chunkpass.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace quillon {

namespace {

// Samples per chunk and per piece of work, each rounded down to whole frames.
constexpr uint64_t kChunkSamples = 1 << 17;
constexpr uint64_t kPieceSamples = 1 << 14;

// A second thread for one pass that runs one task at a time: starting a thread costs more than a
// chunk's work, so the pass keeps this one.
class TSideThread {
 public:
  TSideThread() : thread_([this] { Serve(); }) {}
  ~TSideThread() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  TSideThread(const TSideThread&) = delete;
  TSideThread& operator=(const TSideThread&) = delete;

  void Start(std::function<void()> task) {
    {
      std::lock_guard lock(mutex_);
      task_ = std::move(task);
    }
    changed_.notify_all();
  }
  // Waits until the task handed over has ended; throws what it threw.
  void Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !task_; });
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  void Serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return task_ || stopping_; });
      if (!task_) return;
      lock.unlock();
      std::exception_ptr error;
      try {
        task_();
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      error_ = error;
      task_ = nullptr;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  std::exception_ptr error_;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once the rest is made
};

// Both threads take the pieces of one chunk from a shared counter until none is left.
void WorkPieces(TPassChunk& chunk, uint64_t pieceSize, std::atomic<uint64_t>& nextPiece,
                const TPassSteps& steps) {
  for (;;) {
    const uint64_t at = nextPiece.fetch_add(1) * pieceSize;
    if (at >= chunk.count) return;
    steps.work(chunk, at, std::min(pieceSize, chunk.count - at));
  }
}

}  // namespace

void RunChunkPass(uint64_t count, uint64_t frameSamples, const TPassSteps& steps) {
  if (count == 0) return;
  // Three chunks: one written, one worked on, one read.
  TPassChunk chunks[3];
  const uint64_t size = std::min(count, kChunkSamples / frameSamples * frameSamples);
  const uint64_t pieceSize = kPieceSamples / frameSamples * frameSamples;
  for (TPassChunk& chunk : chunks) chunk.samples.resize(size);
  auto readAt = [&](TPassChunk& chunk, uint64_t done) {
    chunk.done = done;
    chunk.count = std::min(size, count - done);
    steps.read(chunk);
  };
  std::atomic<uint64_t> nextPiece{0};
  // Made after the chunks and the counter: its end waits for the work before they go.
  TSideThread side;
  readAt(chunks[0], 0);
  for (uint64_t i = 0;; ++i) {
    TPassChunk& current = chunks[i % 3];
    nextPiece = 0;
    side.Start([chunk = &current, pieceSize, &nextPiece, &steps] {
      WorkPieces(*chunk, pieceSize, nextPiece, steps);
    });
    if (i > 0) steps.write(chunks[(i - 1) % 3]);
    const uint64_t next = current.done + current.count;
    if (next < count) readAt(chunks[(i + 1) % 3], next);
    WorkPieces(current, pieceSize, nextPiece, steps);
    side.Wait();
    if (next >= count) return steps.write(current);
  }
}

}  // namespace quillon
