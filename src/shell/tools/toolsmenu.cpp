#include "shell/tools/toolsmenu.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include "localization/constants.h"
#include "platform/messagebox.h"
#include "platform/urlopener.h"

namespace quillon {

namespace {

// Keeps the link label centred on its panel: the panel is laid out after the window's own
// resize, so only its own resize gives the width to centre on.
class TCentreOnPanel : public QObject {
 public:
  explicit TCentreOnPanel(QLabel& label) : QObject(&label), label_(label) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) PlaceDemoLabel(label_);
    return false;
  }

 private:
  QLabel& label_;
};

constexpr const char* kOrganisation = "Morvane";
constexpr const char* kToolSettingsGroup = "Settings";
constexpr const char* kPathValue = "path";
constexpr const char* kAdvancedEditionPage = "marrowby";

std::string& MakerSite() {
  static std::string site;
  return site;
}

// Where the missing program would have been started from.
std::string ExpectedPlace(const std::string& folder, std::string_view executable) {
  if (!folder.empty()) return folder + std::string(executable);
  return std::string(executable) + " (" + ConstantText("onsearchpath") + ")";
}

// The folder stored in one scope's settings of a program, or empty.
std::string FolderIn(QSettings::Scope scope, std::string_view keyName) {
  QSettings store(QSettings::IniFormat, scope, kOrganisation,
                  QString::fromUtf8(keyName.data(), static_cast<qsizetype>(keyName.size())));
  // The user's settings would otherwise fall back to the machine's and hide which one spoke.
  store.setFallbacksEnabled(false);
  if (store.status() != QSettings::NoError) return {};
  const QVariant value = store.value(QString(kToolSettingsGroup) + "/" + kPathValue);
  if (!value.isValid() || !value.canConvert<QString>()) return {};
  return value.toString().toStdString();
}

void StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
  QStringList list;
  for (const std::string& argument : arguments) list << QString::fromStdString(argument);
  // Like any desktop launch: a program that fails to start is not reported.
  QProcess::startDetached(QString::fromStdString(program), list);
}

// Only a program file named by a full path starts; a relative folder would depend on where the
// editor was started from, and a file that cannot run would fail without a word.
bool IsProgramFile(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  return info.isAbsolute() && info.isFile() && info.isExecutable();
}

// The link label is a plain label that reports a click of the left button.
class TLinkLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
      DemoLabelClick();
    }
    QLabel::mouseReleaseEvent(event);
  }
};

}  // namespace

const std::vector<TToolRow>& ToolRows() {
  static const std::vector<TToolRow> rows = {
      {"Tool1Action", "Record Sound", "SoundRecorder", "gnome-sound-recorder", "soundrecorder"},
      {"Tool2Action", "Convert Audio Files", "SoundConverter", "soundconverter", "soundconverter"},
      {"Tool3Action", "Edit Audio Tags", "EasyTag", "easytag", "easytag"},
      {"Tool4Action", "Adjust Volume Levels", "VolumeControl", "pavucontrol", "pavucontrol"},
      {"Tool5Action", "Rip Audio CDs", "Asunder", "asunder", "asunder"},
      {"Tool6Action", "Connect Audio Devices", "JackControl", "qjackctl", "qjackctl"},
      {"Tool7Action", "Burn Audio CDs", "Brasero", "brasero", "brasero"},
      {"Tool8Action", "Analyse Recordings", "SonicVisualiser", "sonic-visualiser",
       "sonicvisualiser"},
  };
  return rows;
}

void SetMakerSite(std::string site) {
  MakerSite() = std::move(site);
}

std::string ToolPage(std::string_view pageName) {
  if (MakerSite().empty()) return "";
  return MakerSite() + "/" + std::string(pageName) + "/index.shtml?ref=quillon";
}

std::string AdvancedEditionPage() {
  return ToolPage(kAdvancedEditionPage);
}

std::string InstalledToolFolder(std::string_view keyName) {
  std::string folder = FolderIn(QSettings::SystemScope, keyName);
  std::string userFolder = FolderIn(QSettings::UserScope, keyName);
  if (!userFolder.empty()) folder = std::move(userFolder);
  return folder;
}

void LaunchTool(std::string_view keyName, std::string_view executable, std::string_view argument,
                std::string_view webPage, const TProgramStarter& start) {
  const std::string folder = InstalledToolFolder(keyName);
  // Joined as stored: a folder without its trailing slash counts as not installed. Nothing
  // registered: a tool installed by the distribution is found on the search path.
  const std::string program =
      folder.empty()
          ? QStandardPaths::findExecutable(QString::fromUtf8(executable.data(), executable.size()))
                .toStdString()
          : folder + std::string(executable);
  if (!program.empty() && IsProgramFile(program)) {
    std::vector<std::string> arguments;
    // An empty argument would reach the program as a file name "".
    if (!argument.empty()) arguments.emplace_back(argument);
    start(program, arguments);
    return;
  }
  if (webPage.empty()) {
    MessageBoxes().Show(kApplicationTitle,
                        ConstantText("componentnotfound") + "\n" + ConstantText("toolexpected") +
                            " " + ExpectedPlace(folder, executable),
                        TMessageIcon::None);
    return;
  }
  MessageBoxes().Show(kApplicationTitle,
                      ConstantText("componentnotfound") + "\n" + ConstantText("pleaseinstall"),
                      TMessageIcon::None);
  UrlOpener().Open(std::string(webPage));
}

void LaunchTool(std::string_view keyName, std::string_view executable, std::string_view argument,
                std::string_view webPage) {
  LaunchTool(keyName, executable, argument, webPage, StartDetached);
}

void ToolActionExecute(const TToolRow& row) {
  LaunchTool(row.keyName, row.executable, "", ToolPage(row.pageName));
}

void AddToolActions(QMenu& menu) {
  for (const TToolRow& row : ToolRows()) {
    auto* action = new QAction(QString::fromUtf8(row.caption), &menu);
    action->setObjectName(QString::fromUtf8(row.actionName));
    QObject::connect(action, &QAction::triggered, &menu, [&row] { ToolActionExecute(row); });
    menu.addAction(action);
  }
}

void DemoLabelClick() {
  const std::string page = AdvancedEditionPage();
  if (!page.empty()) UrlOpener().Open(page);
}

QLabel* CreateDemoLabel(QWidget& panel) {
  auto* label = new TLinkLabel("Try the advanced version of Quillon!", &panel);
  label->setObjectName("demoLabel");
  QFont font("Tahoma");
  font.setPixelSize(13);
  font.setBold(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  label->setPalette(palette);
  label->setCursor(Qt::PointingHandCursor);
  label->move(100, 3);
  PlaceDemoLabel(*label);
  panel.installEventFilter(new TCentreOnPanel(*label));
  label->setVisible(!AdvancedEditionPage().empty());
  return label;
}

void PlaceDemoLabel(QLabel& label) {
  label.adjustSize();
  if (QWidget* panel = label.parentWidget())
    label.move((panel->width() - label.width()) / 2, label.y());
}

}  // namespace quillon
