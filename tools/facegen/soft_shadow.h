#pragma once
// A blurred drop shadow of a polygon, laid over an image.
#include <QColor>
#include <QImage>
#include <QPolygon>

namespace kez::facegen {

void paintSoftShadow(QImage& image, const QPolygon& polygon, int radius, const QColor& colour);

} // namespace kez::facegen
