#include "shell/endsteps.h"

#include <unistd.h>

#include "document/journal.h"
#include "document/wavfile.h"
#include "platform/runfiles.h"
#include "shell/main.h"

namespace quillon {

TEndSteps EditorEndSteps(Tmainform& form) {
  TEndSteps steps;
  steps.cancel = [&form] { form.CancelOperation(); };
  steps.running = [&form] { return form.Document()->Busy(); };
  steps.unsaved = [&form] { return form.Document()->Loaded() && form.Document()->Modified(); };
  steps.keep = [&form] {
    form.StoreSettings();
    // The journal and the settings are on the disk before the program may end.
    form.SettleWrites();
  };
  steps.release = [] {
    ReleaseRunFiles();
    unlink((RecoveryFolder() + JournalFileName(RunId())).c_str());
  };
  steps.exit = ExitBySignal;
  return steps;
}

}  // namespace quillon
