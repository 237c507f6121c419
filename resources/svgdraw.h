#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace quillon {

// An SVG file drawn fitted into size, keeping its proportions, on a transparent ground
// (premultiplied ARGB); null when the file cannot be read as SVG. The program's icons and the
// pictures baked from them at build time are drawn by this one function.
QImage DrawSvg(const QString& path, const QSize& size);

// The stem of an icon's baked pictures: "<folder>/<name>-<pixels>.argb" holds a square picture of
// that many pixels a side as raw premultiplied ARGB words in the machine's byte order.
QString BakedPictureName(const QString& name, int pixels);

}  // namespace quillon
