#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "localization/langmanager.h"
#include "localization/ui/windowtables.h"

class QWidget;

namespace quillon {

// One translatable text of a component: its identifier, its property path, its designed text
// and the Qt object that shows it.
struct TVxLang_PropEntry {
  int32_t iID = 0;
  std::string wsPropName;
  QString wsDefLangValue;
  const TVxLang_PropBinding* binding = nullptr;
  QPointer<QObject> target;
};

// A component of the window with its translatable texts; the root stands for the window.
struct TVxLang_CompEntry {
  std::string FName;
  QPointer<QObject> component;
  std::vector<TVxLang_PropEntry> props;  // sorted by property path
  std::vector<TVxLang_CompEntry> children;

  // The path matched against the ignore masks: the component's name, "" for the window.
  std::string GetComponentNamePath() const { return FName; }
};

enum TVxLanguageControllerOption : unsigned {
  vxlcoAutoSaveLangSource = 1,
  vxlcoIgnoreEmptyProps = 2,
  vxlcoIgnoreNonAlphaProps = 4,
  vxlcoIgnoreFontProps = 8,
};
inline constexpr unsigned kAllControllerOptions = vxlcoAutoSaveLangSource | vxlcoIgnoreEmptyProps |
                                                  vxlcoIgnoreNonAlphaProps | vxlcoIgnoreFontProps;

// Puts translated texts into one window. Owned by the window (its QObject parent); registers
// with the language manager when made and unregisters when destroyed.
class TVxLanguageController : public QObject, public TVxLang_Translatable {
  Q_OBJECT

 public:
  TVxLanguageController(QWidget* window, const TVxLang_WindowTable& table,
                        TVxLangManager& manager = LangManager());
  ~TVxLanguageController() override;

  // Binds the table to the window's objects (entries without an object are dropped), takes the
  // texts the window has now as its designed texts and translates the window into the current
  // language.
  void Loaded();
  // Reads the designed texts again from the window, for texts the window changed in code; texts
  // matching an ignore mask, empty texts and texts without a letter keep their designed text.
  void UpdateEntries();

  std::string ActualSectionName() const override;
  void ApplyTranslation(const TVxLang_CompTranslation* section) override;

  const TVxLang_CompEntry& RootCompEntry() const { return root_; }
  // Identifiers whose object was not found in the window.
  const std::vector<int32_t>& UnboundIds() const { return unbound_; }

  const std::vector<std::string>& IgnoreList() const { return ignoreList_; }
  const std::vector<std::string>& StoreList() const { return storeList_; }
  void AddIgnoreMask(const std::string& mask) { AddSorted(ignoreList_, mask); }
  void AddStoreMask(const std::string& mask) { AddSorted(storeList_, mask); }

  unsigned Options = kAllControllerOptions;
  std::string SectionName;
  std::function<void()> OnLanguageChanging;
  std::function<void()> OnLanguageChanged;

 private:
  static void AddSorted(std::vector<std::string>& list, const std::string& mask);
  void Bind();
  bool Ignored(const TVxLang_CompEntry& component, const TVxLang_PropEntry& prop) const;
  template <typename Visit>
  void ForEachProp(Visit visit);

  QWidget* window_;
  const TVxLang_WindowTable& table_;
  TVxLangManager& manager_;
  TVxLang_CompEntry root_;
  std::vector<int32_t> unbound_;
  std::vector<std::string> ignoreList_;
  std::vector<std::string> storeList_;
};

// Gives a window the controller of the table named like the window's objectName and translates
// it into the current language; none when no table has that name.
TVxLanguageController* AttachLanguageController(QWidget* window);

}  // namespace quillon
