// The main window's side of the everyday tools: what their controller may ask of the window.
#include <QAction>

#include "display/waveview.h"
#include "shell/main.h"
#include "shell/tools/toolscontroller.h"

namespace quillon {

void Tmainform::CreateTools() {
  auto place = [](const TPlace& at) {
    return TToolPlace{at.start, at.stop, at.selected, at.cursor};
  };
  TToolsHost host;
  host.give = [this](TQueuedCommand command) { Give(std::move(command)); };
  host.commandsWait = [this] { return CommandsWait(); };
  host.placeWhenGiven = [this, place] {
    return std::function<TToolPlace()>([when = PlaceWhenGiven(), place] { return place(when()); });
  };
  host.placeNow = [this, place] { return place(PlaceNow()); };
  host.stopPlayback = [this] { StopPlaybackFirst(); };
  host.select = [this](uint32_t start, uint32_t stop) {
    view_->SetCursorPos(start);
    view_->SetSelection(start, stop, true);
    onSelect(start, stop, view_->SamplesToMs(start), view_->SamplesToMs(stop), true);
  };
  host.setAvailable = [this](QAction* action, bool on) { SetAvailable(action, on); };
  host.statusLine = [this](const std::string& text) { ShowStatusLine(text); };
  host.dialogsMade = [this] { AttachToolPreviews(); };
  tools_ = new TToolsController(*this, std::move(host));
  for (QAction* action : tools_->QueueableActions()) {
    queueable_.push_back(action);
    action->setProperty(kAvailableProperty, true);
  }
}

}  // namespace quillon
