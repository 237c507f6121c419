#include "shell/preview/dialogpreview.h"

#include <QBoxLayout>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "localization/constants.h"
#include "playback/previewsource.h"

namespace quillon {

TDialogPreview::TDialogPreview(QDialog& dialog, QBoxLayout& buttons, TPlay play)
    : QObject(&dialog), dialog_(dialog), play_(std::move(play)) {
  setObjectName("DialogPreview");
  PreviewButton = new QPushButton(&dialog);
  PreviewButton->setObjectName("PreviewButton");
  PreviewButton->setCheckable(true);
  PreviewButton->setAutoDefault(false);
  BypassButton = new QPushButton(&dialog);
  BypassButton->setObjectName("BypassButton");
  BypassButton->setCheckable(true);
  BypassButton->setAutoDefault(false);
  buttons.addWidget(PreviewButton);
  buttons.addWidget(BypassButton);
  connect(PreviewButton, &QPushButton::clicked, this, [this] { TogglePreview(); });
  connect(BypassButton, &QPushButton::clicked, this, [this] { ApplyBypass(); });
  connect(&dialog, &QDialog::finished, this, [this] { Stop(); });
  WatchKeys();
  ShowState();
}

// Space and B belong to the preview wherever the focus is in the dialog, a number box too:
// neither is part of a number.
void TDialogPreview::WatchKeys() {
  dialog_.installEventFilter(this);
  for (QWidget* child : dialog_.findChildren<QWidget*>()) child->installEventFilter(this);
}

bool TDialogPreview::eventFilter(QObject* watched, QEvent* event) {
  // The texts in the language chosen since the last time the dialog showed.
  if (watched == &dialog_ && event->type() == QEvent::Show) ShowState();
  if (effect_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool space = key->key() == Qt::Key_Space, b = key->key() == Qt::Key_B;
    if (key->modifiers() == Qt::NoModifier && (space || b)) {
      // A key held down toggles once.
      if (key->isAutoRepeat()) return true;
      if (space) TogglePreview();
      if (b) ToggleBypass();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void TDialogPreview::SetEffect(std::function<TPreviewEffect()> effect) {
  Stop();
  effect_ = std::move(effect);
  BypassButton->setChecked(false);
  PreviewButton->setVisible(effect_ != nullptr);
  BypassButton->setVisible(effect_ != nullptr);
  ShowState();
}

void TDialogPreview::EffectChanged() {
  if (source_ && effect_) source_->SetEffect(effect_());
}

void TDialogPreview::TogglePreview() {
  if (source_) return Stop();
  if (!effect_) return;
  source_ = play_.start();
  if (source_) {
    source_->SetBypass(BypassButton->isChecked());
    source_->SetEffect(effect_());
  }
  ShowState();
}

void TDialogPreview::ToggleBypass() {
  if (!effect_) return;
  BypassButton->toggle();
  ApplyBypass();
}

void TDialogPreview::ApplyBypass() {
  if (source_) source_->SetBypass(BypassButton->isChecked());
}

void TDialogPreview::Stop() {
  if (!source_) return;
  source_.reset();
  play_.stop();
  ShowState();
}

void TDialogPreview::PlaybackEnded() {
  source_.reset();
  ShowState();
}

void TDialogPreview::ShowState() {
  PreviewButton->setChecked(source_ != nullptr);
  PreviewButton->setText(QString::fromStdString(ConstantText("previewbutton")));
  BypassButton->setText(QString::fromStdString(ConstantText("bypassbutton")));
}

}  // namespace quillon
