// Links that say what they do: drawn disabled without a site, and a failure in the status bar.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "localization/constants.h"
#include "platform/config.h"
#include "platform/qt/qturlopener.h"
#include "platform/urlopener.h"
#include "shell/dialogs/about.h"
#include "shell/main.h"
#include "shell/utils.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

class LinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
    saved_ = config;
    savedSite_ = qgetenv("QUILLON_PRODUCT_SITE");
  }
  void TearDown() override {
    form_.reset();
    SetMessageBoxes(nullptr);
    config = saved_;
    qputenv("QUILLON_PRODUCT_SITE", savedSite_);
  }
  // Starts the editor without its start-up check, which would race the user's.
  void Start(const QByteArray& productSite) {
    qputenv("QUILLON_PRODUCT_SITE", productSite);
    OpenUserSettings()->setValue("Settings/updates", 0);
    form_ = std::make_unique<Tmainform>();
    form_->MakeDialogs();
    SetMessageBoxes(&boxes_);
    about_ = form_->findChild<TAboutForm*>("AboutForm");
    ASSERT_NE(about_, nullptr);
    opener_ = dynamic_cast<TQtUrlOpener*>(&UrlOpener());
    ASSERT_NE(opener_, nullptr);
    opener_->Launch = [this](const QUrl& url) {
      launched_.push_back(url.toString().toStdString());
      return launchWorks_;
    };
  }

  test::TTempDir settingsDir_;
  test::TRecordingMessageBoxes boxes_;
  std::unique_ptr<Tmainform> form_;
  TAboutForm* about_ = nullptr;
  TQtUrlOpener* opener_ = nullptr;
  std::vector<std::string> launched_;
  bool launchWorks_ = true;
  TConfig saved_;
  QByteArray savedSite_;
};

TEST_F(LinksTest, ALinkWithoutASiteIsDrawnDisabledAndDoesNothing) {
  const struct {
    QByteArray site;
    bool live;
  } rows[] = {{"", false}, {"https://example.org", true}};
  for (const auto& row : rows) {
    Start(row.site);
    about_->show();
    for (QLabel* link : {about_->Label3, about_->Label4}) {
      EXPECT_EQ(link->isEnabled(), row.live) << link->objectName().toStdString();
      EXPECT_EQ(link->cursor().shape(), row.live ? Qt::PointingHandCursor : Qt::ArrowCursor);
      EXPECT_EQ(link->font().underline(), row.live);
      // Drawn in the colour of disabled text, not of a link.
      const QPalette::ColorGroup group = row.live ? QPalette::Active : QPalette::Disabled;
      EXPECT_EQ(link->palette().color(group, QPalette::WindowText),
                row.live
                    ? link->palette().color(QPalette::Link)
                    : QApplication::palette(link).color(QPalette::Disabled, QPalette::WindowText));
    }
    EXPECT_EQ(form_->findChild<QAction*>("UpdateAction")->isEnabled(), row.live);
    QTest::mouseClick(about_->Label3, Qt::LeftButton);
    EXPECT_EQ(launched_.size(), row.live ? 1u : 0u);
    launched_.clear();
    form_.reset();
  }
}

TEST_F(LinksTest, ALinkTheDesktopCannotOpenSaysSoInTheStatusBar) {
  Start("https://example.org");
  launchWorks_ = false;
  about_->show();
  QTest::mouseClick(about_->Label3, Qt::LeftButton);
  ASSERT_EQ(launched_, std::vector<std::string>{"https://example.org/"});
  EXPECT_EQ(form_->statusBar()->currentMessage(),
            QString::fromStdString(ConstantText("linkfailed")).arg("https://example.org/"));
}

TEST_F(LinksTest, ACheckTheUserAskedForThatFailsSaysSoInTheStatusBar) {
  // A port that nothing listens on: the request fails at once.
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  close(probe);
  const int port = ntohs(address.sin_port);
  Start("http://127.0.0.1:" + QByteArray::number(port));
  // The failure with its reason: the text before the reason's place, then the reason.
  const std::string text = ConstantText("updatecheckerror");
  const QString failed = QString::fromStdString(text.substr(0, text.find("%1")));
  form_->findChild<QAction*>("UpdateAction")->trigger();
  EXPECT_TRUE(test::WaitUntil([&] {
    const QString shown = form_->statusBar()->currentMessage();
    return shown.startsWith(failed) && shown.size() > failed.size();
  })) << form_->statusBar()->currentMessage().toStdString();
  EXPECT_TRUE(boxes_.shown.empty());
}

}  // namespace
}  // namespace quillon
