#include "shell/main.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>
#include <iostream>

#include "codecs/dialog/mp3format.h"
#include "diagnostics/crashreport.h"
#include "diagnostics/exceptionreport.h"
#include "diagnostics/qt/crashmessage.h"
#include "display/vumeter.h"
#include "display/waveview.h"
#include "document/journal.h"
#include "document/journalwriter.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "localization/langmanager.h"
#include "localization/ui/langcontroller.h"
#include "platform/config.h"
#include "platform/eventreport.h"
#include "platform/granularity.h"
#include "platform/qt/qtclipboard.h"
#include "platform/qt/qtmainthread.h"
#include "platform/qt/qtmessageboxes.h"
#include "platform/qt/qturlopener.h"
#include "platform/runfiles.h"
#include "platform/startuptrace.h"
#include "platform/urlopener.h"
#include "playback/playunit.h"
#include "resources/icons.h"
#include "shell/dialogs/about.h"
#include "shell/dialogs/encoderquality.h"
#include "shell/dialogs/filter.h"
#include "shell/dialogs/properties.h"
#include "shell/dialogs/settings.h"
#include "shell/exportregions.h"
#include "shell/filedialogs.h"
#include "shell/framesnapcontrol.h"
#include "shell/help.h"
#include "shell/labelholder.h"
#include "shell/markers/markercontroller.h"
#include "shell/recentmenu.h"
#include "shell/settingsfile.h"
#include "shell/spectrogramcontrol.h"
#include "shell/tools/toolscontroller.h"
#include "shell/tools/toolsmenu.h"
#include "shell/utils.h"
#include "update/checkpad5.h"
#include "update/updatesites.h"

namespace quillon {

namespace {
constexpr int kBottomPanelHeight = 155;
constexpr int kProgressIntervalMs = 50;
constexpr int kVizIntervalMs = 10;
constexpr int32_t kProductId = 80003;
constexpr int kAmplifyUp = 101;
constexpr int kAmplifyDown = 10;
// The meter's bars: red 99, green 197, blue 84 as 0x00BBGGRR.
constexpr uint32_t kMeterColor = 5555555;

}  // namespace

Tmainform::Tmainform(const std::vector<std::string>& arguments, QWidget* parent)
    : QMainWindow(parent) {
  StartupStep("main window: start");
  setObjectName("mainform");
  sites_ = DeploymentSites();
  SetMakerSite(sites_.maker);
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  InitIcons();
  setWindowIcon(Icon("quillon"));
  // Every other window (About, the dialogs) shows the program's icon too.
  QApplication::setWindowIcon(windowIcon());
  StartupStep("main window: icons installed");
  CreateActions();
  CreateTools();
  SetIcons();
  StartupStep("main window: actions");
  CreateMenus();
  StartupStep("main window: menus");
  CreateToolBar();
  StartupStep("main window: tool bar");

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  Panel1 = new QWidget(central);
  Panel1->setObjectName("Panel1");
  column->addWidget(Panel1, 1);
  Scroll = new QScrollBar(Qt::Horizontal, central);
  Scroll->setObjectName("Scroll");
  Scroll->setFixedHeight(14);
  Scroll->setPageStep(1);
  Scroll->setEnabled(false);
  column->addWidget(Scroll);
  column->addSpacing(3);
  CreateBottomPanel();
  CreateCancelControls();
  column->addWidget(PageControl1);
  setCentralWidget(central);
  CreateStatusBar();
  StartupStep("main window: panels");

  FormCreate(arguments);
  AttachLanguageController(this);
  StartupStep("main window: translated");
}

Tmainform::~Tmainform() {
  FormDestroy();
}

QAction* Tmainform::MakeAction(const char* name, const QString& caption, const QString& hint) {
  auto* action = new QAction(caption, this);
  action->setObjectName(name);
  // Without a hint of its own the tip is the caption, in whatever language it is shown.
  if (!hint.isEmpty()) action->setToolTip(hint);
  // Commands join one by one; until then they are shown but cannot run.
  action->setEnabled(false);
  return action;
}

void Tmainform::MakeLive(QAction* action, const std::function<void()>& handler) {
  action->setProperty(kLiveProperty, true);
  action->setEnabled(true);
  connect(action, &QAction::triggered, this, handler);
}

bool Tmainform::IsLive(const QAction* action) {
  return action->property(kLiveProperty).toBool();
}

void Tmainform::CreateActions() {
  const QString spaces18(18, ' ');
  OpenAction = MakeAction("OpenAction", "&Open", "Open");
  OpenAction->setShortcut(QKeySequence("Ctrl+O"));
  CloseAction = MakeAction("CloseAction", "&Close", "Close");
  SaveAction = MakeAction("SaveAction", "&Save", "Save");
  SaveAction->setShortcut(QKeySequence("Ctrl+S"));
  SaveAsAction = MakeAction("SaveAsAction", "S&ave As...", "Save As...");
  SaveSelectedAction = MakeAction("SaveSelectedAction", "Sa&ve Selected As..." + QString(10, ' '),
                                  "Save Selected As...");
  ExportRegionsAction =
      MakeAction("ExportRegionsAction", "Expor&t Regions...", "Export Regions...");
  PropertiesAction = MakeAction("PropertiesAction", "&File Properties");
  SettingsAction = MakeAction("SettingsAction", "S&ettings");
  ExitAction = MakeAction("ExitAction", "E&xit");
  // Beside each designed key, the one that other editors taught the user's hands.
  ExitAction->setShortcuts({QKeySequence("Alt+F4"), QKeySequence("Ctrl+Q")});
  ZoomInAction = MakeAction("ZoomInAction", "&Zoom In" + spaces18, "Zoom In");
  ZoomOutAction = MakeAction("ZoomOutAction", "Z&oom Out", "Zoom Out");
  ZoomFullAction = MakeAction("ZoomFullAction", "Zoo&m Full", "Zoom Full");
  // The first key of each is the one the menu shows; the others are the ones other editors use.
  ZoomInAction->setShortcuts({QKeySequence("Ctrl+1"), QKeySequence("+"), QKeySequence("Ctrl+=")});
  ZoomOutAction->setShortcuts({QKeySequence("Ctrl+3"), QKeySequence("-")});
  ZoomFullAction->setShortcuts({QKeySequence("Ctrl+F"), QKeySequence("Ctrl+0")});
  ZoomSelAction = MakeAction("ZoomSelAction", "Zoom &to Selection", "Zoom to Selection");
  ZoomSelAction->setShortcut(QKeySequence("Ctrl+E"));
  MsAction = MakeAction("MsAction", "&Milliseconds");
  SmplAction = MakeAction("SmplAction", "&Samples");
  UndoAction = MakeAction("UndoAction", "&Undo", "Undo");
  UndoAction->setShortcut(QKeySequence("Ctrl+Z"));
  RedoAction = MakeAction("RedoAction", "&Redo", "Redo");
  RedoAction->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
  CutAction = MakeAction("CutAction", "&Cut", "Cut");
  CutAction->setShortcut(QKeySequence("Ctrl+X"));
  CopyAction = MakeAction("CopyAction", "C&opy", "Copy");
  CopyAction->setShortcut(QKeySequence("Ctrl+C"));
  PasteAction = MakeAction("PasteAction", "&Paste", "Paste");
  PasteAction->setShortcut(QKeySequence("Ctrl+V"));
  DeleteAction = MakeAction("DeleteAction", "&Delete", "Delete");
  DeleteAction->setShortcut(QKeySequence(Qt::Key_Delete));
  SelectAllAction = MakeAction("SelectAllAction", "&Select All");
  SelectAllAction->setShortcut(QKeySequence("Ctrl+A"));
  DeselectAllAction = MakeAction("DeselectAllAction", "D&eselect All" + QString(19, ' '));
  PlayAction = MakeAction("PlayAction", "&Play", "Play");
  PlayAction->setShortcut(QKeySequence(Qt::Key_Space));
  PauseAction = MakeAction("PauseAction", "P&ause", "Pause");
  StopAction = MakeAction("StopAction", "&Stop", "Stop");
  FadeInAction = MakeAction("FadeInAction", "&Fade In", "Fade In");
  FadeOutAction = MakeAction("FadeOutAction", "Fa&de Out", "Fade Out");
  SilenceAction = MakeAction("SilenceAction", "&Insert Silence", "Insert Silence");
  NormalizationAction = MakeAction("NormalizationAction", "&Normalization", "Normalization");
  ReverseAction = MakeAction("ReverseAction", "R&everse", "Reverse");
  InvertAction = MakeAction("InvertAction", "In&vert", "Invert");
  AmplifyIAction = MakeAction("AmplifyIAction", "Amp&lify (Increase)", "Amplify (Increase)");
  AmplifyDAction = MakeAction("AmplifyDAction", "A&mplify (Decrease)", "Amplify (Decrease)");
  ContentsAction = MakeAction("ContentsAction", "&Contents", "Help");
  ContentsAction->setShortcut(QKeySequence(Qt::Key_F1));
  UpdateAction = MakeAction("UpdateAction", "C&heck for Updates...", "Check Updates...");
  AboutAction = MakeAction("AboutAction", "&About");
  // In no menu: Esc anywhere in the window.
  EscapeAction = MakeAction("EscapeAction", QString());
  EscapeAction->setShortcut(QKeySequence(Qt::Key_Escape));
  addAction(EscapeAction);

  MsAction->setCheckable(true);
  SmplAction->setCheckable(true);
  auto* scaleGroup = new QActionGroup(this);
  scaleGroup->addAction(MsAction);
  scaleGroup->addAction(SmplAction);

  MakeLive(OpenAction, [this] { OpenActionExecute(); });
  MakeLive(CloseAction, [this] { CloseActionExecute(); });
  MakeLive(ExitAction, [this] { close(); });
  AskSaveTarget = [this](const TSaveTarget& offered) {
    return AskSaveTargetWithDialog(this, offered);
  };
  MakeLive(ContentsAction, [] { ShowHelp(kHelpFileName); });
  MakeLive(ZoomInAction, [this] { view_->ZoomIn(); });
  MakeLive(ZoomOutAction, [this] { view_->ZoomOut(); });
  MakeLive(ZoomFullAction, [this] { view_->ZoomFull(); });
  MakeLive(ZoomSelAction, [this] { view_->ZoomToSelection(); });
  MakeLive(PlayAction, [this] { PlayGiven(); });
  MakeLive(StopAction, [this] { StopActionExecute(); });
  MakeLive(PauseAction, [this] { PauseActionExecute(); });
  MakeLive(UpdateAction, [this] { CheckForUpdatesExecute(); });
  MakeLive(SaveAction, [this] { SaveActionExecute(); });
  MakeLive(SaveAsAction, [this] { SaveAsActionExecute(); });
  MakeLive(SaveSelectedAction, [this] { SaveSelectedActionExecute(); });
  MakeLive(UndoAction, [this] { UndoActionExecute(); });
  MakeLive(RedoAction, [this] { RedoActionExecute(); });
  MakeLive(CutAction, [this] { CutActionExecute(); });
  MakeLive(CopyAction, [this] { CopyActionExecute(); });
  MakeLive(PasteAction, [this] { PasteActionExecute(); });
  MakeLive(DeleteAction, [this] { DeleteActionExecute(); });
  MakeLive(SelectAllAction, [this] { SelectAllActionExecute(); });
  MakeLive(DeselectAllAction, [this] { DeselectAllActionExecute(); });
  MakeLive(MsAction, [this] { MsActionExecute(); });
  MakeLive(SmplAction, [this] { SmplActionExecute(); });
  MakeLive(FadeInAction, [this] { FadeInActionExecute(); });
  MakeLive(FadeOutAction, [this] { FadeOutActionExecute(); });
  MakeLive(ReverseAction, [this] { ReverseActionExecute(); });
  MakeLive(InvertAction, [this] { InvertActionExecute(); });
  MakeLive(SilenceAction, [this] { SilenceActionExecute(); });
  MakeLive(NormalizationAction, [this] { NormalizationActionExecute(); });
  MakeLive(AmplifyIAction, [this] { AmplifyActionExecute(AmplifyIAction, kAmplifyUp); });
  MakeLive(AmplifyDAction, [this] { AmplifyActionExecute(AmplifyDAction, kAmplifyDown); });
  MakeLive(EscapeAction, [this] { EscapeExecute(); });
  MakeLive(PropertiesAction, [this] { PropertiesActionExecute(); });
  MakeLive(SettingsAction, [this] { settingsForm_->show(); });
  MakeLive(AboutAction, [this] {
    MakeDialogs();
    aboutForm_->show();
  });
  // Designed states: what needs a selection or a history starts unavailable.
  for (QAction* idle : {CutAction, CopyAction, DeleteAction, SaveSelectedAction, ZoomSelAction,
                        UndoAction, RedoAction, PasteAction})
    idle->setEnabled(false);
  for (QAction* idle : {StopAction, PauseAction}) idle->setEnabled(false);
  // What depends on the document waits its turn behind a running operation; the view's own
  // commands (zoom, scale), Stop and the dialogs that show the present act at once.
  queueable_ = {OpenAction,         CloseAction,         SaveAction,    SaveAsAction,
                SaveSelectedAction, UndoAction,          RedoAction,    CutAction,
                CopyAction,         PasteAction,         DeleteAction,  SelectAllAction,
                DeselectAllAction,  PlayAction,          FadeInAction,  FadeOutAction,
                SilenceAction,      NormalizationAction, ReverseAction, InvertAction,
                AmplifyIAction,     AmplifyDAction};
  for (QAction* action : queueable_) action->setProperty(kAvailableProperty, action->isEnabled());
}

void Tmainform::CreateMenus() {
  ActionMainMenuBar1 = new QMenuBar(this);
  ActionMainMenuBar1->setObjectName("ActionMainMenuBar1");
  auto menu = [this](const char* name, const QString& title) {
    QMenu* m = ActionMainMenuBar1->addMenu(title);
    m->setObjectName(name);
    return m;
  };
  QMenu* file = menu("FileMenu", "&File");
  file->addActions(
      {OpenAction, CloseAction, SaveAction, SaveAsAction, SaveSelectedAction, ExportRegionsAction});
  file->addSeparator();
  recentFilesMenu_ = new TRecentFilesMenu(
      recentFiles_, [this](const std::string& path) { OpenChosenFile(path); },
      [this] { StoreRecentFiles(); }, file);
  file->addMenu(recentFilesMenu_);
  // Files deleted since are dropped before the list shows.
  connect(file, &QMenu::aboutToShow, recentFilesMenu_, &TRecentFilesMenu::Refresh);
  file->addSeparator();
  file->addAction(PropertiesAction);
  file->addSeparator();
  file->addAction(SettingsAction);
  file->addSeparator();
  file->addAction(ExitAction);
  QMenu* view = menu("ViewMenu", "&View");
  view->addActions({ZoomInAction, ZoomOutAction, ZoomFullAction, ZoomSelAction});
  view->addSeparator();
  QMenu* scale = view->addMenu("&Scale Format" + QString(9, ' '));
  scale->setObjectName("ScaleFormatMenu");
  scale->addActions({MsAction, SmplAction});
  QMenu* edit = menu("EditMenu", "&Edit");
  edit->addActions({UndoAction, RedoAction});
  edit->addSeparator();
  edit->addActions({CutAction, CopyAction, PasteAction, DeleteAction});
  edit->addSeparator();
  edit->addActions({SelectAllAction, DeselectAllAction});
  QMenu* operations = menu("OperationsMenu", "&Operations");
  operations->addActions({PlayAction, PauseAction, StopAction});
  operations->addSeparator();
  operations->addActions({FadeInAction, FadeOutAction, SilenceAction, NormalizationAction,
                          ReverseAction, InvertAction, AmplifyDAction, AmplifyIAction});
  tools_->AddToMenus(*operations, *menu("AnalyzeMenu", "&Analyze"));
  AddToolActions(*menu("ToolsMenu", "&Tools"));
  QMenu* help = menu("HelpMenu", "&Help");
  help->addActions({ContentsAction, UpdateAction});
  help->addSeparator();
  help->addAction(AboutAction);
  setMenuBar(ActionMainMenuBar1);
}

void Tmainform::CreateToolBar() {
  ActionToolBar1 = new QToolBar("Operations", this);
  ActionToolBar1->setObjectName("ActionToolBar1");
  ActionToolBar1->setIconSize(QSize(16, 16));
  ActionToolBar1->setMovable(false);
  ActionToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
  ActionToolBar1->addActions({OpenAction, SaveAction});
  ActionToolBar1->addSeparator();
  ActionToolBar1->addActions({CutAction, CopyAction, PasteAction, DeleteAction});
  ActionToolBar1->addSeparator();
  ActionToolBar1->addActions({UndoAction, RedoAction});
  ActionToolBar1->addSeparator();
  ActionToolBar1->addActions({ZoomInAction, ZoomOutAction, ZoomFullAction, ZoomSelAction});
  ActionToolBar1->addSeparator();
  ActionToolBar1->addActions({PlayAction, StopAction});
  ActionToolBar1->addSeparator();
  ActionToolBar1->addActions({FadeInAction, FadeOutAction, SilenceAction, NormalizationAction,
                              ReverseAction, InvertAction, AmplifyIAction, AmplifyDAction});
  ActionToolBar1->addSeparator();
  ActionToolBar1->addAction(ContentsAction);
  addToolBar(Qt::TopToolBarArea, ActionToolBar1);
}

void Tmainform::CreateBottomPanel() {
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setFixedHeight(kBottomPanelHeight);
  auto* page = new QWidget(PageControl1);
  page->setObjectName("Main");
  PageControl1->addTab(page, "Main");
  auto* row = new QHBoxLayout(page);

  auto group = [page](const char* name, const QString& title) {
    auto* box = new QGroupBox(title, page);
    box->setObjectName(name);
    return box;
  };
  GroupBox1 = group("GroupBox1", "  Selection  ");
  auto* grid = new QGridLayout(GroupBox1);
  selstart = new QLineEdit(GroupBox1);
  selstart->setObjectName("selstart");
  selstop = new QLineEdit(GroupBox1);
  selstop->setObjectName("selstop");
  PickStartMS = new QPushButton("Pick", GroupBox1);
  PickStartMS->setObjectName("PickStartMS");
  PickStopMS = new QPushButton("Pick", GroupBox1);
  PickStopMS->setObjectName("PickStopMS");
  sel = new QCheckBox("Selected", GroupBox1);
  sel->setObjectName("sel");
  auto* beginLabel = new QLabel("Begin:", GroupBox1);
  beginLabel->setObjectName("BeginLabel");
  auto* endLabel = new QLabel("End:", GroupBox1);
  endLabel->setObjectName("EndLabel");
  grid->addWidget(beginLabel, 0, 0);
  grid->addWidget(selstart, 0, 1);
  grid->addWidget(PickStartMS, 0, 2);
  grid->addWidget(endLabel, 1, 0);
  grid->addWidget(selstop, 1, 1);
  grid->addWidget(PickStopMS, 1, 2);
  grid->addWidget(sel, 2, 1);

  GroupBox2 = group("GroupBox2", "  Cursor  ");
  auto* cursorLayout = new QVBoxLayout(GroupBox2);
  timedisplay = new QLabel("00:00:00", GroupBox2);
  timedisplay->setObjectName("timedisplay");
  QFont timeFont("Arial");
  timeFont.setPixelSize(32);
  timeFont.setBold(true);
  timedisplay->setFont(timeFont);
  cursorLayout->addWidget(new TLabelHolder(timedisplay, GroupBox2));

  GroupBox3 = group("GroupBox3", "  Levels  ");
  auto* levelsLayout = new QVBoxLayout(GroupBox3);
  VUMeter1 = new TVUMeter(GroupBox3);
  VUMeter1->setObjectName("VUMeter1");
  VUMeter1->SetForecolor(kMeterColor);
  levelsLayout->addWidget(VUMeter1);

  GroupBox4 = group("GroupBox4", " Volume ");
  auto* volumeLayout = new QVBoxLayout(GroupBox4);
  VolumeBar = new QSlider(Qt::Vertical, GroupBox4);
  VolumeBar->setObjectName("VolumeBar");
  // The bar's value is the loudness, so that up, its fill, the keys and the wheel all mean
  // louder; the stored position (-10000 loudest) is its negative (VolumePosition).
  VolumeBar->setRange(0, 10000);
  VolumeBar->setTickPosition(QSlider::TicksBothSides);
  VolumeBar->setTickInterval(500);
  // A click on the groove moves a tenth of the way; an arrow key one tick mark.
  VolumeBar->setPageStep(1000);
  VolumeBar->setSingleStep(500);
  SetVolumePosition(kDefaultVolume);
  VolumeBar->setToolTip("Playback volume level");
  // Disabled should the sound device fail to open (WaitForPlayer).
  volumeLayout->addWidget(VolumeBar);

  row->addWidget(GroupBox1, 3);
  row->addWidget(GroupBox2, 3);
  row->addWidget(GroupBox3, 3);
  row->addWidget(GroupBox4, 1);

  ProgressBar = new QProgressBar(PageControl1);
  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setRange(0, 100);
  ProgressBar->setTextVisible(false);
  ProgressBar->setGeometry(64, 4, 200, 12);
  ProgressBar->hide();
  // The link to the companion tools' page shares the progress bar's place.
  demoLabel_ = CreateDemoLabel(*PageControl1);
  // How many commands wait, at the progress bar's right end.
  waitingLabel_ = new QLabel(PageControl1);
  waitingLabel_->setObjectName("WaitingLabel");
  waitingLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  waitingLabel_->hide();
}

void Tmainform::FormCreate(const std::vector<std::string>& arguments) {
  mainThread_ = std::make_unique<TQtMainThread>();
  SetMainThread(mainThread_.get());
  messageBoxes_ = std::make_unique<TQtMessageBoxes>();
  SetMessageBoxes(messageBoxes_.get());
  clipboard_ = std::make_unique<TQtClipboard>();
  SetClipboard(clipboard_.get());

  CreateVersionCheck();
  StartupStep("form: version check made");

  AllocationGranularity = SystemAllocationGranularity();
  if (auto report = MachineGranularityReport(AllocationGranularity)) ReportEvent(*report);

  document_ = std::make_unique<Twavefile>();
  SetAvailable(UndoAction, false);
  SetAvailable(RedoAction, false);
  subscriptions_ += document_->OnAction.Subscribe(
      [this](Twavefile*, bool canUndo, bool canRedo) { OnAction(canUndo, canRedo); });
  subscriptions_ += document_->OnReady.Subscribe([this](Twavefile*) { onReady(); });
  // Commands offered only while an operation ran are withdrawn the moment it ends.
  subscriptions_ += document_->OnIdle.Subscribe([this](Twavefile*) { RefreshAvailability(); });
  subscriptions_ += document_->OnLoaded.Subscribe([this](Twavefile*) { onLoaded(); });
  journal_ = std::make_unique<TJournalWriter>(RecoveryFolder(), writer_);
  subscriptions_ += document_->OnStateChanged.Subscribe([this](Twavefile*) { onStateChanged(); });
  subscriptions_ += document_->OnNotice.Subscribe(
      [this](Twavefile*, const std::string& text) { onNotice(text); });
  subscriptions_ += document_->OnFileUsed.Subscribe(
      [this](Twavefile*, const std::string& path) { AddRecentFile(path); });

  TEncoderQuality quality;
  if (auto store = OpenUserSettings()) {
    config = LoadSettings(*store);
    quality = LoadEncoderQuality(*store);
    recentFiles_.Load(*store);
  }
  recentFilesMenu_->Refresh();
  config.savefilterindex = 0;
  StartupStep("form: document, journal, settings");

  const QScreen* screen = QGuiApplication::primaryScreen();
  setGeometry(MainWindowPlacement(config, screen ? screen->availableGeometry() : QRect()));

  ViewBackColor = config.backcolor;
  ViewWaveColor = config.wavecolor;
  ViewScaleColor = config.scalecolor;

  (config.selectiontype != 0 ? SmplAction : MsAction)->setChecked(true);
  SetSelectionMasks(config.selectiontype);

  setAcceptDrops(true);
  subscriptions_ += clipboard_->OnChanged.Subscribe(
      [this] { SetAvailable(PasteAction, clipboard_->CanPaste()); });
  clipboard_->OnChanged();

  auto* panelLayout = new QVBoxLayout(Panel1);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  view_ = new TWaveView(Panel1);
  view_->setObjectName("WaveView");
  view_->setAttribute(Qt::WA_OpaquePaintEvent);
  view_->setFocusPolicy(Qt::StrongFocus);
  view_->SetDrawWhenShown(true);
  panelLayout->addWidget(view_);
  view_->SetScrollBar(Scroll);
  // Attached before its events are wired: without a file the status bar stays empty.
  view_->AttachDocument(document_.get());
  tools_->Attach(*document_, *view_);
  CreatePreviews();
  connect(view_, &TWaveView::CursorMoved, this, &Tmainform::onCursor);
  connect(view_, &TWaveView::SelectionChanged, this, &Tmainform::onSelect);
  connect(view_, &TWaveView::PlayStatusChanged, this, &Tmainform::playprocess);
  view_->OnSaveRequest = [this] { return SaveOrSaveAs(); };
  markers_ = new TMarkerController(
      {document_.get(), view_, this, [this](TQueuedCommand command) { Give(std::move(command)); },
       [this] { return commands_.AnyMovesSelection(); }},
      this);
  QMenu* markersMenu = markers_->AddMenu(*ActionMainMenuBar1);
  for (QAction* action : markers_->Commands()) {
    queueable_.push_back(action);
    SetAvailable(action, true);
  }
  // The panel's context menu: the commands on the selection.
  Panel1->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* separator = new QAction(Panel1);
  separator->setSeparator(true);
  auto* markersSeparator = new QAction(Panel1);
  markersSeparator->setSeparator(true);
  Panel1->addActions({CutAction, CopyAction, PasteAction, DeleteAction, separator,
                      SaveSelectedAction, markersSeparator, markersMenu->menuAction()});
  connect(sel, &QCheckBox::clicked, this, &Tmainform::selClick);
  connect(PickStartMS, &QPushButton::clicked, this, &Tmainform::PickStartSClick);
  connect(PickStopMS, &QPushButton::clicked, this, &Tmainform::PickStopSClick);
  connect(Scroll, &QScrollBar::valueChanged, this, &Tmainform::ScrollChange);
  spectrogram_ = new TSpectrogramControl(this, view_, panelLayout);
  if (auto store = OpenUserSettings()) spectrogram_->Load(*store);
  new TFrameSnapControl(this, view_);
  view_->SetShowMs(config.selectiontype == 0);
  view_->Repaint();
  StartupStep("form: view and player");

  SetVolumePosition(config.volume);
  connect(VolumeBar, &QSlider::valueChanged, this, &Tmainform::VolumeBarChange);
  VolumeBarChange();

  exportRegions_ = new TExportRegions(
      *this, *document_, *ExportRegionsAction,
      {[this](TQueuedCommand command) { Give(std::move(command)); },
       [this](const std::string& line) { ShowStatusLine(line); }, [this] { StopPlaybackFirst(); }});
  commands_.OnSkipped = [this](const std::string& why) { ShowStatusLine(why); };
  commands_.OnCountChanged = [this] { ShowWaitingCount(); };

  ProgressTimer = new QTimer(this);
  ProgressTimer->setObjectName("ProgressTimer");
  ProgressTimer->setInterval(kProgressIntervalMs);
  connect(ProgressTimer, &QTimer::timeout, this, &Tmainform::ProgressTimerTimer);
  ProgressTimer->start();
  VizTimer = new QTimer(this);
  VizTimer->setObjectName("VizTimer");
  VizTimer->setInterval(kVizIntervalMs);
  connect(VizTimer, &QTimer::timeout, this, &Tmainform::VizTimerTimer);

  CreateDialogs(quality);

  setWindowTitle(kApplicationTitle);
  // Once the window shows, so that a recovery question has the window behind it.
  QTimer::singleShot(0, this, [this, arguments] { OpenAtStart(arguments); });
}

void Tmainform::CreateVersionCheck() {
  urlOpener_ = std::make_unique<TQtUrlOpener>();
  subscriptions_ += urlOpener_->OnFailed.Subscribe([this](const std::string& url) {
    ShowStatusLine(QString::fromStdString(ConstantText("linkfailed"))
                       .arg(QString::fromStdString(url))
                       .toStdString());
  });
  SetUrlOpener(urlOpener_.get());
  versionCheck_ = std::make_unique<TVersionCheck>(kProductId);
  versionCheck_->Configure(sites_);
  subscriptions_ += versionCheck_->OnCheckFailed.Subscribe(
      [this](const std::string& why) { ShowStatusLine(why); });
  // Without a product site there is nothing to check.
  UpdateAction->setEnabled(!versionCheck_->InfoUrl.empty());
  // Reports queued since the start (and a crash report left by an earlier run) go out now.
  versionCheck_->InstallAsEventReportSender();
  SendPendingCrashReports();
}

void Tmainform::CheckForUpdatesExecute() {
  versionCheck_->ShowUpToDate = true;
  versionCheck_->CheckVersion();
}

void Tmainform::CreateDialogs(const TEncoderQuality& quality) {
  // Creating the settings dialog finds the language files and applies the stored language.
  settingsForm_ = new TsettingsForm(this);
  spectrogram_->ConnectPage(settingsForm_->SpectrogramPage);
  StartupStep("dialogs: settings, language");
  auto languageChanged = [this] {
    if (document_->Loaded()) updatecaption(document_->FileName());
    RewriteStatusPanels();
    // A translation of another length.
    PlaceDemoLabel(*demoLabel_);
    SetCrashMessageLead(ConstantText("fatalerror"));
    view_->Repaint();
  };
  connect(settingsForm_, &TsettingsForm::LanguageChanged, this, languageChanged);
  connect(settingsForm_, &TsettingsForm::ColorsChanged, view_, &TWaveView::Repaint);
  languageChanged();
  StartupStep("dialogs: language applied");
  storedQuality_ = quality;
  document_->OnAskMp3Settings = [this](uint32_t sampleRate) {
    MakeDialogs();
    return mp3Form_->Ask(sampleRate);
  };
  document_->OnAskVorbisQuality = [this] {
    MakeDialogs();
    return vorbisForm_->Ask();
  };
  document_->OnAskOpusBitrate = [this] {
    MakeDialogs();
    return opusForm_->Ask();
  };
}

void Tmainform::MakeDialogs() {
  QUILLON_MAIN_THREAD_ONLY();
  if (aboutForm_) return;
  aboutForm_ = new TAboutForm(this);
  aboutForm_->OnCheckUpdates = [this] { CheckForUpdatesExecute(); };
  aboutForm_->SetCheckUpdatesAvailable(!versionCheck_->InfoUrl.empty());
  aboutForm_->SetHomePage(sites_.product.empty() ? "" : sites_.product + "/");
  propertiesForm_ = new TPropertiesForm(this);
  filterForm_ = new Tfilterform(this);
  // One dialog for the program's life, so that the last choices are offered again.
  mp3Form_ = new Tmpegsettings(this);
  // Its texts are in the language files too.
  AttachLanguageController(mp3Form_);
  vorbisForm_ = new TEncoderQualityForm(VorbisQualitySpec(), this);
  vorbisForm_->SetValue(storedQuality_.vorbisQuality);
  opusForm_ = new TEncoderQualityForm(OpusBitrateSpec(), this);
  opusForm_->SetValue(storedQuality_.opusBitrate);
  tools_->MakeDialogs();
  AttachPreviews();
  exportRegions_->Dialog();
}

void Tmainform::SetIcons() {
  const std::pair<QAction*, const char*> icons[] = {{OpenAction, "open"},
                                                    {CloseAction, "close"},
                                                    {SaveAction, "save"},
                                                    {SaveAsAction, "saveas"},
                                                    {SaveSelectedAction, "saveselected"},
                                                    {PropertiesAction, "properties"},
                                                    {SettingsAction, "settings"},
                                                    {ExitAction, "exit"},
                                                    {ZoomInAction, "zoomin"},
                                                    {ZoomOutAction, "zoomout"},
                                                    {ZoomFullAction, "zoomfull"},
                                                    {ZoomSelAction, "zoomselection"},
                                                    {UndoAction, "undo"},
                                                    {RedoAction, "redo"},
                                                    {CutAction, "cut"},
                                                    {CopyAction, "copy"},
                                                    {PasteAction, "paste"},
                                                    {DeleteAction, "delete"},
                                                    {SelectAllAction, "selectall"},
                                                    {PlayAction, "play"},
                                                    {PauseAction, "pause"},
                                                    {StopAction, "stop"},
                                                    {FadeInAction, "fadein"},
                                                    {FadeOutAction, "fadeout"},
                                                    {SilenceAction, "silence"},
                                                    {NormalizationAction, "normalize"},
                                                    {ReverseAction, "reverse"},
                                                    {InvertAction, "invert"},
                                                    {AmplifyIAction, "amplifyup"},
                                                    {AmplifyDAction, "amplifydown"},
                                                    {ContentsAction, "help"},
                                                    {UpdateAction, "update"},
                                                    {AboutAction, "about"}};
  for (const auto& [action, name] : icons) action->setIcon(Icon(name));
}

void Tmainform::AppException() {
  HandleApplicationException();
}

void Tmainform::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  ProgressTimer->stop();
  commands_.Drop();
  StoreSettings();
  // The document's temporary files go only with a Close, which a running operation would ignore.
  StopOperationForClose();
  document_->Close();
  delete tools_;
  tools_ = nullptr;
  delete view_;
  view_ = nullptr;
  document_.reset();
  // Waits for a running check or report before the hand-over and the boxes go away.
  versionCheck_.reset();
  if (&UrlOpener() == urlOpener_.get()) SetUrlOpener(nullptr);
  if (&Clipboard() == clipboard_.get()) SetClipboard(nullptr);
  if (&MessageBoxes() == messageBoxes_.get()) SetMessageBoxes(nullptr);
  if (&MainThread() == mainThread_.get()) SetMainThread(nullptr);
}

void Tmainform::StoreSettings() {
  // The client area's place, which MainWindowPlacement gives back to setGeometry: x() and y()
  // would name the frame, and each start would move the window by the title bar.
  config.posx = geometry().x();
  config.posy = geometry().y();
  config.width = width();
  config.height = height();
  config.volume = VolumePosition();
  config.lang = LangManager().ActiveLanguageId();
  // Dialogs never made changed nothing.
  std::optional<TEncoderQuality> quality;
  if (vorbisForm_ && opusForm_) quality = TEncoderQuality{vorbisForm_->Value(), opusForm_->Value()};
  writer_.Post([settings = config, quality, spectrogram = spectrogram_->Saver()] {
    const std::string failure = ChangeUserSettings([&](QSettings& store) {
      SaveSettings(store, settings);
      spectrogram(store);
      if (quality) SaveEncoderQuality(store, *quality);
    });
    // Written when the window may be going: a failure can only be told on the terminal.
    if (!failure.empty()) std::cerr << failure << '\n';
  });
}

bool Tmainform::FormCloseQuery() {
  // Leaving drops what waits, then stops the work and closes after it instead of waiting for
  // it; unsaved changes are still asked about.
  commands_.Drop();
  if (CloseAfterWork()) return false;
  return MayCloseDocument([this] { close(); });
}

void Tmainform::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery())
    event->accept();
  else
    event->ignore();
}

}  // namespace quillon
