#include "resources/svgdraw.h"

#include <QPainter>
#include <QSvgRenderer>

namespace quillon {

QImage DrawSvg(const QString& path, const QSize& size) {
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return {};
  QSize fitted = renderer.defaultSize();
  if (!fitted.isNull()) fitted.scale(size, Qt::KeepAspectRatio);
  if (fitted.isEmpty()) return {};
  QImage drawn(fitted, QImage::Format_ARGB32_Premultiplied);
  drawn.fill(Qt::transparent);
  QPainter painter(&drawn);
  renderer.render(&painter);
  return drawn;
}

QString BakedPictureName(const QString& name, int pixels) {
  return QStringLiteral("%1-%2.argb").arg(name).arg(pixels);
}

}  // namespace quillon
