#pragma once

#include <memory>
#include <string>

#include "platform/threadsafety.h"

namespace quillon {

class TOrderedWriter;
class TRecoveryJournal;
class Twavefile;

// The recovery journal written by the ordered writer: the main thread takes the document's state
// (names and tags, no audio), the writer puts it on the disk. A journal that cannot be written is
// told once, on the main thread.
class TJournalWriter {
 public:
  TJournalWriter(const std::string& folder, TOrderedWriter& writer);
  // A clean end: the journal is deleted after every state queued before it was written.
  ~TJournalWriter();
  TJournalWriter(const TJournalWriter&) = delete;
  TJournalWriter& operator=(const TJournalWriter&) = delete;

  // On the main thread (checked when it runs).
  void Record(const Twavefile& document);
  const std::string& Path() const { return path_; }

 private:
  struct TNotice;
  TOrderedWriter& writer_;
  std::string path_;
  // Touched by the writer's jobs only, one at a time and in order.
  std::shared_ptr<TRecoveryJournal> journal_;
  std::shared_ptr<TNotice> notice_;
};

}  // namespace quillon
