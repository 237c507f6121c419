#include "resources/svgicon.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <memory>

namespace quillon {

namespace {

class TSvgIconEngine : public QIconEngine {
 public:
  explicit TSvgIconEngine(QString path) : path_(std::move(path)) {}

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
    drawn = Draw(size);
    if (drawn.isNull()) return drawn;
    if (mode != QIcon::Normal) drawn = StyledFor(mode, drawn);
    QPixmapCache::insert(cacheKey, drawn);
    (void)state;
    return drawn;
  }

 private:
  QSvgRenderer& Renderer() {
    if (!renderer_) renderer_ = std::make_shared<QSvgRenderer>(path_);
    return *renderer_;
  }

  // The picture scaled into size, keeping its proportions, on a transparent ground.
  QPixmap Draw(const QSize& size) {
    QSvgRenderer& renderer = Renderer();
    if (!renderer.isValid()) return {};
    QSize fitted = renderer.defaultSize();
    if (!fitted.isNull()) fitted.scale(size, Qt::KeepAspectRatio);
    if (fitted.isEmpty()) return {};
    QPixmap drawn(fitted);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    renderer.render(&painter);
    return drawn;
  }

  static QPixmap StyledFor(QIcon::Mode mode, const QPixmap& normal) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return normal;
    QStyleOption option(0);
    option.palette = QGuiApplication::palette();
    const QPixmap styled = QApplication::style()->generatedIconPixmap(mode, normal, &option);
    return styled.isNull() ? normal : styled;
  }

  QString path_;
  // Shared by the copies QIcon makes, so that the file is read once.
  std::shared_ptr<QSvgRenderer> renderer_;
};

}  // namespace

QIcon SvgIcon(const QString& path) {
  return QIcon(new TSvgIconEngine(path));
}

}  // namespace quillon
