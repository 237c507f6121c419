#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/orderedwriter.h"
#include "platform/subscription.h"
#include "playback/previeweffect.h"
#include "shell/commandqueue.h"
#include "shell/recentfiles.h"
#include "shell/utils.h"
#include "update/updatesites.h"

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

class TAboutForm;
class TPropertiesForm;
class Tfilterform;
class Tmpegsettings;
class TEncoderQualityForm;
class TExportRegions;
class TsettingsForm;
class TQtClipboard;
class TQtUrlOpener;
class TVersionCheck;
class TJournalWriter;
class TRecentFilesMenu;
class TMarkerController;
class TVUMeter;
class TQtMainThread;
class TQtMessageBoxes;
class TToolsController;
class TPreviewController;
class TDialogPreview;
class TSpectrogramControl;
class TWaveView;
class Twavefile;
class TCloseAfterWork;
struct TClipContents;

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
  // Every exception that reaches the event loop: reported with its call stack, then shown.
  void AppException();
  // Asks the running operation to stop (the Cancel button and Esc); nothing when none runs.
  void CancelOperation();
  // The window's place, the volume, the language and the encoders' choices to the settings.
  void StoreSettings();
  // Waits until the settings, lists and journal asked for so far are on the disk: for the end of
  // the program and for tests only.
  void SettleWrites() { writer_.Drain(); }

  Twavefile* Document() const { return document_.get(); }
  TWaveView* View() const { return view_; }
  QLabel* StatusPanel(int index) const { return statusPanels_[index]; }
  // The status bar's line for what the last operation left to say.
  QLabel* NoticePanel() const { return noticePanel_; }
  QProgressBar* Progress() const { return ProgressBar; }
  // Beside the progress bar, shown only while an operation runs.
  QPushButton* CancelOperationButton() const { return CancelButton; }
  TVUMeter* Meter() const { return VUMeter1; }
  Tfilterform* FilterForm() {
    MakeDialogs();
    return filterForm_;
  }
  // The dialogs not shown at start (About, Properties, the effects' value, the encoders'
  // settings): made once the window is painted, or when first needed.
  void MakeDialogs();
  // Commands given while an operation runs, not yet run.
  size_t WaitingCommands() const { return commands_.Waiting(); }

  // The save dialog's answer, and what it is offered first: a file name and the type (1 WAV ...).
  struct TSaveTarget {
    std::string path;
    int typeIndex = 1;
  };
  // Shows the save dialog at what is offered; none when cancelled. A seam for tests, which
  // outlive the window they set it on.
  std::function<std::optional<TSaveTarget>(const TSaveTarget& offered)> AskSaveTarget;

  // A line in the status bar for a while, for what needs no question: a link or a check that
  // failed, a command skipped or dropped.
  void ShowStatusLine(const std::string& text);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  // What the first paint does not need, once the window is on the screen.
  void AfterFirstPaint();
  // The volume bar follows whether the device opened.
  void WaitForPlayer();
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  // The everyday tools' commands and what their controller may ask of the window.
  void CreateTools();
  // Hearing before doing: the Play variants, and the previews of the effect dialogs once
  // those are made.
  void CreatePreviews();
  void AttachPreviews();
  // Once both the previews and the tools' dialogs are made, whichever comes last.
  void AttachToolPreviews();
  // The effect dialog's preview for its next use: the effect of the value shown; none for an
  // effect without one.
  void OfferFilterPreview(std::function<TPreviewEffect(int)> effect);
  void CreateMenus();
  void CreateToolBar();
  void CreateBottomPanel();
  void CreateStatusBar();
  void CreateCancelControls();
  // The Cancel button beside the progress bar while an operation runs, hidden otherwise.
  void ShowCancelControls(bool running);
  // Stops a running operation and waits for its end, for the window's destruction only; a close
  // stops it and closes after its end instead: CloseAfterWork, true when an operation runs.
  void StopOperationForClose();
  bool CloseAfterWork();
  void FormCreate(const std::vector<std::string>& arguments);
  void FormDestroy();
  void CreateVersionCheck();
  void CheckForUpdatesExecute();
  // The dialogs, the quality dialogs showing the stored choices.
  void CreateDialogs(const TEncoderQuality& quality);
  void SetIcons();
  // Asks for an effect's value in the effect dialog; none when cancelled.
  std::optional<int> setproperties(const char* titleKey, const char* nameKey, int minimum,
                                   int maximum, int value,
                                   std::function<TPreviewEffect(int)> preview = nullptr);
  void SilenceActionExecute();
  void NormalizationActionExecute();
  void AmplifyActionExecute(QAction* action, int initial);
  // An effect at its turn: start starts it on the document.
  TCommandOutcome RunEffect(const QAction* action, const std::function<bool()>& start);
  void PropertiesActionExecute();
  void FormResize();
  bool FormCloseQuery();
  void onLoaded();
  // Offers to recover what runs that ended without closing left unsaved, one question each,
  // newest first; true when a document is being recovered.
  bool OfferRecovery();
  // Opens the start-up file, unless a document is recovered first.
  void OpenAtStart(const std::vector<std::string>& arguments);
  void onReady();
  // The document's files, history, name or Modified changed: the journal and the caption follow.
  void onStateChanged();
  // Shows a line an operation left; the lines of one operation stand side by side.
  void onNotice(const std::string& text);
  void ClearNotices();
  void OnAction(bool canUndo, bool canRedo);
  void onSelect(uint32_t start, uint32_t stop, uint32_t startms, uint32_t stopms, bool selected);
  void onCursor(uint32_t position, uint32_t positions);
  // The status bar's panels are built from constants: a language change writes them again.
  void WriteDocumentPanels();
  void WriteCursorPanel(uint32_t position, uint32_t positions);
  void RewriteStatusPanels();
  void playprocess(bool action);
  void ProgressTimerTimer();
  void VizTimerTimer();
  void VolumeBarChange();
  // The volume bar's place as the setting keeps it: -10000 loudest to 0 silent.
  int32_t VolumePosition() const;
  void SetVolumePosition(int32_t position);
  void ScrollChange();
  void enableeffects(bool on);
  // A command given now runs at once when no operation runs and none waits; otherwise it waits
  // its turn. Whatever it needs from the window it captures before it comes here.
  void Give(TQueuedCommand command);
  bool CommandsWait() const;
  // Once an operation has ended: the waiting commands run until one starts the next.
  void RunWaitingCommands();
  void ShowWaitingCount();
  // Esc: the waiting commands are dropped and the running operation is stopped.
  void EscapeExecute();
  // A command's text for the status bar: its caption with the reason the key names.
  std::string Skipped(const QAction* action, const char* key) const;
  // The selection and cursor a command works on.
  struct TPlace {
    uint32_t start = 0;
    uint32_t stop = 0;
    bool selected = false;
    uint32_t cursor = 0;
  };
  TPlace PlaceNow() const;
  // As the user sees them now, unless a waiting command will change them first: then as they
  // are at the command's turn.
  std::function<TPlace()> PlaceWhenGiven() const;
  // The clipboard's contents for a Paste: now, unless a Cut or Copy runs or waits ahead of it.
  std::function<TClipContents()> ClipboardWhenGiven() const;
  // A queueable command's own enabled state; while commands wait every one of them takes keys.
  void SetAvailable(QAction* action, bool on);
  void RefreshAvailability();
  // Whether the document may go now: not while an operation runs, and only as the view's close
  // query allows. When the query started a save, retry runs once that save has succeeded.
  bool MayCloseDocument(std::function<void()> retry);
  // Runs next once the view's close query lets the document go; after a save that the query
  // started, next runs again when that save has succeeded.
  void RunAfterCloseQuery(std::function<void()> next);
  void OpenActionExecute();
  // What Open does once a file is chosen, in the dialog or in Recent Files.
  void OpenChosenFile(const std::string& path);
  // A file opened or saved joins Recent Files and the desktop's recently used list.
  void AddRecentFile(const std::string& path);
  void StoreRecentFiles();
  void CloseActionExecute();
  // Nothing is loaded: the view, the caption, the status panels and the commands say so.
  void ShowNothingLoaded();
  void PlayActionExecute();
  // Play as the user gives it: behind the waiting commands.
  void PlayGiven();
  void StopActionExecute();
  void PauseActionExecute();
  void SaveActionExecute();
  // Save, or Save As for a document whose format cannot be written back; true when a save
  // started.
  bool SaveOrSaveAs();
  void SaveAsActionExecute();
  // The save dialog and the overwrite question; none when either was refused.
  std::optional<std::string> AskSaveAsName();
  void SaveSelectedActionExecute();
  void UndoActionExecute();
  void RedoActionExecute();
  // Cut or Delete of the selection, leaving the cursor at its start.
  void RemoveSelection(QAction* action, bool (Twavefile::*remove)(int64_t, int64_t));
  // Why a command on the selection at cannot run now; none when it can.
  std::optional<TCommandOutcome> CheckRange(const QAction* action, const TPlace& at);
  void CutActionExecute();
  void CopyActionExecute();
  void PasteActionExecute();
  void DeleteActionExecute();
  void SelectAllActionExecute();
  void DeselectAllActionExecute();
  void MsActionExecute();
  void SmplActionExecute();
  void ApplyScaleFormat(int32_t selectiontype);
  // A fade over the selection, which it then clears.
  void FadeSelection(QAction* action, bool (Twavefile::*fade)(int64_t, int64_t));
  void FadeInActionExecute();
  void FadeOutActionExecute();
  void ReverseActionExecute();
  void InvertActionExecute();
  void selClick();
  void PickStartSClick();
  void PickStopSClick();
  void StopPlaybackFirst();
  void EnableSelectionCommands(bool selected);
  void WriteSelectionBox(QLineEdit* box, uint32_t frames);
  // Boxes that name a place past the document's end name its end instead.
  void HoldSelectionBoxesTo(uint32_t frames);
  // The selection boxes' edit masks for the unit.
  void SetSelectionMasks(int32_t selectiontype);
  // The save dialog's file type and default extension, kept between uses.
  int saveDialogType_ = 1;
  // Space plays, or stops while playing.
  void GiveSpaceTo(QAction* action);
  QAction* MakeAction(const char* name, const QString& caption, const QString& hint = {});
  // Connects a command to its handler and enables it; commands without one stay unavailable.
  void MakeLive(QAction* action, const std::function<void()>& handler);
  static bool IsLive(const QAction* action);
  static constexpr const char* kLiveProperty = "quillonLive";

  TUpdateSites sites_;
  std::unique_ptr<TQtMainThread> mainThread_;
  std::unique_ptr<TQtMessageBoxes> messageBoxes_;
  std::unique_ptr<TQtClipboard> clipboard_;
  std::unique_ptr<TQtUrlOpener> urlOpener_;
  std::unique_ptr<TVersionCheck> versionCheck_;
  TsettingsForm* settingsForm_ = nullptr;
  TAboutForm* aboutForm_ = nullptr;
  TPropertiesForm* propertiesForm_ = nullptr;
  Tfilterform* filterForm_ = nullptr;
  Tmpegsettings* mp3Form_ = nullptr;
  TEncoderQualityForm* vorbisForm_ = nullptr;
  TEncoderQualityForm* opusForm_ = nullptr;
  // The encoders' settings as stored, until their dialogs are made.
  TEncoderQuality storedQuality_;
  QLabel* demoLabel_ = nullptr;
  TRecentFiles recentFiles_;
  TRecentFilesMenu* recentFilesMenu_ = nullptr;
  // A child of the window, deleted before the view and the document.
  TToolsController* tools_ = nullptr;
  TPreviewController* previews_ = nullptr;
  TDialogPreview* filterPreview_ = nullptr;
  TExportRegions* exportRegions_ = nullptr;
  TMarkerController* markers_ = nullptr;
  // Writes the program's own files off the main thread; outlives everything that posts to it.
  TOrderedWriter writer_;
  // Before the document: its last Close still writes to the journal.
  std::unique_ptr<TJournalWriter> journal_;
  std::unique_ptr<Twavefile> document_;
  std::shared_ptr<TCloseAfterWork> closeAfterWork_;
  TWaveView* view_ = nullptr;
  TSpectrogramControl* spectrogram_ = nullptr;
  bool destroyed_ = false;
  bool painted_ = false;
  // Until the sound device has opened after the first paint.
  QTimer* playerWait_ = nullptr;
  std::function<void()> afterSave_;
  int wheelRemainder_ = 0;
  TCommandQueue commands_;
  // What the window hears from the document, clipboard, URL opener and update check; ended
  // with the window, so none of them can call back into a window that is gone.
  TSubscriptions subscriptions_;
  QLabel* waitingLabel_ = nullptr;
  bool waitingShown_ = false;
  // The commands that wait their turn while an operation runs.
  std::vector<QAction*> queueable_;
  static constexpr const char* kAvailableProperty = "quillonAvailable";

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
  TVUMeter* VUMeter1;
  QSlider* VolumeBar;
  QProgressBar* ProgressBar;
  QPushButton* CancelButton;
  QStatusBar* StatusBar;
  QLabel* statusPanels_[4];
  QLabel* noticePanel_;
  // The notices shown came from an operation that has ended; the next one replaces them.
  bool noticesEnded_ = true;
  QTimer* ProgressTimer;
  QTimer* VizTimer;

  QAction *OpenAction, *CloseAction, *SaveAction, *SaveAsAction, *SaveSelectedAction,
      *PropertiesAction, *SettingsAction, *ExitAction, *ExportRegionsAction;
  QAction *ZoomInAction, *ZoomOutAction, *ZoomFullAction, *ZoomSelAction, *MsAction, *SmplAction;
  QAction *UndoAction, *RedoAction, *CutAction, *CopyAction, *PasteAction, *DeleteAction,
      *SelectAllAction, *DeselectAllAction;
  QAction *PlayAction, *PauseAction, *StopAction, *FadeInAction, *FadeOutAction, *SilenceAction,
      *NormalizationAction, *ReverseAction, *InvertAction, *AmplifyIAction, *AmplifyDAction;
  QAction *ContentsAction, *UpdateAction, *AboutAction;
  QAction* EscapeAction;
};

}  // namespace quillon
