// previewcontroller: hearing before doing, for the window: the effect dialogs' previews, Loop
// Play and Play Cut Preview, all through the view's player.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "shell/commandqueue.h"
#include "shell/preview/dialogpreview.h"

class QAction;
class QBoxLayout;
class QDialog;
class QMenu;
class QWidget;

namespace quillon {

class TPreviewSource;
class TWaveView;
class Twavefile;

// What the controller asks of the window.
struct TPreviewHost {
  std::function<void(TQueuedCommand)> give;
  // Stops playback as the Stop command does, commands and meter following.
  std::function<void()> stopPlayback;
};

// The lead and tail Play Cut Preview plays either side of the selection.
inline constexpr uint32_t kCutLeadSeconds = 2;
inline constexpr uint32_t kCutTailSeconds = 1;

// Everything plays through the view's player from sources of its own, so the document is never
// changed and a preview ends with the dialog that started it. Main thread only.
class TPreviewController : public QObject {
  Q_OBJECT

 public:
  TPreviewController(QWidget& window, TWaveView& view, Twavefile& document, TPreviewHost host);

  // The Play variants join operations after the action after.
  void AddToMenu(QMenu& operations, QAction* after);
  // The commands that wait their turn behind a running operation.
  std::vector<QAction*> QueueableActions() const;
  // Offers a preview in dialog, its buttons in buttons; the dialog owns what is returned.
  TDialogPreview& Attach(QDialog& dialog, QBoxLayout& buttons);

  void LoopPlayExecute();
  void CutPreviewExecute();

  QAction* LoopPlayAction;
  QAction* CutPreviewAction;

 private:
  QAction* MakeAction(const char* name, const char* caption, const char* hint,
                      const QKeySequence& key, void (TPreviewController::*execute)());
  // The selection when it holds frames, else the whole document: start and length.
  std::pair<int64_t, int64_t> PlayRange() const;
  bool Playable() const;
  bool Play(const std::shared_ptr<TPreviewSource>& source);
  std::shared_ptr<TPreviewSource> StartPreview();
  void StopPreview();

  QWidget& window_;
  TWaveView& view_;
  Twavefile& document_;
  TPreviewHost host_;
  std::vector<TDialogPreview*> dialogs_;
  // Where the cursor was when a preview began: it goes back there when the preview stops.
  uint32_t cursorBefore_ = 0;
};

}  // namespace quillon
