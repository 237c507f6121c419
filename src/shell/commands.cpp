// The main window's commands: saving, editing, the selection group, the scale format and the
// effects that need no parameters.
#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

#include "codecs/encodersettings.h"
#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "platform/qt/dialogkeys.h"
#include "shell/dialogs/filter.h"
#include "shell/dialogs/properties.h"
#include "shell/effectscope.h"
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

TCommandOutcome StartedIf(bool started) {
  return started ? TCommandOutcome::Started() : TCommandOutcome::Done();
}

}  // namespace

void Tmainform::StopPlaybackFirst() {
  if (view_->Playing()) StopActionExecute();
}

void Tmainform::EnableSelectionCommands(bool selected) {
  for (QAction* action : {CutAction, CopyAction, DeleteAction, SaveSelectedAction})
    SetAvailable(action, selected);
  ZoomSelAction->setEnabled(selected);
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
  // Whether there is anything to save is known only at its turn, after the edits ahead of it.
  Give({[this] { return StartedIf(document_->Modified() && SaveOrSaveAs()); }});
}

bool Tmainform::SaveOrSaveAs() {
  // A document opened from a format we cannot write (WMA, AAC ...) is saved under a new name.
  if (!SaveFormatOf(document_->FileName())) {
    const auto path = AskSaveAsName();
    return path && document_->SaveAs(*path);
  }
  return document_->Save();
}

std::optional<std::string> Tmainform::AskSaveAsName() {
  saveDialogType_ = config.savefilterindex == 0 ? 1 : config.savefilterindex;
  const auto target = AskSaveTarget(
      {SaveDialogStart(document_->FileName(), saveDialogType_, false), saveDialogType_});
  if (!target) return std::nullopt;
  const std::string path = SaveTargetName(target->path, target->typeIndex);
  // The next dialog opens on the type this name writes, whichever entry was chosen.
  saveDialogType_ = SaveTypeOfFormat(*SaveFormatOf(path));
  if (!MayOverwrite(path)) return std::nullopt;
  config.savefilterindex = saveDialogType_;
  return path;
}

void Tmainform::SaveAsActionExecute() {
  if (!document_->Loaded() && !CommandsWait()) return;
  // The name is asked when the command is given; the save runs at its turn.
  const auto path = AskSaveAsName();
  if (!path) return;
  Give({[this, path = *path] {
    if (!document_->Loaded())
      return TCommandOutcome::Skipped(Skipped(SaveAsAction, "skippednodocument"));
    return StartedIf(document_->SaveAs(path));
  }});
}

void Tmainform::SaveSelectedActionExecute() {
  const auto place = PlaceWhenGiven();
  if (!commands_.AnyMovesSelection() && !view_->Selected()) return;
  const auto target = AskSaveTarget(
      {SaveDialogStart(document_->FileName(), saveDialogType_, true), saveDialogType_});
  if (!target) return;
  StopPlaybackFirst();
  const std::string path = SaveTargetName(target->path, target->typeIndex);
  saveDialogType_ = SaveTypeOfFormat(*SaveFormatOf(path));
  if (!MayOverwrite(path)) return;
  Give({[this, place, path] {
    const TPlace at = place();
    if (const auto skip = CheckRange(SaveSelectedAction, at)) return *skip;
    return StartedIf(document_->SaveSelection(path, at.start, at.stop));
  }});
}

// Editing

std::optional<TCommandOutcome> Tmainform::CheckRange(const QAction* action, const TPlace& at) {
  if (!at.selected) return TCommandOutcome::Skipped(Skipped(action, "skippednoselection"));
  if (!document_->Loaded()) return TCommandOutcome::Skipped(Skipped(action, "skippednodocument"));
  if (at.stop > document_->FrameCount())
    return TCommandOutcome::Skipped(Skipped(action, "skippedoutside"));
  return std::nullopt;
}

void Tmainform::UndoActionExecute() {
  Give({[this] {
          if (!document_->Loaded() || !document_->CanUndo())
            return TCommandOutcome::Skipped(Skipped(UndoAction, "skippednothingtoundo"));
          StopPlaybackFirst();
          document_->Undo();
          return StartedIf(document_->Busy());
        },
        true});
}

void Tmainform::RedoActionExecute() {
  Give({[this] {
          if (!document_->Loaded() || !document_->CanRedo())
            return TCommandOutcome::Skipped(Skipped(RedoAction, "skippednothingtoredo"));
          StopPlaybackFirst();
          document_->Redo();
          return StartedIf(document_->Busy());
        },
        true});
}

void Tmainform::RemoveSelection(QAction* action, bool (Twavefile::*remove)(int64_t, int64_t)) {
  QUILLON_MAIN_THREAD_ONLY();
  Give({[this, action, remove, place = PlaceWhenGiven()] {
          const TPlace at = place();
          if (const auto skip = CheckRange(action, at)) return *skip;
          StopPlaybackFirst();
          if (!(document_.get()->*remove)(at.start, at.stop)) return TCommandOutcome::Done();
          view_->SetCursorPos(at.start);
          view_->SetSelection(at.start, at.start, false);
          return TCommandOutcome::Started();
        },
        true, remove == &Twavefile::Cut});
}

void Tmainform::CutActionExecute() {
  RemoveSelection(CutAction, &Twavefile::Cut);
}

void Tmainform::CopyActionExecute() {
  Give({[this, place = PlaceWhenGiven()] {
          const TPlace at = place();
          if (const auto skip = CheckRange(CopyAction, at)) return *skip;
          StopPlaybackFirst();
          return StartedIf(document_->Copy(at.start, at.stop));
        },
        false, true});
}

void Tmainform::PasteActionExecute() {
  // Other editors' Paste replaces what is selected: the selection goes first, and the paste
  // lands where it began.
  if (config.likepeers && !commands_.AnyMovesSelection() && view_->Selected())
    RemoveSelection(PasteAction, &Twavefile::Delete);
  Give({[this, place = PlaceWhenGiven(), clip = ClipboardWhenGiven()] {
          if (!document_->Loaded())
            return TCommandOutcome::Skipped(Skipped(PasteAction, "skippednodocument"));
          TClipContents contents = clip();
          if (contents.Empty())
            return TCommandOutcome::Skipped(Skipped(PasteAction, "skippedclipboard"));
          const uint32_t at = place().cursor;
          if (at > document_->FrameCount())
            return TCommandOutcome::Skipped(Skipped(PasteAction, "skippedoutside"));
          StopPlaybackFirst();
          return StartedIf(document_->Paste(at, std::move(contents)));
        },
        true});
}

void Tmainform::DeleteActionExecute() {
  RemoveSelection(DeleteAction, &Twavefile::Delete);
}

void Tmainform::SelectAllActionExecute() {
  // Behind an edit, all means the audio as that edit leaves it.
  Give({[this] {
          if (!document_->Loaded())
            return TCommandOutcome::Skipped(Skipped(SelectAllAction, "skippednodocument"));
          WriteSelectionBox(selstart, 0);
          WriteSelectionBox(selstop, document_->FrameCount());
          sel->setChecked(true);
          selClick();
          return TCommandOutcome::Done();
        },
        true});
}

void Tmainform::DeselectAllActionExecute() {
  Give({[this] {
          sel->setChecked(false);
          selClick();
          return TCommandOutcome::Done();
        },
        true});
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

void Tmainform::FadeSelection(QAction* action, bool (Twavefile::*fade)(int64_t, int64_t)) {
  Give({[this, action, fade, place = PlaceWhenGiven()] {
          const TPlace at = place();
          if (const auto skip = CheckRange(action, at)) return *skip;
          StopPlaybackFirst();
          if (!(document_.get()->*fade)(at.start, at.stop)) return TCommandOutcome::Done();
          view_->SetSelection(at.start, at.stop, false);
          return TCommandOutcome::Started();
        },
        true});
}

void Tmainform::FadeInActionExecute() {
  FadeSelection(FadeInAction, &Twavefile::FadeIn);
}

void Tmainform::FadeOutActionExecute() {
  FadeSelection(FadeOutAction, &Twavefile::FadeOut);
}

TCommandOutcome Tmainform::RunEffect(const QAction* action, const std::function<bool()>& start) {
  if (!document_->Loaded()) return TCommandOutcome::Skipped(Skipped(action, "skippednodocument"));
  StopPlaybackFirst();
  return StartedIf(start());
}

void Tmainform::ReverseActionExecute() {
  Give({[this, place = PlaceWhenGiven()] {
    return RunEffect(ReverseAction, [&] { return EffectScopeAt(place()).Reverse(*document_); });
  }});
}

void Tmainform::InvertActionExecute() {
  Give({[this, place = PlaceWhenGiven()] {
    return RunEffect(InvertAction, [&] { return EffectScopeAt(place()).Invert(*document_); });
  }});
}

// Effects with a parameter: the value is asked when the command is given, so that the dialog
// answers the key that opened it; the effect runs at its turn.

std::optional<int> Tmainform::setproperties(const char* titleKey, const char* nameKey, int minimum,
                                            int maximum, int value,
                                            std::function<TPreviewEffect(int)> preview) {
  Tfilterform* form = FilterForm();
  OfferFilterPreview(std::move(preview));
  form->setproperties(ConstantText(titleKey), ConstantText(nameKey), minimum, maximum, value);
  if (RunDialog(*form) != QDialog::Accepted) return std::nullopt;
  return form->Value();
}

void Tmainform::SilenceActionExecute() {
  if (!document_->Loaded() && !CommandsWait()) return;
  StopPlaybackFirst();
  const auto place = PlaceWhenGiven();
  const auto ms = setproperties("silencetitle", "silencename", 0, 0, 500);
  // A negative length inserts nothing.
  if (!ms || *ms <= 0) return;
  Give({[this, place, ms = static_cast<uint32_t>(*ms)] {
          return RunEffect(SilenceAction, [&] {
            const uint32_t at = place().cursor;
            return at <= document_->FrameCount() &&
                   document_->InsertSilence(at, view_->MsToSamples(ms));
          });
        },
        true});
}

void Tmainform::NormalizationActionExecute() {
  if (!document_->Loaded() && !CommandsWait()) return;
  StopPlaybackFirst();
  auto effect = [this](int percent) {
    const auto state = document_->State();
    return state ? TPreviewEffect::Normalize(percent, state->peaks.peak) : TPreviewEffect();
  };
  if (const auto percent = setproperties("normaltitle", "normalname", 0, 100, 95, effect))
    Give({[this, percent = *percent, place = PlaceWhenGiven()] {
      return RunEffect(NormalizationAction,
                       [&] { return EffectScopeAt(place()).Normalize(*document_, percent); });
    }});
}

void Tmainform::AmplifyActionExecute(QAction* action, int initial) {
  if (!document_->Loaded() && !CommandsWait()) return;
  StopPlaybackFirst();
  auto effect = [](int percent) {
    return TPreviewEffect::Amplify(static_cast<uint32_t>(std::max(percent, 0)));
  };
  if (const auto percent = setproperties("amplifytitle", "amplifyname", 0, 200, initial, effect))
    Give({[this, action, percent = static_cast<uint32_t>(*percent), place = PlaceWhenGiven()] {
      return RunEffect(action, [&] { return EffectScopeAt(place()).Amplify(*document_, percent); });
    }});
}

void Tmainform::PropertiesActionExecute() {
  if (!document_->Loaded()) return;
  MakeDialogs();
  propertiesForm_->setfilename(*document_);
  propertiesForm_->show();
}

}  // namespace quillon
