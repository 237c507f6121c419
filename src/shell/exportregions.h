#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "document/splitplan.h"
#include "document/splitrun.h"
#include "platform/subscription.h"
#include "shell/commandqueue.h"

class QAction;
class QTimer;
class QWidget;

namespace quillon {

class TExportRegionsForm;
class Twavefile;

// File > Export Regions: asks how to split the document in its dialog and whether existing
// files may be replaced (once for all), then splits it at its turn in the command queue, showing
// "file N of M" while the files are written. The document's status line says what was written,
// or what was kept when the split was stopped. The action is offered only while a document with
// markers or regions is loaded (or an operation runs, behind which the command waits).
class TExportRegions : public QObject {
 public:
  // What the controller needs of its window.
  struct TWindowSide {
    std::function<void(TQueuedCommand)> give;
    std::function<void(const std::string&)> showLine;
    std::function<void()> stopPlayback;
  };

  TExportRegions(QWidget& window, Twavefile& document, QAction& action, TWindowSide side);
  ~TExportRegions() override;

  // The dialog, made when first needed: a child of the window, so that it is translated with it.
  TExportRegionsForm* Dialog();
  // The action follows whether there is anything to export.
  void Refresh();
  // What the dialog offers first: the last choice in this run, else the source's folder and
  // format, the regions when the document has any.
  TSplitChoice Offered() const;

 private:
  void Execute();
  TCommandOutcome RunAtTurn(const TSplitChoice& choice);
  void ShowProgress();
  void SplitEnded();

  QWidget& window_;
  Twavefile& document_;
  QAction& action_;
  TWindowSide side_;
  TExportRegionsForm* dialog_ = nullptr;
  std::unique_ptr<TSplitChoice> last_;
  // The running split's count, shared with its worker; none when no split runs.
  std::shared_ptr<TSplitProgress> progress_;
  int32_t shownFile_ = 0;
  QTimer* timer_;
  TSubscriptions subscriptions_;
};

}  // namespace quillon
