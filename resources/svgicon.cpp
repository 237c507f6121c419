#include "resources/svgicon.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QResource>
#include <QStyle>
#include <QStyleOption>
#include <cstring>

#include "resources/svgdraw.h"

namespace quillon {

namespace {

// A baked square picture, or null when that size was not baked.
QImage ReadBaked(const QString& path, int pixels) {
  const QResource resource(path);
  if (!resource.isValid()) return {};
  const QByteArray bytes = resource.uncompressedData();
  QImage picture(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  if (picture.isNull() || bytes.size() != picture.sizeInBytes()) return {};
  std::memcpy(picture.bits(), bytes.constData(), static_cast<size_t>(bytes.size()));
  return picture;
}

class TSvgIconEngine : public QIconEngine {
 public:
  TSvgIconEngine(QString path, QString bakedFolder, QString name)
      : path_(std::move(path)), bakedFolder_(std::move(bakedFolder)), name_(std::move(name)) {}

  QIconEngine* clone() const override { return new TSvgIconEngine(*this); }
  QString key() const override { return QStringLiteral("quillon-svg"); }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    QSize size = rect.size();
    if (painter->device()) size *= painter->device()->devicePixelRatio();
    painter->drawPixmap(rect, pixmap(size, mode, state));
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    const QString cacheKey = QStringLiteral("quillon-svg:%1:%2x%3:%4")
                                 .arg(path_)
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(static_cast<int>(mode));
    QPixmap drawn;
    if (QPixmapCache::find(cacheKey, &drawn)) return drawn;
    // The other modes are styled from the normal picture, which is read or drawn only once.
    drawn = mode == QIcon::Normal ? QPixmap::fromImage(Picture(size))
                                  : StyledFor(mode, pixmap(size, QIcon::Normal, state));
    if (drawn.isNull()) return drawn;
    QPixmapCache::insert(cacheKey, drawn);
    return drawn;
  }

 private:
  QImage Picture(const QSize& size) const {
    if (!bakedFolder_.isEmpty() && size.width() == size.height()) {
      QImage baked =
          ReadBaked(bakedFolder_ + "/" + BakedPictureName(name_, size.width()), size.width());
      if (!baked.isNull()) return baked;
    }
    return DrawSvg(path_, size);
  }

  // As Qt's own icons look in that mode.
  static QPixmap StyledFor(QIcon::Mode mode, const QPixmap& normal) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return normal;
    QStyleOption option(0);
    option.palette = QGuiApplication::palette();
    const QPixmap styled = QApplication::style()->generatedIconPixmap(mode, normal, &option);
    return styled.isNull() ? normal : styled;
  }

  QString path_;
  QString bakedFolder_;
  QString name_;
};

}  // namespace

QIcon SvgIcon(const QString& path, const QString& bakedFolder, const QString& name) {
  return QIcon(new TSvgIconEngine(path, bakedFolder, name));
}

}  // namespace quillon
