#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QSlider>
#include <QTabWidget>
#include <fstream>
#include <map>

#include "localization/langmanager.h"
#include "localization/ui/langcontroller.h"
#include "shell/main.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

// Every text the window shows, keyed by object and kind.
std::map<QString, QString> TextsOf(QWidget& window) {
  std::map<QString, QString> texts{{"title", window.windowTitle()}};
  for (QAction* action : window.findChildren<QAction*>()) {
    const QString name = action->objectName();
    texts[name + ".text"] = action->text();
    texts[name + ".tip"] = action->toolTip();
    texts[name + ".icon"] = action->iconText();
  }
  for (QMenu* menu : window.findChildren<QMenu*>())
    texts[menu->objectName() + ".title"] = menu->title();
  for (QGroupBox* box : window.findChildren<QGroupBox*>()) texts[box->objectName()] = box->title();
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
    if (!button->objectName().isEmpty()) texts[button->objectName()] = button->text();
  for (QTabWidget* tabs : window.findChildren<QTabWidget*>())
    for (int i = 0; i < tabs->count(); ++i)
      texts[tabs->objectName() + QString::number(i)] = tabs->tabText(i);
  for (QWidget* widget : window.findChildren<QWidget*>())
    if (!widget->objectName().isEmpty()) texts[widget->objectName() + ".tip"] = widget->toolTip();
  return texts;
}

class MainformTranslationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
    ASSERT_TRUE(LangManager().RegisterLanguageFile(QUILLON_LANG_DIR "/de.lng"));
  }
  void TearDown() override { LangManager().ActivateLanguage(1033); }
  test::TTempDir settingsDir_;
};

TEST_F(MainformTranslationTest, TranslatesToGermanAndBackToTheDesignedTexts) {
  Tmainform form;
  const auto designed = TextsOf(form);
  TVxLanguageController* controller = AttachLanguageController(&form);
  ASSERT_NE(controller, nullptr);

  LangManager().ActivateLanguage(1031);
  auto action = [&](const char* name) { return form.findChild<QAction*>(name); };
  EXPECT_EQ(form.windowTitle(), "Quillon");
  EXPECT_EQ(action("OpenAction")->text(), "&Öffnen");
  EXPECT_EQ(action("OpenAction")->toolTip(), "Öffnen");
  EXPECT_EQ(action("ZoomInAction")->toolTip(), "Vergrößern");
  EXPECT_EQ(action("ZoomInAction")->text(), "&Vergrößern");
  EXPECT_EQ(action("AmplifyDAction")->text(), "Verstärken (&verringern)");
  EXPECT_EQ(action("SaveAction")->iconText(), "Speichern");
  EXPECT_EQ(form.findChild<QMenu*>("FileMenu")->title(), "&Datei");
  EXPECT_EQ(form.findChild<QMenu*>("ScaleFormatMenu")->title(), "Skalen&format");
  EXPECT_EQ(form.findChild<QGroupBox*>("GroupBox1")->title(), "Auswahl");
  EXPECT_EQ(form.findChild<QGroupBox*>("GroupBox4")->title(), "Lautstärke");
  EXPECT_EQ(form.findChild<QAbstractButton*>("PickStartMS")->text(), "Setzen");
  EXPECT_EQ(form.findChild<QAbstractButton*>("CancelButton")->text(), "Abbrechen");
  EXPECT_EQ(form.findChild<QAbstractButton*>("sel")->text(), "Ausgewählt");
  EXPECT_EQ(form.findChild<QSlider*>("VolumeBar")->toolTip(), "Wiedergabelautstärke");
  EXPECT_EQ(form.findChild<QTabWidget*>("PageControl1")->tabText(0), "Allgemein");
  EXPECT_NE(TextsOf(form), designed);

  LangManager().ActivateLanguage(1033);
  EXPECT_EQ(TextsOf(form), designed);
}

TEST_F(MainformTranslationTest, ACaptionLineSetsTheWindowCaption) {
  test::TTempDir dir;
  std::ofstream(dir.File("editor.lng")) << "LANGID=1049\n[mainform]\n1=Editor\n";
  ASSERT_TRUE(LangManager().RegisterLanguageFile(dir.File("editor.lng")));
  Tmainform form;
  TVxLanguageController* controller = AttachLanguageController(&form);
  LangManager().ActivateLanguage(1049);
  EXPECT_EQ(form.windowTitle(), "Editor");
  // Every identifier of the window finds its control.
  EXPECT_TRUE(controller->UnboundIds().empty());
  LangManager().ActivateLanguage(1033);
  EXPECT_EQ(form.windowTitle(), "Quillon");
  ASSERT_TRUE(LangManager().RegisterLanguageFile(QUILLON_LANG_DIR "/ru.lng"));
}

}  // namespace
}  // namespace quillon
