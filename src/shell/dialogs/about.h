#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace quillon {

// The about window: program name, version and links. Shown without blocking (show()).
class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent = nullptr);

  // The address "Product Information" opens; nothing opens while it is empty.
  std::string HomePageUrl;
  // Sets HomePageUrl; without one the link shows disabled.
  void SetHomePage(const std::string& url);
  // Without an update check (no product site) the "Check updates..." link shows disabled.
  void SetCheckUpdatesAvailable(bool available);
  // Runs for "Check updates...": the main window starts its update check showing "up to date".
  std::function<void()> OnCheckUpdates;

  void Label3Click();
  void Label4Click();

  QLabel* Label3;  // "Product Information"
  QLabel* Label4;  // "Check updates..."
  QLabel* Label6;  // version line
  QLabel* Label7;
  QLabel* Label9;  // notice line
  QPushButton* Button1;

 private:
  QWidget* CreateTopBand();
};

// "Product Version: <version> (<processor>)" in the current language; the version is empty when
// it cannot be read.
QString ProductVersionLine();

}  // namespace quillon
