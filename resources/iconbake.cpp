// Bakes icons at build time: draws each SVG at each size and writes the raw pictures the program
// reads at start instead of drawing them. Usage: iconbake OUT-FOLDER SIZES SVG...
// where SIZES is a comma-separated list of pixel sizes.
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

#include "resources/svgdraw.h"

namespace {

bool Bake(const QString& svg, int pixels, const QString& folder) {
  const QImage picture = quillon::DrawSvg(svg, QSize(pixels, pixels));
  if (picture.size() != QSize(pixels, pixels)) {
    std::fprintf(stderr, "iconbake: %s does not draw as a square of %d pixels\n", qPrintable(svg),
                 pixels);
    return false;
  }
  const QString path =
      folder + "/" + quillon::BakedPictureName(QFileInfo(svg).completeBaseName(), pixels);
  QFile file(path);
  const qsizetype bytes = picture.sizeInBytes();
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(reinterpret_cast<const char*>(picture.constBits()), bytes) != bytes) {
    std::fprintf(stderr, "iconbake: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (arguments.size() < 4) {
    std::fprintf(stderr, "usage: iconbake OUT-FOLDER SIZES SVG...\n");
    return 2;
  }
  QList<int> sizes;
  for (const QString& size : arguments[2].split(',')) {
    bool number = false;
    sizes << size.toInt(&number);
    if (!number || sizes.back() <= 0) {
      std::fprintf(stderr, "iconbake: %s is not a size\n", qPrintable(size));
      return 2;
    }
  }
  for (const QString& svg : arguments.mid(3))
    for (int pixels : sizes)
      if (!Bake(svg, pixels, arguments[1])) return 1;
  return 0;
}
