#include "resources/icons.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QResource>

#include "resources/svgdraw.h"

namespace quillon {
namespace {

bool HasVisiblePixel(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return true;
    }
  }
  return false;
}

// With QUILLON_ICON_SHEET naming a PNG file, writes every icon at 16, 24 and 48 pixels into it
// for a look at the set as a whole.
void WriteContactSheet(const QString& path) {
  const QStringList& names = IconNames();
  constexpr int kCell = 140;
  QImage sheet(kCell * 6, 60 * ((names.size() + 5) / 6), QImage::Format_ARGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  for (int i = 0; i < names.size(); ++i) {
    const QIcon icon(":/icons/" + names[i] + ".svg");
    const int left = (i % 6) * kCell + 4, top = (i / 6) * 60 + 4;
    painter.drawPixmap(left, top + 16, icon.pixmap(16));
    painter.drawPixmap(left + 22, top + 12, icon.pixmap(24));
    painter.drawPixmap(left + 52, top, icon.pixmap(48));
    painter.drawText(left + 2, top + 54, names[i]);
  }
  painter.end();
  sheet.save(path);
}

class IconsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitIcons(); }
};

TEST_F(IconsTest, EveryNamedIconIsCompiledInAndNothingElse) {
  QStringList files = QDir(":/icons").entryList(QDir::Files);
  QStringList expected;
  for (const QString& name : IconNames()) expected << name + ".svg";
  files.sort();
  expected.sort();
  EXPECT_EQ(files, expected);
}

TEST_F(IconsTest, EveryIconDrawsVisiblyAtSmallAndLargeSizes) {
  for (const QString& name : IconNames()) {
    const QIcon icon(":/icons/" + name + ".svg");
    SCOPED_TRACE(name.toStdString());
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 48}) {
      const QPixmap pixmap = icon.pixmap(size);
      ASSERT_FALSE(pixmap.isNull()) << size;
      EXPECT_EQ(pixmap.width(), size);
      EXPECT_TRUE(HasVisiblePixel(pixmap)) << size;
    }
  }
  if (qEnvironmentVariableIsSet("QUILLON_ICON_SHEET")) {
    WriteContactSheet(qEnvironmentVariable("QUILLON_ICON_SHEET"));
  }
}

QImage Pixels(const QIcon& icon, int size, QIcon::Mode mode) {
  return icon.pixmap(size, mode).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The program draws its icons itself and reads the sizes baked at build time; they must look as
// Qt's own SVG icons (the plugin) drew them, enabled and disabled, baked or not.
TEST_F(IconsTest, OurIconsHaveThePixelsOfQtsOwnSvgIcons) {
  for (const QString& name : IconNames()) {
    const QIcon ours = Icon(name);
    const QIcon qts(":/icons/" + name + ".svg");
    for (int size : {16, 24, 32, 48, 20}) {
      for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
        SCOPED_TRACE(name.toStdString() + " " + std::to_string(size) + " " +
                     std::to_string(static_cast<int>(mode)));
        const QImage expected = Pixels(qts, size, mode);
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(Pixels(ours, size, mode), expected);
      }
    }
  }
}

// What the window shows at start is read, not drawn: the tool bar's and menus' sizes at screen
// scales 1, 1.5 and 2, and the window icon's for the window manager.
TEST_F(IconsTest, TheSizesShownAtStartAreBaked) {
  for (const QString& name : IconNames()) {
    QList<int> sizes{16, 24, 32};
    if (name == "quillon") sizes << 48 << 64 << 128;
    for (int size : sizes) {
      const QResource baked(":/icons/baked/" + BakedPictureName(name, size));
      EXPECT_EQ(baked.uncompressedSize(), size * size * 4) << name.toStdString() << " " << size;
    }
  }
}

}  // namespace
}  // namespace quillon
