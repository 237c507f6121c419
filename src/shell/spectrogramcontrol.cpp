#include "shell/spectrogramcontrol.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

#include "display/spectrogramview.h"
#include "display/waveview.h"
#include "shell/dialogs/spectrogrampage.h"

namespace quillon {

namespace {

constexpr const char* kGroup = "Spectrogram";

}  // namespace

TSpectrogramControl::TSpectrogramControl(QMainWindow* window, TWaveView* wave, QVBoxLayout* panel)
    : QObject(window), wave_(wave) {
  view_ = new TSpectrogramView(wave, panel->parentWidget());
  view_->setObjectName("SpectrogramView");
  view_->hide();
  panel->addWidget(view_, 1);
  // In Both the two share the panel's height evenly.
  panel->setStretchFactor(wave, 1);
  reading_ = new QLabel(window);
  reading_->setObjectName("SpectrogramReading");
  window->statusBar()->addWidget(reading_);
  connect(view_, &TSpectrogramView::PointerMoved, reading_, &QLabel::setText);

  auto* group = new QActionGroup(this);
  const char* names[] = {"WaveformModeAction", "SpectrogramModeAction", "BothModeAction"};
  const char* texts[] = {"&Waveform", "&Spectrogram", "&Both"};
  for (int i = 0; i < 3; ++i) {
    modes_[i] = new QAction(texts[i], window);
    modes_[i]->setObjectName(names[i]);
    modes_[i]->setCheckable(true);
    group->addAction(modes_[i]);
    connect(modes_[i], &QAction::triggered, this,
            [this, i] { SetMode(static_cast<TDisplayMode>(i)); });
  }
  cycle_ = new QAction("&Next View", window);
  cycle_->setObjectName("CycleViewAction");
  cycle_->setShortcut(QKeySequence(Qt::Key_F6));
  window->addAction(cycle_);
  connect(cycle_, &QAction::triggered, this, &TSpectrogramControl::CycleMode);
  if (auto* viewMenu = window->menuBar()->findChild<QMenu*>("ViewMenu")) {
    QMenu* show = viewMenu->addMenu("S&how");
    show->setObjectName("DisplayModeMenu");
    show->addActions({modes_[0], modes_[1], modes_[2]});
    show->addSeparator();
    show->addAction(cycle_);
  }
  SetMode(TDisplayMode::Waveform);
}

void TSpectrogramControl::SetMode(TDisplayMode mode) {
  mode_ = mode;
  modes_[static_cast<int>(mode)]->setChecked(true);
  view_->setVisible(mode != TDisplayMode::Waveform);
  // Alone, the spectrogram keeps the wave view's time scale above it.
  wave_->setMaximumHeight(mode == TDisplayMode::Spectrogram ? TopMargin + 2 : QWIDGETSIZE_MAX);
  if (!view_->isVisible()) reading_->clear();
  wave_->Repaint();
}

void TSpectrogramControl::CycleMode() {
  SetMode(static_cast<TDisplayMode>((static_cast<int>(mode_) + 1) % 3));
}

void TSpectrogramControl::ConnectPage(TSpectrogramPage* page) {
  page_ = page;
  page->Show(view_->Settings());
  connect(page, &TSpectrogramPage::Changed, this,
          [this](const TSpectrumSettings& settings) { view_->SetSettings(settings); });
}

void TSpectrogramControl::Load(QSettings& store) {
  store.beginGroup(kGroup);
  TSpectrumSettings settings;
  settings.window = store.value("Window", settings.window).toInt();
  settings.shape = static_cast<TWindowShape>(store.value("Shape", 0).toInt());
  settings.scale =
      static_cast<TFrequencyScale>(store.value("Scale", static_cast<int>(settings.scale)).toInt());
  settings.colourMap = store.value("ColourMap", settings.colourMap).toInt();
  settings.rangeDb = store.value("Range", settings.rangeDb).toDouble();
  settings.gainDb = store.value("Gain", settings.gainDb).toDouble();
  const int mode = store.value("Mode", 0).toInt();
  store.endGroup();
  view_->SetSettings(settings);
  if (page_) page_->Show(view_->Settings());
  SetMode(static_cast<TDisplayMode>(std::clamp(mode, 0, 2)));
}

void TSpectrogramControl::Save(QSettings& store) const {
  Saver()(store);
}

std::function<void(QSettings&)> TSpectrogramControl::Saver() const {
  return [settings = view_->Settings(), mode = mode_](QSettings& store) {
    store.beginGroup(kGroup);
    store.setValue("Window", settings.window);
    store.setValue("Shape", static_cast<int>(settings.shape));
    store.setValue("Scale", static_cast<int>(settings.scale));
    store.setValue("ColourMap", settings.colourMap);
    store.setValue("Range", settings.rangeDb);
    store.setValue("Gain", settings.gainDb);
    store.setValue("Mode", static_cast<int>(mode));
    store.endGroup();
  };
}

}  // namespace quillon
