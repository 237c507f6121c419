// The main window's commands: saving, editing, the selection group, the scale format and the
// effects that need no parameters.
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>

#include "codecs/encodersettings.h"
#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "shell/dialogs/filter.h"
#include "shell/dialogs/properties.h"
#include "shell/filedialogtexts.h"
#include "shell/main.h"
#include "shell/utils.h"

namespace quillon {

namespace {

bool Exists(const std::string& path) {
  return QFileInfo::exists(QString::fromStdString(path));
}

// Asked before a save replaces an existing file; anything but Yes keeps it.
bool MayOverwrite(const std::string& path) {
  return !Exists(path) ||
         MessageBoxes().AskYesNo(kApplicationTitle, ConstantText("existoverwrite"));
}

}  // namespace

std::optional<Tmainform::TSaveTarget> AskSaveTargetWithDialog(QWidget* parent, int typeIndex) {
  QString selected = SaveTypeFilter(typeIndex);
  const QString path =
      QFileDialog::getSaveFileName(parent, SaveDialogTitle(), QString(), SaveDialogFilter(),
                                   &selected, QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return std::nullopt;
  return Tmainform::TSaveTarget{path.toStdString(), SaveTypeOfFilter(selected)};
}

void Tmainform::StopPlaybackFirst() {
  if (view_->Playing()) StopActionExecute();
}

void Tmainform::EnableSelectionCommands(bool selected) {
  for (QAction* action : {CutAction, CopyAction, DeleteAction, SaveSelectedAction, ZoomSelAction})
    action->setEnabled(selected);
}

void Tmainform::SetSelectionMasks(int32_t selectiontype) {
  const QString mask = SelectionInputMask(selectiontype);
  for (QLineEdit* box : {selstart, selstop}) box->setInputMask(mask);
}

void Tmainform::HoldSelectionBoxesTo(uint32_t frames) {
  for (QLineEdit* box : {selstart, selstop}) {
    const std::string text =
        (config.selectiontype == 0 ? box->displayText() : box->text()).toStdString();
    const auto value = ParseSelectionBox(config.selectiontype, text);
    const uint32_t limit = config.selectiontype == 0 ? view_->SamplesToMs(frames) : frames;
    if (value && *value > limit) WriteSelectionBox(box, frames);
  }
}

void Tmainform::WriteSelectionBox(QLineEdit* box, uint32_t frames) {
  box->setText(QString::fromStdString(
      SelectionBoxText(config.selectiontype, frames, view_->SamplesToMs(frames))));
}

// Saving

void Tmainform::SaveActionExecute() {
  if (document_->Modified()) SaveOrSaveAs();
}

bool Tmainform::SaveOrSaveAs() {
  // A document opened from a format we cannot write (WMA, AAC ...) is saved under a new name.
  if (!SaveFormatOf(document_->FileName())) return SaveAsActionExecute();
  return document_->Save();
}

bool Tmainform::SaveAsActionExecute() {
  if (!document_->Loaded()) return false;
  saveDialogType_ = config.savefilterindex == 0 ? 1 : config.savefilterindex;
  const auto target = AskSaveTarget(saveDialogType_);
  if (!target) return false;
  const std::string previous = document_->FileName();
  const std::string path = SaveTargetName(target->path, target->typeIndex);
  // The next dialog opens on the type this name writes, whichever entry was chosen.
  saveDialogType_ = SaveTypeOfFormat(*SaveFormatOf(path));
  if (!MayOverwrite(path)) return false;
  config.savefilterindex = saveDialogType_;
  document_->SetFileName(path);
  if (!document_->Save()) {
    document_->SetFileName(previous);
    return false;
  }
  updatecaption(path);
  return true;
}

void Tmainform::SaveSelectedActionExecute() {
  if (!view_->Selected()) return;
  const auto target = AskSaveTarget(saveDialogType_);
  if (!target) return;
  StopPlaybackFirst();
  const std::string path = SaveTargetName(target->path, target->typeIndex);
  saveDialogType_ = SaveTypeOfFormat(*SaveFormatOf(path));
  if (!MayOverwrite(path)) return;
  document_->SaveSelection(path, view_->SelStart(), view_->SelStop());
}

// Editing

void Tmainform::UndoActionExecute() {
  if (!document_->Loaded()) return;
  StopPlaybackFirst();
  document_->Undo();
}

void Tmainform::RedoActionExecute() {
  if (!document_->Loaded()) return;
  StopPlaybackFirst();
  document_->Redo();
}

void Tmainform::RemoveSelection(bool (Twavefile::*remove)(int64_t, int64_t)) {
  QUILLON_MAIN_THREAD_ONLY();
  if (!view_->Selected()) return;
  StopPlaybackFirst();
  const uint32_t start = view_->SelStart();
  if ((document_.get()->*remove)(start, view_->SelStop())) {
    view_->SetCursorPos(start);
    view_->SetSelection(start, start, false);
  }
}

void Tmainform::CutActionExecute() {
  RemoveSelection(&Twavefile::Cut);
}

void Tmainform::CopyActionExecute() {
  if (!view_->Selected()) return;
  StopPlaybackFirst();
  document_->Copy(view_->SelStart(), view_->SelStop());
}

void Tmainform::PasteActionExecute() {
  if (!document_->Loaded()) return;
  StopPlaybackFirst();
  document_->Paste(view_->CursorPos());
}

void Tmainform::DeleteActionExecute() {
  RemoveSelection(&Twavefile::Delete);
}

void Tmainform::SelectAllActionExecute() {
  if (!document_->Loaded()) return;
  WriteSelectionBox(selstart, 0);
  WriteSelectionBox(selstop, document_->FrameCount());
  sel->setChecked(true);
  selClick();
}

void Tmainform::DeselectAllActionExecute() {
  sel->setChecked(false);
  selClick();
}

// The selection group

void Tmainform::selClick() {
  if (!document_->Loaded() || document_->FrameCount() == 0) return;
  const int32_t unit = config.selectiontype;
  auto read = [unit](QLineEdit* box, const QLabel* label) -> std::optional<uint32_t> {
    const std::string name = label->text().toStdString();
    // Milliseconds read as shown (unfilled places show 0); sample numbers without the blanks.
    const std::string text = (unit == 0 ? box->displayText() : box->text()).toStdString();
    const auto value = ParseSelectionBox(unit, text);
    if (!value)
      MessageBoxes().Show(kApplicationTitle,
                          name + " \"" + text + "\" " +
                              ConstantText(unit == 0 ? "notavalidtime" : "notavalidsample"),
                          TMessageIcon::Exclamation);
    return value;
  };
  const auto start = read(selstart, findChild<QLabel*>("BeginLabel"));
  if (!start) return;
  const auto stop = read(selstop, findChild<QLabel*>("EndLabel"));
  if (!stop) return;
  const uint32_t last = document_->FrameCount() - 1;
  const bool selected = sel->isChecked();
  if (unit == 0) {
    const uint32_t lastMs = view_->SamplesToMs(last);
    view_->SetSelectionMs(std::min(*start, lastMs), std::min(*stop, lastMs), selected);
  } else {
    view_->SetSelection(std::min(*start, last), std::min(*stop, last), selected);
  }
  // The boxes show what was applied, held to the document and in order.
  WriteSelectionBox(selstart, view_->SelStart());
  WriteSelectionBox(selstop, std::min(view_->SelStop(), last));
  EnableSelectionCommands(selected);
}

void Tmainform::PickStartSClick() {
  WriteSelectionBox(selstart, view_->CursorPos());
}

void Tmainform::PickStopSClick() {
  WriteSelectionBox(selstop, view_->CursorPos());
}

// Scale format

void Tmainform::MsActionExecute() {
  ApplyScaleFormat(0);
}

void Tmainform::SmplActionExecute() {
  ApplyScaleFormat(1);
}

void Tmainform::ApplyScaleFormat(int32_t selectiontype) {
  (selectiontype == 0 ? MsAction : SmplAction)->setChecked(true);
  config.selectiontype = selectiontype;
  SetSelectionMasks(selectiontype);
  const bool loaded = document_->Loaded();
  WriteSelectionBox(selstart, loaded ? view_->SelStart() : 0);
  WriteSelectionBox(selstop, loaded ? view_->SelStop() : 0);
  onCursor(view_->CursorPos(), view_->CursorMs());
  view_->SetShowMs(selectiontype == 0);
}

// Effects without parameters

void Tmainform::FadeSelection(bool (Twavefile::*fade)(int64_t, int64_t)) {
  if (!view_->Selected()) return;
  StopPlaybackFirst();
  if ((document_.get()->*fade)(view_->SelStart(), view_->SelStop()))
    view_->SetSelection(view_->SelStart(), view_->SelStop(), false);
}

void Tmainform::FadeInActionExecute() {
  FadeSelection(&Twavefile::FadeIn);
}

void Tmainform::FadeOutActionExecute() {
  FadeSelection(&Twavefile::FadeOut);
}

void Tmainform::ReverseActionExecute() {
  if (!document_->Loaded()) return;
  StopPlaybackFirst();
  document_->Reverse();
}

void Tmainform::InvertActionExecute() {
  if (!document_->Loaded()) return;
  StopPlaybackFirst();
  document_->Invert();
}

// Effects with a parameter

std::optional<int> Tmainform::setproperties(const char* titleKey, const char* nameKey, int minimum,
                                            int maximum, int value) {
  filterForm_->setproperties(ConstantText(titleKey), ConstantText(nameKey), minimum, maximum,
                             value);
  if (filterForm_->exec() != QDialog::Accepted) return std::nullopt;
  return filterForm_->Value();
}

void Tmainform::SilenceActionExecute() {
  if (!document_->Loaded()) return;
  StopPlaybackFirst();
  const auto ms = setproperties("silencetitle", "silencename", 0, 0, 500);
  // A negative length inserts nothing.
  if (ms && *ms > 0)
    document_->InsertSilence(view_->CursorPos(), view_->MsToSamples(static_cast<uint32_t>(*ms)));
}

void Tmainform::NormalizationActionExecute() {
  if (!document_->Loaded()) return;
  StopPlaybackFirst();
  if (const auto percent = setproperties("normaltitle", "normalname", 0, 100, 95))
    document_->Normalize(*percent);
}

void Tmainform::AmplifyActionExecute(int initial) {
  if (!document_->Loaded()) return;
  StopPlaybackFirst();
  if (const auto percent = setproperties("amplifytitle", "amplifyname", 0, 200, initial))
    document_->Amplify(static_cast<uint32_t>(*percent));
}

void Tmainform::PropertiesActionExecute() {
  if (!document_->Loaded()) return;
  propertiesForm_->setfilename(*document_);
  propertiesForm_->show();
}

}  // namespace quillon
