// The effects on the worker: they rewrite sample values and keep the length.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "document/effectmath.h"
#include "document/operationjob.h"

namespace quillon {

namespace {
// Samples per chunk of an effect's pass; even, so that chunks hold whole stereo frames, and large
// enough that starting each chunk's work on another thread costs little.
constexpr uint64_t kChunkSamples = 1 << 17;

int32_t Percent(uint64_t done, uint64_t total) {
  return total ? static_cast<int32_t>(done * 100 / total) : 0;
}

using TChunkStep = std::function<void(int16_t* samples, uint64_t done, uint64_t count)>;

// A second thread for one pass that runs one task at a time: started threads cost more than a
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

  // Waits for the task before, then hands this one over.
  void Start(std::function<void()> task) {
    Wait();
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

// Passes count samples through read, work and write, a chunk at a time. Each chunk's work runs
// on a second thread while this one reads the next chunk and writes the one before, so that the
// arithmetic overlaps the kernel's copies. The work sees one chunk at a time, in order; it owns
// nothing but the chunk it is given, and every step has ended when this returns or throws.
void PipeChunks(uint64_t count, const TChunkStep& read, const TChunkStep& work,
                const TChunkStep& write) {
  const uint64_t size = std::min(count, kChunkSamples);
  std::vector<int16_t> buffers[2] = {std::vector<int16_t>(size), std::vector<int16_t>(size)};
  TSideThread side;  // made after the buffers: its end waits for the work before they go
  int16_t* previous = nullptr;
  uint64_t previousDone = 0, previousCount = 0;
  for (uint64_t done = 0, i = 0; done < count; ++i) {
    const uint64_t n = std::min(size, count - done);
    int16_t* buffer = buffers[i % 2].data();
    read(buffer, done, n);
    side.Start([&work, buffer, done, n] { work(buffer, done, n); });
    if (previous) write(previous, previousDone, previousCount);
    previous = buffer;
    previousDone = done;
    previousCount = n;
    done += n;
  }
  side.Wait();
  if (previous) write(previous, previousDone, previousCount);
}

// Reverses the order of the frames of a chunk, keeping each frame's channels in order.
void ReverseFrames(int16_t* samples, uint64_t count, uint64_t channels) {
  if (channels == 1) return std::reverse(samples, samples + count);
  for (uint64_t a = 0, b = count - 2; a < b; a += 2, b -= 2) {
    std::swap(samples[a], samples[b]);
    std::swap(samples[a + 1], samples[b + 1]);
  }
}
}  // namespace

void TOperationJob::TransformSamples(
    TLargeFile& next, uint64_t first, uint64_t count,
    const std::function<void(int16_t*, uint64_t, size_t)>& transform, TPeakScan* scan) {
  PipeChunks(
      count,
      [&](int16_t* chunk, uint64_t done, uint64_t n) {
        progress_.store(Percent(done, count), std::memory_order_relaxed);
        Source().samples->ReadSamples(chunk, static_cast<uint32_t>(first + done),
                                      static_cast<uint32_t>(first + done + n - 1));
      },
      [&](int16_t* chunk, uint64_t done, uint64_t n) {
        transform(chunk, first + done, n);
        if (scan) scan->Add(chunk, n);
      },
      [&](int16_t* chunk, uint64_t done, uint64_t n) {
        next.WriteSamples(chunk, static_cast<uint32_t>(first + done),
                          static_cast<uint32_t>(first + done + n - 1));
      });
}

TOperationResult TOperationJob::Fade() {
  const bool fadeIn = request_.operation == opFadeIn;
  const uint64_t n = Source().frameCount, k = Source().channels;
  const uint64_t start = request_.rangeStart, stop = request_.rangeStop;
  return EditInOrder(n, [&](TLargeFile& next, TPeakScan& scan) {
    // The parts outside the range are copied by the kernel, so the scan reads them.
    CopySamples(next, 0, 0, start * k);
    ScanSource(scan, 0, start * k);
    TransformSamples(
        next, start * k, (stop - start) * k,
        [&](int16_t* s, uint64_t first, size_t count) {
          ApplyFade(s, count / k, static_cast<int>(k), first / k - start, stop - start, fadeIn);
        },
        &scan);
    CopySamples(next, stop * k, stop * k, (n - stop) * k);
    ScanSource(scan, stop * k, (n - stop) * k);
  });
}

TOperationResult TOperationJob::TransformEverySample(
    const std::function<void(int16_t*, size_t)>& apply) {
  progress_ = 0;
  const uint64_t n = Source().frameCount, k = Source().channels;
  return EditInOrder(n, [&](TLargeFile& next, TPeakScan& scan) {
    TransformSamples(
        next, 0, n * k, [&](int16_t* s, uint64_t, size_t count) { apply(s, count); }, &scan);
    progress_ = 100;
  });
}

TOperationResult TOperationJob::Normalize() {
  const int16_t peak = Source().peaks.peak;
  if (peak <= 0)
    // Silence (or audio without positive excursions) has no gain to speak of: keep it.
    return TransformEverySample([](int16_t*, size_t) {});
  const double gain = (request_.normalizePercent / 100.0 * 32768.0) / peak;
  const TSampleTable table([gain](int16_t s) { return NormalizeSample(s, gain); });
  return TransformEverySample([&](int16_t* s, size_t count) { table.Apply(s, count); });
}

TOperationResult TOperationJob::Amplify() {
  const double factor = AmplifyFactor(request_.amplifyPercent);
  return TransformEverySample(
      [factor](int16_t* s, size_t count) { AmplifySamples(s, count, factor); });
}

TOperationResult TOperationJob::Invert() {
  return TransformEverySample(InvertSamples);
}

TOperationResult TOperationJob::Reverse() {
  progress_ = 0;
  const uint64_t n = Source().frameCount, k = Source().channels, total = n * k;
  // The new store is written from its start, so that the scan sees it in order.
  return EditInOrder(n, [&](TLargeFile& next, TPeakScan& scan) {
    PipeChunks(
        total,
        [&](int16_t* chunk, uint64_t done, uint64_t count) {
          progress_.store(Percent(done, total), std::memory_order_relaxed);
          const uint64_t from = total - done - count;
          Source().samples->ReadSamples(chunk, static_cast<uint32_t>(from),
                                        static_cast<uint32_t>(from + count - 1));
        },
        [&](int16_t* chunk, uint64_t, uint64_t count) {
          ReverseFrames(chunk, count, k);
          scan.Add(chunk, count);
        },
        [&](int16_t* chunk, uint64_t done, uint64_t count) {
          next.WriteSamples(chunk, static_cast<uint32_t>(done),
                            static_cast<uint32_t>(done + count - 1));
        });
    progress_ = 100;
  });
}

}  // namespace quillon
