#pragma once

#include <QImage>
#include <QSize>

namespace quillon {

// Makes image an off-screen picture of a widget of the given logical size at the screen's device
// pixel ratio, so that its lines and text are as sharp as the rest of the window. Painting on it
// uses logical coordinates. True when it had to be made anew (its content is then undefined).
bool FitScreenImage(QImage& image, QSize logical, qreal pixelRatio);

}  // namespace quillon
