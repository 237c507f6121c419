#include "resources/icons.h"

#include <QtGlobal>

#include "resources/svgicon.h"

// Outside any namespace, as the registration macro requires.
static void InitIconResource() {
  Q_INIT_RESOURCE(icons);
}

namespace quillon {

void InitIcons() {
  InitIconResource();
}

const QStringList& IconNames() {
  static const QStringList names = {
      "open",        "close",   "save",    "saveas",    "saveselected", "properties",   "settings",
      "exit",        "zoomin",  "zoomout", "zoomfull",  "undo",         "redo",         "cut",
      "copy",        "paste",   "delete",  "selectall", "play",         "pause",        "stop",
      "fadein",      "fadeout", "silence", "normalize", "reverse",      "invert",       "amplifyup",
      "amplifydown", "help",    "update",  "about",     "quillon",      "zoomselection"};
  return names;
}

QIcon Icon(const QString& name) {
  return SvgIcon(QStringLiteral(":/icons/%1.svg").arg(name), QStringLiteral(":/icons/baked"), name);
}

}  // namespace quillon
