#include "display/screenimage.h"

namespace quillon {

bool FitScreenImage(QImage& image, QSize logical, qreal pixelRatio) {
  const QSize pixels = (QSizeF(logical) * pixelRatio).toSize().expandedTo(QSize(1, 1));
  if (image.size() == pixels && image.devicePixelRatio() == pixelRatio) return false;
  image = QImage(pixels, QImage::Format_RGB32);
  image.setDevicePixelRatio(pixelRatio);
  return true;
}

}  // namespace quillon
