#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QMenu;
class QWidget;

namespace quillon {

// One companion program of the Tools menu.
struct TToolRow {
  const char* actionName;  // the action's objectName, which the language files address
  const char* caption;     // the menu text naming what the program does
  const char* keyName;     // settings file Morvane/<keyName>.ini, value "path" in group "Settings"
  const char* executable;  // file name inside the installed folder
  const char* pageName;    // the program's page on the maker's site
};

// The eight companion programs in menu order.
const std::vector<TToolRow>& ToolRows();

// The maker's web site as a base address (the deployment's), or empty when there is none. Set
// it on the main thread before the link label is created.
void SetMakerSite(std::string site);

// <site>/<pageName>/index.shtml?ref=quillon; empty without a maker's site.
std::string ToolPage(std::string_view pageName);

// The advanced edition's page, which the link label opens; empty without a maker's site.
std::string AdvancedEditionPage();

// The folder a program was installed into: the machine's settings value, replaced by the
// user's one when the user has one; empty when neither names a folder.
std::string InstalledToolFolder(std::string_view keyName);

// Starts a program without a shell and without waiting for it.
using TProgramStarter =
    std::function<void(const std::string& program, const std::vector<std::string>& arguments)>;

// Starts folder + executable when the program is installed there, with the argument when it is
// not empty. Otherwise tells the user the program is missing and then opens its web page, or,
// without a page, tells where the program is expected.
void LaunchTool(std::string_view keyName, std::string_view executable, std::string_view argument,
                std::string_view webPage);
void LaunchTool(std::string_view keyName, std::string_view executable, std::string_view argument,
                std::string_view webPage, const TProgramStarter& start);

// Launches one row's program with no argument.
void ToolActionExecute(const TToolRow& row);

// Appends the eight actions "Tool1Action".."Tool8Action" to the menu; each launches its program.
// The menu owns them.
void AddToolActions(QMenu& menu);

// Opens the advanced edition's page.
void DemoLabelClick();

// The link label "demoLabel" on the given panel, centred near its top; a click opens the
// advanced edition's page. Hidden without a maker's site. The panel owns it.
QLabel* CreateDemoLabel(QWidget& panel);
// Fits the label to its text (a language change) and centres it on its panel again.
void PlaceDemoLabel(QLabel& label);

}  // namespace quillon
