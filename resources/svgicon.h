#pragma once

#include <QIcon>
#include <QString>

namespace quillon {

// An icon drawn from an SVG file by the program itself, at each size the first time it is shown
// there: no icon plugin is looked for and loaded, and the file is read only when first drawn, so
// a window's icons cost nothing until they are on the screen. The pixels are those of Qt's own
// SVG icons, the disabled look the style's.
QIcon SvgIcon(const QString& path);

}  // namespace quillon
