#include "localization/ui/langcontroller.h"

#include <QWidget>
#include <algorithm>
#include <map>
#include <utility>

#include "localization/langtext.h"
#include "localization/ui/qttext.h"
#include "platform/messagebox.h"

namespace quillon {

namespace {

QObject* FindObject(QWidget* window, const std::string& names) {
  if (names.empty()) return window;
  for (const QString& name : QString::fromStdString(names).split('|'))
    if (QObject* found = window->findChild<QObject*>(name)) return found;
  return nullptr;
}

bool HasLetter(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

}  // namespace

TVxLanguageController::TVxLanguageController(QWidget* window, const TVxLang_WindowTable& table,
                                             TVxLangManager& manager)
    : QObject(window), window_(window), table_(table), manager_(manager) {
  setObjectName("VxLanguageController");
  for (const char* mask : table.ignoreList) AddIgnoreMask(mask);
  manager_.RegisterController(this);
}

TVxLanguageController::~TVxLanguageController() {
  manager_.UnregisterController(this);
}

void TVxLanguageController::AddSorted(std::vector<std::string>& list, const std::string& mask) {
  auto it = std::lower_bound(list.begin(), list.end(), mask);
  if (it == list.end() || *it != mask) list.insert(it, mask);
}

void TVxLanguageController::Loaded() {
  Bind();
  UpdateEntries();
  try {
    manager_.ApplyCurrentLanguage(*this);
  } catch (const Exception& error) {
    // The window keeps its designed texts; the language file's fault is told once.
    MessageBoxes().ShowException(error.what());
  }
}

void TVxLanguageController::Bind() {
  root_ = {};
  unbound_.clear();
  root_.component = window_;
  std::map<std::string, TVxLang_CompEntry> components;
  for (const TVxLang_PropBinding& binding : table_.entries) {
    QObject* target = FindObject(window_, binding.objectName);
    const auto designed =
        target ? ReadQtText(target, window_, binding.text, binding.index) : std::nullopt;
    if (!designed) {
      unbound_.push_back(binding.iID);
      continue;
    }
    // The texts the window was built with are its designed texts.
    TVxLang_PropEntry prop{binding.iID, binding.propPath, *designed, &binding, target};
    if (*binding.component == '\0') {
      root_.props.push_back(std::move(prop));
    } else {
      TVxLang_CompEntry& component = components[binding.component];
      component.FName = binding.component;
      if (!component.component) component.component = target;
      component.props.push_back(std::move(prop));
    }
  }
  for (auto& [name, component] : components) root_.children.push_back(std::move(component));
  auto byPath = [](const TVxLang_PropEntry& a, const TVxLang_PropEntry& b) {
    return a.wsPropName < b.wsPropName;
  };
  std::sort(root_.props.begin(), root_.props.end(), byPath);
  for (auto& child : root_.children) std::sort(child.props.begin(), child.props.end(), byPath);
}

template <typename Visit>
void TVxLanguageController::ForEachProp(Visit visit) {
  for (TVxLang_PropEntry& prop : root_.props) visit(root_, prop);
  for (TVxLang_CompEntry& child : root_.children)
    for (TVxLang_PropEntry& prop : child.props) visit(child, prop);
}

bool TVxLanguageController::Ignored(const TVxLang_CompEntry& component,
                                    const TVxLang_PropEntry& prop) const {
  const std::string maskText = component.GetComponentNamePath() + "." + prop.wsPropName;
  return std::any_of(ignoreList_.begin(), ignoreList_.end(),
                     [&](const std::string& mask) { return MatchesMask(maskText, mask); });
}

void TVxLanguageController::UpdateEntries() {
  ForEachProp([this](TVxLang_CompEntry& component, TVxLang_PropEntry& prop) {
    if (!prop.target || Ignored(component, prop)) return;
    const auto value = ReadQtText(prop.target, window_, prop.binding->text, prop.binding->index);
    if (!value) return;
    if ((Options & vxlcoIgnoreEmptyProps) && value->isEmpty()) return;
    if ((Options & vxlcoIgnoreNonAlphaProps) && !HasLetter(*value)) return;
    prop.wsDefLangValue = *value;
  });
}

std::string TVxLanguageController::ActualSectionName() const {
  return SectionName.empty() ? window_->objectName().toStdString() : SectionName;
}

void TVxLanguageController::ApplyTranslation(const TVxLang_CompTranslation* section) {
  if (OnLanguageChanging) OnLanguageChanging();
  // Several identifiers may show in one Qt text (a menu item and its command): a translation
  // beats a designed text, and of two translations the lower identifier wins.
  struct Choice {
    TVxLang_PropEntry* prop;
    QString text;
    bool translated;
  };
  std::map<std::tuple<QObject*, TVxLang_QtText, int>, Choice> choices;
  std::vector<TVxLang_PropEntry*> ordered;
  ForEachProp([&](TVxLang_CompEntry&, TVxLang_PropEntry& prop) { ordered.push_back(&prop); });
  std::sort(ordered.begin(), ordered.end(),
            [](const TVxLang_PropEntry* a, const TVxLang_PropEntry* b) { return a->iID < b->iID; });
  for (TVxLang_PropEntry* prop : ordered) {
    if (!prop->target) continue;
    const TVxLang_PropTranslation* translation = section ? section->FindID(prop->iID) : nullptr;
    const auto key =
        std::make_tuple(prop->target.data(), prop->binding->text, prop->binding->index);
    auto [it, inserted] = choices.try_emplace(key, Choice{prop, {}, false});
    if (!inserted && (it->second.translated || !translation)) continue;
    it->second = {prop,
                  translation ? QString::fromStdString(translation->wsValue) : prop->wsDefLangValue,
                  translation != nullptr};
  }
  for (auto& [key, choice] : choices)
    WriteQtText(choice.prop->target, window_, choice.prop->binding->text,
                choice.prop->binding->index, choice.text);
  if (OnLanguageChanged) OnLanguageChanged();
}

TVxLanguageController* AttachLanguageController(QWidget* window) {
  // One controller a window: a second would take the first one's translations as designed.
  if (auto* existing =
          window->findChild<TVxLanguageController*>(QString(), Qt::FindDirectChildrenOnly))
    return existing;
  const TVxLang_WindowTable* table = FindWindowTable(window->objectName().toStdString());
  if (!table) return nullptr;
  auto* controller = new TVxLanguageController(window, *table);
  controller->Loaded();
  return controller;
}

}  // namespace quillon
