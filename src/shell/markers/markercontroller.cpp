#include "shell/markers/markercontroller.h"

#include <QAction>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/mainthread.h"
#include "shell/markers/markerspanel.h"

namespace quillon {

namespace {

TCommandOutcome Changed(Twavefile& document, TMarkerList list) {
  document.ChangeMarkers(std::move(list));
  return TCommandOutcome::Done();
}

}  // namespace

TMarkerController::TMarkerController(TMarkerHost host, QObject* parent)
    : QObject(parent), host_(std::move(host)), view_(host_.view) {
  setObjectName("MarkerController");
  // Keys that other editors taught; none of them is the window's already.
  addMarker_ = MakeCommand("AddMarkerAction", "Add &Marker", "Ctrl+M", [this] { AddMarker(); });
  addRegion_ = MakeCommand("AddRegionAction", "Add &Region from Selection", "Ctrl+B",
                           [this] { AddRegion(); });
  previous_ = MakeCommand("PreviousMarkerAction", "&Previous Marker", "Alt+Left",
                          [this] { Step(false, false); });
  next_ =
      MakeCommand("NextMarkerAction", "&Next Marker", "Alt+Right", [this] { Step(true, false); });
  extendPrevious_ = MakeCommand("ExtendPreviousAction", "Extend Selection to Pre&vious Marker",
                                "Shift+Alt+Left", [this] { Step(false, true); });
  extendNext_ = MakeCommand("ExtendNextAction", "Extend Selection to Ne&xt Marker",
                            "Shift+Alt+Right", [this] { Step(true, true); });
  rename_ = MakeCommand("RenameMarkerAction", "R&ename Marker...", "", [this] { Rename(); });
  delete_ = MakeCommand("DeleteMarkerAction", "&Delete Marker", "", [this] { Delete(); });

  panel_ = new TMarkersPanel(*host_.document, host_.window);
  host_.window->addDockWidget(Qt::BottomDockWidgetArea, panel_);
  panel_->hide();
  panel_->OnJump = [this](const TMarkItem& item) { JumpTo(item); };
  panel_->OnRename = [this](const TMarkItem& item, const std::string& name) {
    RenameItem(item, name);
  };
  showPanel_ = new QAction("Markers Pane&l", this);
  showPanel_->setObjectName("MarkersPanelAction");
  showPanel_->setCheckable(true);
  connect(showPanel_, &QAction::toggled, panel_, &QWidget::setVisible);
  connect(panel_, &QDockWidget::visibilityChanged, showPanel_,
          [this](bool) { showPanel_->setChecked(!panel_->isHidden()); });

  host_.view->OnMarkerDragged = [this](const TMarkItem& item, int64_t frame) {
    MoveItem(item, frame);
  };
  subscriptions_ += host_.document->OnMarkersSet.Subscribe([this](Twavefile*) {
    if (view_) view_->MarksChanged();
  });
  subscriptions_ +=
      host_.document->OnStateChanged.Subscribe([this](Twavefile*) { panel_->Refresh(); });
  AskName = [this](const std::string& current) -> std::optional<std::string> {
    bool ok = false;
    const QString name = QInputDialog::getText(
        host_.window, QString::fromStdString(ConstantText("markerrenametitle")),
        QString::fromStdString(ConstantText("markerrenamelabel")), QLineEdit::Normal,
        QString::fromStdString(current), &ok);
    if (!ok) return std::nullopt;
    return name.toStdString();
  };
}

QAction* TMarkerController::MakeCommand(const char* name, const char* caption, const char* keys,
                                        std::function<void()> run) {
  auto* action = new QAction(QString::fromUtf8(caption), this);
  action->setObjectName(name);
  if (*keys) action->setShortcut(QKeySequence(QString::fromUtf8(keys)));
  connect(action, &QAction::triggered, this, std::move(run));
  commands_.push_back(action);
  return action;
}

QMenu* TMarkerController::AddMenu(QMenuBar& bar) {
  auto* menu = new QMenu("&Markers", &bar);
  menu->setObjectName("MarkersMenu");
  menu->addActions({addMarker_, addRegion_});
  menu->addSeparator();
  menu->addActions({previous_, next_, extendPrevious_, extendNext_});
  menu->addSeparator();
  menu->addActions({rename_, delete_});
  menu->addSeparator();
  menu->addAction(showPanel_);
  auto* tools = bar.findChild<QMenu*>("ToolsMenu");
  if (tools)
    bar.insertMenu(tools->menuAction(), menu);
  else
    bar.addMenu(menu);
  return menu;
}

std::string TMarkerController::Skipped(const QAction* action, const char* key) const {
  return ConstantText(key, "%s", action->text().remove('&').remove("...").trimmed().toStdString());
}

std::function<uint32_t()> TMarkerController::CursorWhenGiven() const {
  TWaveView* view = host_.view;
  if (!view->Playing() && host_.placeMovesAhead && host_.placeMovesAhead())
    return [view] { return view->CursorPos(); };
  return [cursor = view->CursorPos()] { return cursor; };
}

void TMarkerController::AddMarker() {
  host_.give({[this, cursor = CursorWhenGiven()] {
    Twavefile& document = *host_.document;
    if (!document.Loaded())
      return TCommandOutcome::Skipped(Skipped(addMarker_, "skippednodocument"));
    TMarkerList list = document.Markers();
    const std::string name =
        ConstantText("markerdefault", "%1", std::to_string(list.markers.size() + 1));
    list.AddMarker({cursor(), name});
    return Changed(document, std::move(list));
  }});
}

void TMarkerController::AddRegion() {
  TWaveView* view = host_.view;
  std::function<std::pair<uint32_t, uint32_t>()> selection;
  if (host_.placeMovesAhead && host_.placeMovesAhead())
    selection = [view] {
      return view->Selected() ? std::make_pair(view->SelStart(), view->SelStop())
                              : std::make_pair(0u, 0u);
    };
  else
    selection = [range = view->Selected() ? std::make_pair(view->SelStart(), view->SelStop())
                                          : std::make_pair(0u, 0u)] { return range; };
  host_.give({[this, selection] {
    Twavefile& document = *host_.document;
    if (!document.Loaded())
      return TCommandOutcome::Skipped(Skipped(addRegion_, "skippednodocument"));
    const auto [start, stop] = selection();
    if (start >= stop) return TCommandOutcome::Skipped(Skipped(addRegion_, "skippednoselection"));
    TMarkerList list = document.Markers();
    const std::string name =
        ConstantText("regiondefault", "%1", std::to_string(list.regions.size() + 1));
    list.AddRegion({start, stop, name});
    return Changed(document, std::move(list));
  }});
}

void TMarkerController::Step(bool forward, bool extend) {
  QAction* action =
      extend ? (forward ? extendNext_ : extendPrevious_) : (forward ? next_ : previous_);
  // Each reads the place at its turn: a step behind a step goes on from where that one left.
  host_.give({[this, action, forward, extend] {
                Twavefile& document = *host_.document;
                TWaveView& view = *host_.view;
                if (!document.Loaded())
                  return TCommandOutcome::Skipped(Skipped(action, "skippednodocument"));
                const bool selected = view.Selected();
                // Extending moves the selection's end on that side, or runs from the cursor.
                const int64_t from = !extend || !selected ? view.CursorPos()
                                     : forward            ? view.SelStop()
                                                          : view.SelStart();
                const auto stop = NextStop(document.Markers(), from, forward);
                if (!stop) return TCommandOutcome::Skipped(Skipped(action, "skippednomarkerthere"));
                const auto to = static_cast<uint32_t>(*stop);
                if (!extend) {
                  view.ShowCursorPos(to);
                  return TCommandOutcome::Done();
                }
                const uint32_t anchor = !selected ? view.CursorPos()
                                        : forward ? view.SelStart()
                                                  : view.SelStop();
                view.SetSelection(anchor, to, anchor != to);
                return TCommandOutcome::Done();
              },
              true});
}

std::optional<TMarkItem> TMarkerController::PickedItem() const {
  if (panel_->isVisible() && panel_->HasFocus())
    if (auto item = panel_->CurrentItem()) return item;
  return ItemAt(host_.document->Markers(), host_.view->CursorPos());
}

void TMarkerController::GiveChange(QAction* action, std::function<bool(TMarkerList&)> change,
                                   const char* why) {
  // A drag has no command of its own: its line names the move.
  auto skipped = [action](const char* key) {
    const std::string caption =
        action ? action->text().remove('&').remove("...").trimmed().toStdString()
               : ConstantText("markermove");
    return TCommandOutcome::Skipped(ConstantText(key, "%s", caption));
  };
  host_.give({[this, skipped, change = std::move(change), why] {
    Twavefile& document = *host_.document;
    if (!document.Loaded()) return skipped("skippednodocument");
    TMarkerList list = document.Markers();
    if (!change(list)) return skipped(why);
    return Changed(document, std::move(list));
  }});
}

void TMarkerController::Rename() {
  // Asked now, so that the name goes to the marker the user saw; the change waits its turn.
  const auto item = PickedItem();
  if (!item) {
    host_.give({[this] { return TCommandOutcome::Skipped(Skipped(rename_, "skippednomarker")); }});
    return;
  }
  const auto name = AskName(item->name);
  if (name) RenameItem(*item, *name);
}

void TMarkerController::Delete() {
  const auto item = PickedItem();
  if (!item) {
    host_.give({[this] { return TCommandOutcome::Skipped(Skipped(delete_, "skippednomarker")); }});
    return;
  }
  GiveChange(delete_, [item = *item](TMarkerList& list) { return RemoveItem(list, item); });
}

void TMarkerController::RenameItem(const TMarkItem& item, const std::string& name) {
  GiveChange(rename_,
             [item, name](TMarkerList& list) { return quillon::RenameItem(list, item, name); });
}

void TMarkerController::MoveItem(const TMarkItem& item, int64_t frame) {
  GiveChange(nullptr,
             [item, frame](TMarkerList& list) { return quillon::MoveItem(list, item, frame); });
}

void TMarkerController::JumpTo(const TMarkItem& item) {
  host_.give({[this, item] {
                if (host_.document->Loaded())
                  host_.view->ShowCursorPos(static_cast<uint32_t>(item.start));
                return TCommandOutcome::Done();
              },
              true});
}

}  // namespace quillon
