// dialogpreview: the Preview and Bypass buttons of one effect dialog.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "playback/previeweffect.h"

class QBoxLayout;
class QDialog;
class QPushButton;

namespace quillon {

class TPreviewSource;

// Preview (and Space anywhere in the dialog) plays the selection, or the document, looped
// through the effect as the dialog's values set it; Bypass (and B) switches between the effect
// and the original while it plays. Every change of a value is handed to what plays at once.
// Closing the dialog, by OK or Cancel, stops the preview; the document is never touched.
class TDialogPreview : public QObject {
  Q_OBJECT

 public:
  struct TPlay {
    // Starts playing the selection looped; none when nothing plays (no device, no document).
    std::function<std::shared_ptr<TPreviewSource>()> start;
    // Stops what start started.
    std::function<void()> stop;
  };

  // The buttons join buttons, the dialog's column or row of buttons.
  TDialogPreview(QDialog& dialog, QBoxLayout& buttons, TPlay play);

  // The effect as the dialog's values set it now; none: this use of the dialog offers no
  // preview, and the buttons are hidden.
  void SetEffect(std::function<TPreviewEffect()> effect);
  // A value of the dialog changed.
  void EffectChanged();
  void TogglePreview();
  void ToggleBypass();
  void Stop();
  bool Previewing() const { return source_ != nullptr; }
  // Playback ended some other way (the document went, another play began).
  void PlaybackEnded();

  QPushButton* PreviewButton;
  QPushButton* BypassButton;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WatchKeys();
  void ApplyBypass();
  void ShowState();

  QDialog& dialog_;
  TPlay play_;
  std::function<TPreviewEffect()> effect_;
  std::shared_ptr<TPreviewSource> source_;
};

}  // namespace quillon
