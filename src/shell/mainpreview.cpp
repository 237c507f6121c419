// The main window's side of hearing before doing: what the preview controller may ask of the
// window, and the effect dialogs it previews.
#include <QBoxLayout>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>

#include "document/wavfile.h"
#include "shell/dialogs/channeltools.h"
#include "shell/dialogs/filter.h"
#include "shell/dialogs/normalizeloudness.h"
#include "shell/main.h"
#include "shell/preview/previewcontroller.h"
#include "shell/tools/toolscontroller.h"

namespace quillon {

namespace {

// The gain OK would apply, once the loudness is known.
void AttachLoudnessPreview(TPreviewController& previews, TNormalizeLoudnessForm& form) {
  if (form.findChild<TDialogPreview*>()) return;
  TDialogPreview& preview = previews.Attach(form, *form.ButtonRow);
  preview.SetEffect([&form] {
    const auto gain = form.PlannedGain();
    return gain ? TPreviewEffect::Gain(*gain) : TPreviewEffect();
  });
  QObject::connect(&form, &TNormalizeLoudnessForm::ForecastShown, &preview,
                   &TDialogPreview::EffectChanged);
}

// The audio at the rate shown, taken there and back, at the device's present rate.
void AttachRatePreview(TPreviewController& previews, TSampleRateForm& form) {
  if (form.findChild<TDialogPreview*>()) return;
  TDialogPreview& preview = previews.Attach(form, *form.ButtonRow);
  preview.SetEffect([&form] {
    const auto rate = form.TypedRate();
    return rate ? TPreviewEffect::RateRoundTrip(*rate) : TPreviewEffect();
  });
  QObject::connect(form.RateBox, &QComboBox::currentTextChanged, &preview,
                   &TDialogPreview::EffectChanged);
}

}  // namespace

void Tmainform::CreatePreviews() {
  TPreviewHost host;
  host.give = [this](TQueuedCommand command) { Give(std::move(command)); };
  host.stopPlayback = [this] { StopPlaybackFirst(); };
  previews_ = new TPreviewController(*this, *view_, *document_, std::move(host));
  if (auto* operations = ActionMainMenuBar1->findChild<QMenu*>("OperationsMenu"))
    previews_->AddToMenu(*operations, StopAction);
  for (QAction* action : previews_->QueueableActions()) {
    queueable_.push_back(action);
    action->setProperty(kAvailableProperty, true);
  }
  AttachToolPreviews();
}

void Tmainform::AttachPreviews() {
  filterPreview_ = &previews_->Attach(*filterForm_, *filterForm_->ButtonColumn);
  connect(filterForm_->ValueEdit, &QSpinBox::valueChanged, filterPreview_,
          &TDialogPreview::EffectChanged);
  AttachToolPreviews();
}

void Tmainform::AttachToolPreviews() {
  if (!previews_ || !tools_->NormalizeForm()) return;
  AttachLoudnessPreview(*previews_, *tools_->NormalizeForm());
  AttachRatePreview(*previews_, *tools_->RateForm());
}

void Tmainform::OfferFilterPreview(std::function<TPreviewEffect(int)> effect) {
  Tfilterform* form = FilterForm();
  if (!effect) return filterPreview_->SetEffect(nullptr);
  filterPreview_->SetEffect([form, effect = std::move(effect)] { return effect(form->Value()); });
}

}  // namespace quillon
