#pragma once

#include <functional>

#include <QObject>

#include "spectrum/spectrumsettings.h"

class QAction;
class QLabel;
class QMainWindow;
class QSettings;
class QVBoxLayout;

namespace quillon {

class TSpectrogramPage;
class TSpectrogramView;
class TWaveView;

// What the document panel shows.
enum class TDisplayMode : int32_t { Waveform = 0, Spectrogram = 1, Both = 2 };

// The main window's spectrogram: its view under the wave view in the panel, View > Show with
// Waveform, Spectrogram and Both and the key that cycles them, the pointer's reading in the
// status bar, and its settings (the settings dialog's page, the user's settings file).
class TSpectrogramControl : public QObject {
  Q_OBJECT

 public:
  // Adds the view to panel below wave and its commands to window's View menu.
  TSpectrogramControl(QMainWindow* window, TWaveView* wave, QVBoxLayout* panel);

  void SetMode(TDisplayMode mode);
  TDisplayMode Mode() const { return mode_; }
  // Waveform, Spectrogram, Both, Waveform ...
  void CycleMode();
  // The page's changes apply at once.
  void ConnectPage(TSpectrogramPage* page);
  void Load(QSettings& store);
  void Save(QSettings& store) const;
  // The same, with the values taken now, for a write on another thread.
  std::function<void(QSettings&)> Saver() const;
  TSpectrogramView* View() const { return view_; }
  QAction* CycleAction() const { return cycle_; }

 private:
  TWaveView* wave_;
  TSpectrogramView* view_;
  QLabel* reading_;
  QAction* modes_[3]{};
  QAction* cycle_;
  TDisplayMode mode_ = TDisplayMode::Waveform;
  TSpectrogramPage* page_ = nullptr;
};

}  // namespace quillon
