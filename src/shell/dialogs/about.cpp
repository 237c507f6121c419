#include "shell/dialogs/about.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "localization/constants.h"
#include "localization/ui/langcontroller.h"
#include "platform/urlopener.h"
#include "update/getversion.h"

namespace quillon {
namespace {

// A label that reacts to a click like a link; it stays a plain QLabel for the translator.
// Disabled, it looks like any disabled text: grey, not underlined, no hand cursor.
class TLinkLabel : public QLabel {
 public:
  TLinkLabel(const QString& text, QWidget* parent, std::function<void()> onClick)
      : QLabel(text, parent), onClick_(std::move(onClick)) {
    QPalette linkColors = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
      linkColors.setColor(group, QPalette::WindowText, linkColors.color(group, QPalette::Link));
    setPalette(linkColors);
    ShowState();
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (isEnabled() && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
      onClick_();
  }
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) ShowState();
    QLabel::changeEvent(event);
  }

 private:
  void ShowState() {
    QFont underlined = font();
    underlined.setUnderline(isEnabled());
    setFont(underlined);
    setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
  }

  std::function<void()> onClick_;
};

QLabel* NamedLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

QString ProductVersionLine() {
  std::string version;
  if (!GetVersionInfo(version)) version.clear();
  return QString::fromStdString(ConstantText("productversion")) + " " +
         QString::fromStdString(version) + " (" + QSysInfo::buildCpuArchitecture() + ")";
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutForm");
  setWindowTitle("About Quillon");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  setAutoFillBackground(true);
  QPalette background = palette();
  background.setColor(QPalette::Window, background.color(QPalette::Light));
  setPalette(background);

  Label7 = NamedLabel("Links:", "Label7", this);
  Label3 = new TLinkLabel("Product Information", this, [this] { Label3Click(); });
  Label3->setObjectName("Label3");
  Label3->setEnabled(false);  // until there is a home page
  Label4 = new TLinkLabel("Check updates...", this, [this] { Label4Click(); });
  Label4->setObjectName("Label4");
  Label6 = NamedLabel(ProductVersionLine(), "Label6", this);
  Label9 = NamedLabel("Quillon is free software and comes with no warranty.", "Label9", this);
  // A translation may be longer than the line beside the button.
  Label9->setWordWrap(true);
  Button1 = new QPushButton("Close", this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);

  auto* links = new QHBoxLayout;
  links->addWidget(Label7);
  links->addWidget(Label3);
  links->addWidget(Label4);
  links->addStretch();
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(Label9, 1);
  bottom->addWidget(Button1);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(16, 8, 16, 12);
  body->addWidget(Label6);
  body->addLayout(links);
  body->addStretch();
  body->addLayout(bottom);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(CreateTopBand());
  layout->addLayout(body, 1);
  setFixedSize(496, 251);

  // The version line is built in code, so it follows the language by hand.
  if (TVxLanguageController* controller = AttachLanguageController(this))
    controller->OnLanguageChanged = [this] { Label6->setText(ProductVersionLine()); };
  Label6->setText(ProductVersionLine());
}

QWidget* TAboutForm::CreateTopBand() {
  auto* band = new QWidget(this);
  band->setObjectName("Panel1");
  band->setFixedHeight(81);
  band->setAutoFillBackground(true);
  QPalette sky = band->palette();
  sky.setColor(QPalette::Window, QColor(0xA6, 0xCA, 0xF0));
  band->setPalette(sky);

  auto* icon = new QLabel(band);
  icon->setObjectName("Image1");
  icon->setFixedSize(64, 64);
  icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
  auto* name = NamedLabel("Quillon", "Label1", band);
  name->setFont(QFont("Verdana", 19));
  auto* tagline =
      NamedLabel("Lightweight visual audio editor for MP3 and WAV files", "Label2", band);

  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(tagline);
  auto* layout = new QHBoxLayout(band);
  layout->addWidget(icon);
  layout->addLayout(texts, 1);
  return band;
}

void TAboutForm::SetHomePage(const std::string& url) {
  HomePageUrl = url;
  Label3->setEnabled(!url.empty());
}

void TAboutForm::SetCheckUpdatesAvailable(bool available) {
  Label4->setEnabled(available);
}

void TAboutForm::Label3Click() {
  if (!HomePageUrl.empty()) UrlOpener().Open(HomePageUrl);
}

void TAboutForm::Label4Click() {
  if (Label4->isEnabled() && OnCheckUpdates) OnCheckUpdates();
}

}  // namespace quillon
