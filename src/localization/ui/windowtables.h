#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "localization/langdata.h"

namespace quillon {

// Which Qt text a translatable entry sets.
enum class TVxLang_QtText {
  Caption,      // window title, action text, menu title, button, label, group box or tab text
  Hint,         // tool tip
  ToolBarText,  // an action's text on the tool bar
  Text,         // the text of an editable combo box or a line edit
  Items,        // all item texts of a combo box, one per line
  Column,       // a list's column header
  Group,        // a list's group header (a top-level item)
  Row,          // a row's caption in a list's first group (the first column of a child item)
};

// One translatable text of a window. The identifier, component and property path are those the
// language files and their editor know; the Qt side names the object that shows the text today.
struct TVxLang_PropBinding {
  int32_t iID;
  const char* component;   // "" is the window itself
  const char* propPath;    // "Caption", "Hint", "Columns[0].Caption", "ActionBars[0].Items[3]..."
  const char* objectName;  // Qt objectName within the window, alternatives separated by "|";
                           // "" is the window itself
  TVxLang_QtText text;
  int index = 0;  // the column, group or row number
};

// A window's translatable texts and its ignore masks; the window's objectName is its name.
struct TVxLang_WindowTable {
  const char* windowName;
  std::span<const TVxLang_PropBinding> entries;
  std::span<const char* const> ignoreList;
};

// The tables of every window: "mainform", "settingsForm", "PropertiesForm", "filterform",
// "AboutForm", "mpegsettings", "vorbissettings", "opussettings" and "exportRegionsForm", then the
// everyday tools' dialogs.
std::span<const TVxLang_WindowTable> WindowTables();
// The table of a window by name, compared case-insensitively; none when unknown.
const TVxLang_WindowTable* FindWindowTable(std::string_view windowName);
// The table as the property table stream holds it: the window's own entries at the root, one
// child per component in order of first appearance, entries sorted by property path.
TVxLang_PropTable PropertyTableOf(const TVxLang_WindowTable& table);

}  // namespace quillon
