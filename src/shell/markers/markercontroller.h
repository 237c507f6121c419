#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/markerpicks.h"
#include "platform/subscription.h"
#include "shell/commandqueue.h"

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;

namespace quillon {

class TMarkersPanel;
class TWaveView;
class Twavefile;

// What the marker commands need of the window that holds them.
struct TMarkerHost {
  Twavefile* document = nullptr;
  TWaveView* view = nullptr;
  QMainWindow* window = nullptr;
  // Runs a command now, or at its turn behind a running operation and the commands waiting.
  std::function<void(TQueuedCommand)> give;
  // A waiting command moves the cursor or the selection: one given now takes them at its turn.
  std::function<bool()> placeMovesAhead;
};

// The Markers menu and panel: adding, moving, renaming and deleting markers and regions, each
// one step of the history, and moving the cursor and the selection between them. Every command
// waits its turn like the window's others. Main thread only; the window owns it.
class TMarkerController : public QObject {
  Q_OBJECT

 public:
  TMarkerController(TMarkerHost host, QObject* parent);

  // The Markers menu, before the Tools menu of bar when it has one.
  QMenu* AddMenu(QMenuBar& bar);
  // The commands that wait their turn behind an operation.
  const std::vector<QAction*>& Commands() const { return commands_; }
  TMarkersPanel* Panel() const { return panel_; }

  // The commands, as the menu and the keys give them.
  void AddMarker();
  void AddRegion();
  void Step(bool forward, bool extend);
  void Rename();
  void Delete();
  // What the panel and the view ask for.
  void RenameItem(const TMarkItem& item, const std::string& name);
  void MoveItem(const TMarkItem& item, int64_t frame);
  void JumpTo(const TMarkItem& item);
  // Rename asks for the name here; none cancels. A seam for tests.
  std::function<std::optional<std::string>(const std::string& current)> AskName;

 private:
  QAction* MakeCommand(const char* name, const char* caption, const char* keys,
                       std::function<void()> run);
  // The item Rename and Delete work on: the panel's current row while the panel has the focus,
  // else what ItemAt finds at the cursor.
  std::optional<TMarkItem> PickedItem() const;
  // Gives a change of the list as one step; change says false (skipped for why) when the item
  // it works on is gone.
  void GiveChange(QAction* action, std::function<bool(TMarkerList&)> change,
                  const char* why = "skippedmarkergone");
  // The cursor a command given now works on: now, or at its turn when commands moving it wait;
  // while playing always the play position of now.
  std::function<uint32_t()> CursorWhenGiven() const;
  std::string Skipped(const QAction* action, const char* key) const;

  TMarkerHost host_;
  // The window deletes its view before its document, whose last events may still come.
  QPointer<TWaveView> view_;
  TMarkersPanel* panel_ = nullptr;
  std::vector<QAction*> commands_;
  QAction* addMarker_ = nullptr;
  QAction* addRegion_ = nullptr;
  QAction* previous_ = nullptr;
  QAction* next_ = nullptr;
  QAction* extendPrevious_ = nullptr;
  QAction* extendNext_ = nullptr;
  QAction* rename_ = nullptr;
  QAction* delete_ = nullptr;
  QAction* showPanel_ = nullptr;
  TSubscriptions subscriptions_;
};

}  // namespace quillon
