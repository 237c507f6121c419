#pragma once

#include <QIcon>
#include <QString>

namespace quillon {

// An icon drawn from an SVG file by the program itself, at each size the first time it is shown
// there: no icon plugin is looked for and loaded, and nothing is read until the icon is drawn.
// Sizes baked at build time (square pictures named BakedPictureName(name, pixels) in
// bakedFolder) are read rather than drawn; an empty folder bakes none. The pixels are those of
// Qt's own SVG icons, the disabled look the style's.
QIcon SvgIcon(const QString& path, const QString& bakedFolder = {}, const QString& name = {});

}  // namespace quillon
