// clipfilewriter: the files of audio handed to other programs, written off the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/annotatedmutex.h"
#include "platform/orderedwriter.h"

namespace quillon {

class TFileWriter;

// Writes clip files (WriteClipFile) on a thread of its own and hands each to the main thread once
// it is complete, so that a long clip never holds up the window. Only the newest file asked for
// is wanted: one that a later Write or Forget overtook is deleted instead of handed over.
class TClipFileWriter {
 public:
  using TContent = std::function<void(TFileWriter&)>;
  using TWritten = std::function<void(const std::string& path)>;

  TClipFileWriter() : shared_(std::make_shared<TShared>()) {}
  // Finishes a write under way and deletes every file that was not handed over.
  ~TClipFileWriter();
  TClipFileWriter(const TClipFileWriter&) = delete;
  TClipFileWriter& operator=(const TClipFileWriter&) = delete;

  // Main thread. content runs on the writer's thread and must only use what it holds itself.
  // written(path) runs on the main thread once the file is complete and still wanted; a file
  // that cannot be made or written is not handed over (failed(text) tells why, when given).
  void Write(TContent content, TWritten written, std::function<void(std::string)> failed = {});
  // Main thread: no file asked for so far is wanted any more.
  void Forget();
  // Deletes a file on the writer's thread, after the writes asked for before.
  void Delete(std::string path);
  // Waits for every write asked for so far. For tests and the end of the program only.
  void Drain() { writer_.Drain(); }

 private:
  struct TShared {
    TMutex mutex;
    // The number of the write whose file is wanted.
    uint64_t wanted QUILLON_GUARDED_BY(mutex) = 0;
    // Complete, posted to the main thread and not yet taken there.
    std::string unclaimed QUILLON_GUARDED_BY(mutex);
  };
  static void Run(const std::shared_ptr<TShared>& shared, uint64_t number, const TContent& content,
                  TWritten written, std::function<void(std::string)> failed);
  static void Hand(const std::shared_ptr<TShared>& shared, uint64_t number, const std::string& path,
                   const TWritten& written);

  std::shared_ptr<TShared> shared_;
  uint64_t writes_ = 0;
  // Last, so that it finishes before the rest goes.
  TOrderedWriter writer_;
};

}  // namespace quillon
