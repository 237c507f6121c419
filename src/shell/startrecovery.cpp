// Start-up: taking up what an earlier run left unsaved, and clearing what it left behind.

#include "display/waveview.h"
#include "document/recovery.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/messagebox.h"
#include "platform/runfiles.h"
#include "platform/startuptrace.h"
#include "shell/main.h"
#include "shell/utils.h"

namespace quillon {

namespace {

std::string RecoveryQuestion(const TJournalState& state) {
  return ConstantText("recoverdocument", "%s", state.source);
}

}  // namespace

bool Tmainform::OfferRecovery() {
  for (const TRecoverableRun& run : FindRecoverableRuns(RecoveryFolder())) {
    if (!MessageBoxes().AskYesNo(kApplicationTitle, RecoveryQuestion(run.state))) {
      DiscardRecoverableRun(run);
      continue;
    }
    TJournalState state;
    std::string why;
    if (!AdoptRecoverableRun(run, state, &why)) {
      MessageBoxes().Show(kApplicationTitle, RefusedRecoveryMessage(run, why), TMessageIcon::Error);
      continue;
    }
    SetScrollState(Scroll, 100, 0, 0);
    updatecaption(state.source);
    if (document_->Recover(state)) return true;
  }
  return false;
}

void Tmainform::OpenAtStart(const std::vector<std::string>& arguments) {
  StartupStep("open at start: begin");
  const bool recovering = OfferRecovery();
  // Only after the answers: a run whose question is still open keeps its files.
  SweepEndedRuns(config.tempfolder, RecoveryFolder());
  StartupStep("open at start: recovery offered, ended runs swept");
  if (recovering) return;
  if (auto path = FileToOpen(arguments)) openfile(*path);
}

}  // namespace quillon
