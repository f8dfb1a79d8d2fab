#include "soft_shadow.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace kez::facegen {
namespace {

// One pass of a box blur along rows (step 1) or columns (step = width), in integers so that every run
// gives the same bytes.
void boxBlur(std::vector<int>& values, int width, int height, int radius, bool alongRows) {
    const int lines = alongRows ? height : width;
    const int length = alongRows ? width : height;
    const int step = alongRows ? 1 : width;
    std::vector<int> line(length);
    for (int l = 0; l < lines; ++l) {
        const int start = alongRows ? l * width : l;
        for (int i = 0; i < length; ++i)
            line[i] = values[start + i * step];
        for (int i = 0; i < length; ++i) {
            int sum = 0;
            for (int k = i - radius; k <= i + radius; ++k)
                sum += line[std::clamp(k, 0, length - 1)];
            values[start + i * step] = sum / (2 * radius + 1);
        }
    }
}

} // namespace

void paintSoftShadow(QImage& image, const QPolygon& polygon, int radius, const QColor& colour) {
    QImage mask(image.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPolygon(polygon);
    }
    const int width = mask.width();
    const int height = mask.height();
    std::vector<int> coverage(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uchar* row = mask.constScanLine(y);
        for (int x = 0; x < width; ++x)
            coverage[static_cast<size_t>(y) * width + x] = row[x];
    }
    for (int pass = 0; pass < 2; ++pass) {
        boxBlur(coverage, width, height, radius, true);
        boxBlur(coverage, width, height, radius, false);
    }
    QImage shadow(image.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int alpha = coverage[static_cast<size_t>(y) * width + x] * colour.alpha() / 255;
            row[x] = qPremultiply(qRgba(colour.red(), colour.green(), colour.blue(), alpha));
        }
    }
    QPainter painter(&image);
    painter.drawImage(0, 0, shadow);
}

} // namespace kez::facegen
