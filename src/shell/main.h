#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QSlider;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolBar;
class QWidget;

namespace quillon {

class TQtClipboard;
class TQtMainThread;
class TQtMessageBoxes;
class TWaveView;
class Twavefile;

// The editor's main window: the one document, its waveform view, the commands around it and the
// status of the running operation. Object names are fixed because translations find controls by
// name.
class Tmainform : public QMainWindow {
  Q_OBJECT

 public:
  // arguments exclude the program's own name; exactly one of them is opened at start-up.
  explicit Tmainform(const std::vector<std::string>& arguments = {}, QWidget* parent = nullptr);
  ~Tmainform() override;

  // Closes whatever is open and starts opening path; the rest happens in onLoaded and onReady.
  void openfile(const std::string& path);
  void updatecaption(const std::string& fileName);

  Twavefile* Document() const { return document_.get(); }
  TWaveView* View() const { return view_; }
  QLabel* StatusPanel(int index) const { return statusPanels_[index]; }
  QProgressBar* Progress() const { return ProgressBar; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateBottomPanel();
  void CreateStatusBar();
  void FormCreate(const std::vector<std::string>& arguments);
  void FormDestroy();
  bool FormCloseQuery();
  void onLoaded();
  void onReady();
  void ProgressTimerTimer();
  void OpenActionExecute();
  void CloseActionExecute();
  QAction* MakeAction(const char* name, const QString& caption, const QString& hint = {});

  std::unique_ptr<TQtMainThread> mainThread_;
  std::unique_ptr<TQtMessageBoxes> messageBoxes_;
  std::unique_ptr<TQtClipboard> clipboard_;
  std::unique_ptr<Twavefile> document_;
  TWaveView* view_ = nullptr;
  bool destroyed_ = false;

  QMenuBar* ActionMainMenuBar1;
  QToolBar* ActionToolBar1;
  QWidget* Panel1;
  QScrollBar* Scroll;
  QTabWidget* PageControl1;
  QGroupBox* GroupBox1;
  QGroupBox* GroupBox2;
  QGroupBox* GroupBox3;
  QGroupBox* GroupBox4;
  QLineEdit* selstart;
  QLineEdit* selstop;
  QPushButton* PickStartMS;
  QPushButton* PickStopMS;
  QCheckBox* sel;
  QLabel* timedisplay;
  QWidget* VUMeter1;
  QSlider* VolumeBar;
  QProgressBar* ProgressBar;
  QStatusBar* StatusBar;
  QLabel* statusPanels_[4];
  QTimer* ProgressTimer;

  QAction *OpenAction, *CloseAction, *SaveAction, *SaveAsAction, *SaveSelectedAction,
      *PropertiesAction, *SettingsAction, *ExitAction;
  QAction *ZoomInAction, *ZoomOutAction, *ZoomFullAction, *MsAction, *SmplAction;
  QAction *UndoAction, *RedoAction, *CutAction, *CopyAction, *PasteAction, *DeleteAction,
      *SelectAllAction, *DeselectAllAction;
  QAction *PlayAction, *PauseAction, *StopAction, *FadeInAction, *FadeOutAction, *SilenceAction,
      *NormalizationAction, *ReverseAction, *InvertAction, *AmplifyIAction, *AmplifyDAction;
  QAction *ContentsAction, *UpdateAction, *AboutAction;
};

// "h:nn:ss.zzz" of a duration in seconds; the hours are those of the day, as a time of day shows.
std::string FormatDuration(double seconds);

}  // namespace quillon
