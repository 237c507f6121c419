#include "document/journalwriter.h"

#include <optional>
#include <utility>

#include "codecs/tags.h"
#include "document/journal.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "platform/orderedwriter.h"

namespace quillon {

// Whether the user was told of a failure; the main thread's, reached from the writer's reports.
struct TJournalWriter::TNotice {
  bool shown = false;
};

TJournalWriter::TJournalWriter(const std::string& folder, TOrderedWriter& writer)
    : writer_(writer),
      journal_(std::make_shared<TRecoveryJournal>(folder)),
      notice_(std::make_shared<TNotice>()) {
  path_ = journal_->Path();
}

TJournalWriter::~TJournalWriter() {
  // The journal object's end deletes its files; it comes after every write of it.
  writer_.Post([journal = std::move(journal_)]() mutable { journal.reset(); });
  writer_.Drain();
}

void TJournalWriter::Record(const Twavefile& document) {
  QUILLON_MAIN_THREAD_ONLY();
  TJournalState state = JournalStateOf(document);
  std::optional<TCoverPicture> cover = document.Tags().cover;
  writer_.PostLatest("journal", [journal = journal_, notice = notice_, state = std::move(state),
                                 cover = std::move(cover)]() mutable {
    std::string failure = journal->Write(std::move(state), cover);
    if (failure.empty()) return;
    MainThread().Post([notice, failure = std::move(failure)] {
      if (notice->shown) return;
      notice->shown = true;
      MessageBoxes().Show(ConstantText("journalcaption"), failure, TMessageIcon::Exclamation);
    });
  });
}

}  // namespace quillon
