#include "platform/clipfilewriter.h"

#include "platform/copiedwavfile.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/mainthread.h"

namespace quillon {

TClipFileWriter::~TClipFileWriter() {
  Forget();
  // A write under way finds itself unwanted and deletes its file.
  writer_.Drain();
}

void TClipFileWriter::Write(TContent content, TWritten written,
                            std::function<void(std::string)> failed) {
  QUILLON_MAIN_THREAD_ONLY();
  Forget();
  const uint64_t number = writes_;
  writer_.Post([shared = shared_, number, content = std::move(content),
                written = std::move(written), failed = std::move(failed)]() mutable {
    Run(shared, number, content, std::move(written), std::move(failed));
  });
}

void TClipFileWriter::Forget() {
  std::string stale;
  {
    TMutexLock lock(shared_->mutex);
    shared_->wanted = ++writes_;
    stale = std::move(shared_->unclaimed);
    shared_->unclaimed.clear();
  }
  if (!stale.empty()) Delete(std::move(stale));
}

void TClipFileWriter::Delete(std::string path) {
  writer_.Post([path = std::move(path)] { DeleteFileIfExists(path); });
}

// On the writer's thread.
void TClipFileWriter::Run(const std::shared_ptr<TShared>& shared, uint64_t number,
                          const TContent& content, TWritten written,
                          std::function<void(std::string)> failed) {
  {
    // Overtaken before it began: nothing to write.
    TMutexLock lock(shared->mutex);
    if (shared->wanted != number) return;
  }
  std::string path;
  try {
    path = WriteClipFile(content);
  } catch (const std::exception& error) {
    if (failed)
      MainThread().Post(
          [failed = std::move(failed), text = std::string(error.what())] { failed(text); });
    return;
  }
  {
    TMutexLock lock(shared->mutex);
    if (shared->wanted == number) {
      shared->unclaimed = path;
      MainThread().Post([shared, number, path, written = std::move(written)] {
        Hand(shared, number, path, written);
      });
      return;
    }
  }
  DeleteFileIfExists(path);
}

// On the main thread. A file overtaken meanwhile was deleted by the Forget that overtook it.
void TClipFileWriter::Hand(const std::shared_ptr<TShared>& shared, uint64_t number,
                           const std::string& path, const TWritten& written) {
  {
    TMutexLock lock(shared->mutex);
    if (shared->wanted != number || shared->unclaimed != path) return;
    shared->unclaimed.clear();
  }
  written(path);
}

}  // namespace quillon
