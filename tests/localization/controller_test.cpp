#include "localization/ui/langcontroller.h"

#include <gtest/gtest.h>

#include <optional>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <fstream>
#include <memory>
#include <set>

#include "codecs/dialog/mp3format.h"
#include "localization/langmanager.h"
#include "platform/messagebox.h"
#include "support/fixtures.h"
#include "support/ports.h"

namespace quillon {
namespace {

class TRecordingBoxes : public TMessageBoxes {
 public:
  void Show(const std::string&, const std::string& text, TMessageIcon) override { shown += text; }
  void ShowException(const std::string& text) override { shown += text; }
  std::string shown;
};

// The file properties dialog as its builder is asked to name its parts.
std::unique_ptr<QDialog> MakePropertiesForm() {
  auto dialog = std::make_unique<QDialog>();
  dialog->setObjectName("PropertiesForm");
  dialog->setWindowTitle("File Properties");
  auto* button = new QPushButton("Ok", dialog.get());
  button->setObjectName("Button1");
  auto* list = new QTreeWidget(dialog.get());
  list->setObjectName("LV");
  list->setHeaderLabels({"Properties", "Values"});
  new QTreeWidgetItem(list, QStringList{"Audio Format"});
  new QTreeWidgetItem(list, QStringList{"Meta Data"});
  return dialog;
}

std::unique_ptr<QDialog> MakeSettingsForm() {
  auto dialog = std::make_unique<QDialog>();
  dialog->setObjectName("settingsForm");
  dialog->setWindowTitle("Settings");
  auto* pages = new QTabWidget(dialog.get());
  for (const char* name : {"TabSheet1", "TabSheet2", "TabSheet3"}) {
    auto* page = new QWidget;
    page->setObjectName(name);
    pages->addTab(page, name);
  }
  return dialog;
}

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_.File("test.lng"))
        << "LANGID=1036\n"
           "[PropertiesForm]\n1=Propriétés du fichier\n2=Fermer\n3=Propriété\n4=Valeur\n"
           "5=Format audio\n6=Métadonnées\n"
           "[settingsForm]\n1=Paramètres\n10=Couleurs\n"
           "[mpegsettings]\n6=Débit variable (VBR)\n7=Constant\\nVariable\\nMoyen\n";
    ASSERT_TRUE(LangManager().RegisterLanguageFile(dir_.File("test.lng")));
    ASSERT_TRUE(LangManager().RegisterLanguageFile(QUILLON_LANG_DIR "/de.lng"));
  }
  void TearDown() override { LangManager().ActivateLanguage(1033); }
  test::TTempDir dir_;
};

TEST_F(ControllerTest, TranslatesListColumnsAndGroupsAndRestoresThem) {
  auto dialog = MakePropertiesForm();
  TVxLanguageController* controller = AttachLanguageController(dialog.get());
  ASSERT_NE(controller, nullptr);
  // The stand-in has the list and its button, not the tag section (texts 7 and on).
  for (int32_t id : controller->UnboundIds()) EXPECT_GE(id, 7);
  auto* list = dialog->findChild<QTreeWidget*>("LV");

  LangManager().ActivateLanguage(1036);
  EXPECT_EQ(dialog->windowTitle(), "Propriétés du fichier");
  EXPECT_EQ(dialog->findChild<QPushButton*>("Button1")->text(), "Fermer");
  EXPECT_EQ(list->headerItem()->text(1), "Valeur");
  EXPECT_EQ(list->topLevelItem(1)->text(0), "Métadonnées");

  LangManager().ActivateLanguage(1033);
  EXPECT_EQ(dialog->windowTitle(), "File Properties");
  EXPECT_EQ(list->headerItem()->text(0), "Properties");
  EXPECT_EQ(list->topLevelItem(0)->text(0), "Audio Format");
}

TEST_F(ControllerTest, AWindowMadeLaterGetsTheCurrentLanguageAndLeavesWhenDestroyed) {
  LangManager().ActivateLanguage(1036);
  auto dialog = MakeSettingsForm();
  TVxLanguageController* controller = AttachLanguageController(dialog.get());
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Paramètres");
  auto* pages = dialog->findChild<QTabWidget*>();
  EXPECT_EQ(pages->tabText(2), "Couleurs");
  EXPECT_EQ(pages->tabText(0), "TabSheet1");
  // Labels, buttons, the spectrogram page and the rest are not there: skipped, not fatal.
  EXPECT_EQ(controller->UnboundIds().size(), 21u);
  dialog.reset();
  LangManager().ActivateLanguage(1033);
}

TEST_F(ControllerTest, MpegSettingsItemsChangeTextButKeepTheSelection) {
  Tmpegsettings dialog;
  auto* mode = dialog.findChild<QComboBox*>("vbrmode");
  mode->setCurrentIndex(2);
  ASSERT_NE(AttachLanguageController(&dialog), nullptr);
  LangManager().ActivateLanguage(1036);
  EXPECT_EQ(mode->itemText(0), "Constant");
  EXPECT_EQ(mode->currentIndex(), 2);
  EXPECT_EQ(mode->currentText(), "Moyen");

  LangManager().ActivateLanguage(1031);
  EXPECT_EQ(dialog.windowTitle(), "MPEG-Layer-3-Einstellungen");
  EXPECT_EQ(mode->itemText(2), "Durchschnittliche Bitrate (ABR)");
  EXPECT_EQ(dialog.findChild<QLabel*>("Label40")->text(), "&Ziel-Bitrate:");
  EXPECT_EQ(mode->currentIndex(), 2);

  LangManager().ActivateLanguage(1033);
  EXPECT_EQ(dialog.windowTitle(), "MPEG Layer3 Settings");
  EXPECT_EQ(mode->itemText(1), "Variable Bitrate (VBR)");
  EXPECT_EQ(dialog.findChild<QPushButton*>("Button2")->text(), "Cancel");
}

TEST_F(ControllerTest, IgnoredTextsKeepTheirDesignedTextWhenTheWindowChangesThem) {
  QDialog dialog;
  dialog.setObjectName("filterform");
  dialog.setWindowTitle("Effect");
  auto* ok = new QPushButton("&Ok", &dialog);
  ok->setObjectName("OkButton");
  auto* cancel = new QPushButton("&Cancel", &dialog);
  cancel->setObjectName("CancelButton");
  TVxLanguageController* controller = AttachLanguageController(&dialog);
  ASSERT_NE(controller, nullptr);
  // The window's own caption is matched as ".Caption", so "filterform.caption" spares it.
  EXPECT_EQ(controller->IgnoreList(),
            (std::vector<std::string>{"filterform.caption", "valuename.caption"}));
  controller->AddIgnoreMask("okbutton.*");
  controller->AddIgnoreMask("okbutton.*");
  EXPECT_EQ(controller->IgnoreList().size(), 3u);
  dialog.setWindowTitle("Amplify");
  ok->setText("Run");
  cancel->setText("");
  controller->UpdateEntries();
  LangManager().ActivateLanguage(1031);
  LangManager().ActivateLanguage(1033);
  EXPECT_EQ(dialog.windowTitle(), "Amplify");
  EXPECT_EQ(ok->text(), "&Ok");
  EXPECT_EQ(cancel->text(), "&Cancel");
}

TEST_F(ControllerTest, ABrokenFileWhileAWindowLoadsIsToldAndTheWindowStaysDesigned) {
  LangManager().ActivateLanguage(1036);
  std::ofstream(dir_.File("test.lng")) << "LANGID=1036\n[PropertiesForm]\n1=a\n1=b\n";
  TRecordingBoxes boxes;
  std::optional<test::TScopedMessageBoxes> port(&boxes);
  auto dialog = MakePropertiesForm();
  EXPECT_NE(AttachLanguageController(dialog.get()), nullptr);
  port.reset();
  EXPECT_NE(boxes.shown.find("Line 3: Duplicate property value translation ID (1)"),
            std::string::npos);
  EXPECT_EQ(dialog->windowTitle(), "File Properties");
}

TEST(WindowTablesTest, EveryWindowHasItsTable) {
  // 155 of the window, 17 of the everyday tools' commands, 5 of the spectrogram's, 2 of Export
  // Regions, 10 of the Markers menu, 1 of the MP3 frames and 4 of the plays that preview.
  EXPECT_EQ(FindWindowTable("mainform")->entries.size(), 194u);
  EXPECT_EQ(FindWindowTable("MAINFORM")->ignoreList.size(), 15u);
  EXPECT_EQ(FindWindowTable("settingsForm")->entries.size(), 25u);
  EXPECT_EQ(FindWindowTable("PropertiesForm")->entries.size(), 30u);
  EXPECT_EQ(FindWindowTable("filterform")->entries.size(), 3u);
  EXPECT_EQ(FindWindowTable("AboutForm")->ignoreList.size(), 3u);
  EXPECT_EQ(FindWindowTable("mpegsettings")->entries.size(), 13u);
  EXPECT_EQ(FindWindowTable("vorbissettings")->entries.size(), 6u);
  EXPECT_EQ(FindWindowTable("opussettings")->entries.size(), 9u);
  EXPECT_EQ(FindWindowTable("findsilencesform")->entries.size(), 9u);
  EXPECT_EQ(FindWindowTable("MonoForm")->entries.size(), 7u);
  EXPECT_EQ(FindWindowTable("exportRegionsForm")->entries.size(), 14u);
  EXPECT_EQ(FindWindowTable("other"), nullptr);
  for (const TVxLang_WindowTable& table : WindowTables()) {
    std::set<int32_t> ids;
    for (const TVxLang_PropBinding& entry : table.entries)
      EXPECT_TRUE(ids.insert(entry.iID).second) << table.windowName << " " << entry.iID;
  }
}

TEST(WindowTablesTest, MainWindowTableTravelsThroughThePropertyTableStream) {
  const TVxLang_PropTable table = PropertyTableOf(*FindWindowTable("mainform"));
  EXPECT_EQ(table.FName, "mainform");
  ASSERT_EQ(table.props.size(), 1u);
  const auto manager = std::find_if(table.children.begin(), table.children.end(),
                                    [](const auto& c) { return c.FName == "ActionManager"; });
  ASSERT_NE(manager, table.children.end());
  EXPECT_EQ(manager->props.size(), 70u);
  EXPECT_EQ(LoadPropertyTable(SavePropertyTable(table)), table);
}

TEST(WindowTablesTest, ShippedTranslationsCoverEveryWindowText) {
  for (const char* file : {"/de.lng", "/ru.lng"}) {
    TVxLang_CompTranslations translation;
    translation.Text_LoadFromFile(std::string(QUILLON_LANG_DIR) + file, false);
    for (const TVxLang_WindowTable& table : WindowTables()) {
      const TVxLang_CompTranslation* section = translation.FindComponentName(table.windowName);
      ASSERT_NE(section, nullptr) << file << " " << table.windowName;
      for (const TVxLang_PropBinding& entry : table.entries) {
        // The fourth companion tool is known by its own name.
        if (std::string_view(entry.objectName) == "Tool4Action") continue;
        EXPECT_NE(section->FindID(entry.iID), nullptr)
            << file << " " << table.windowName << " " << entry.iID;
      }
      EXPECT_LE(section->Items().size(), table.entries.size());
    }
  }
}

}  // namespace
}  // namespace quillon
