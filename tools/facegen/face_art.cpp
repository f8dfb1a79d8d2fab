#include "face_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRegion>

#include <algorithm>
#include <array>

#include "handset_art.h"
#include "key_art.h"
#include "layout/bitmap_files.h"
#include "layout/outlines.h"
#include "layout/picture_sizes.h"
#include "layout/positions.h"
#include "layout/window_tables.h"
#include "palette.h"
#include "soft_shadow.h"

namespace kez::facegen {
namespace {

using namespace ombrel::face;

bool isLarge(FaceSize size) { return size == FaceSize::Large; }

QPolygon outlinePolygon(FaceSize size) {
    QPolygon polygon;
    for (const auto& point : outline(size))
        polygon << QPoint(point.x, point.y);
    return polygon;
}

QRect toQRect(const Rect& rect) { return {rect.x, rect.y, rect.width, rect.height}; }

// The rim lies inside the outline, so that the shaped window, cut to the outline, keeps all of it.
void paintBody(QPainter& painter, FaceSize size) {
    const QPolygon polygon = outlinePolygon(size);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kBody);
    painter.drawPolygon(polygon);
    painter.setClipRegion(QRegion(polygon));
    painter.setPen(QPen(palette::kBodyRim, isLarge(size) ? 4.0 : 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(polygon);
    painter.restore();
}

void paintDisplay(QPainter& painter, FaceSize size, bool red) {
    const QRect glass = toQRect(lcdGlass(size));
    const int bezel = isLarge(size) ? 4 : 3;
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kBezel);
    painter.drawRoundedRect(QRectF(glass.adjusted(-bezel, -bezel, bezel, bezel)), bezel, bezel);
    const QColor colour = red ? palette::kGlassRed : palette::kGlass;
    painter.fillRect(glass, colour);
    painter.fillRect(QRect(glass.x(), glass.y(), glass.width(), 2), colour.darker(118)); // the bezel's shade
    painter.fillRect(QRect(glass.x(), glass.y(), 2, glass.height()), colour.darker(112));
}

// White strips under the label boxes, wide enough for the boxes at either density.
void paintLabelStrips(QPainter& painter, FaceSize size) {
    const Size normal = labelBoxSize(size, 96);
    const Size wide = labelBoxSize(size, 120);
    const Size strip{std::max(normal.width, wide.width), std::max(normal.height, wide.height)};
    for (int box = 0; box < 18; ++box) {
        const auto at = position(size, Control::LineLabels, box);
        const QRect rect(at->x, at->y, strip.width, strip.height);
        painter.fillRect(rect, palette::kLabelRim);
        painter.fillRect(rect.adjusted(1, 1, -1, -1), palette::kLabelStrip);
    }
}

// The loudspeaker's slots in the free corner right of the display keys (placed in the large face's pixels).
void paintGrille(QPainter& painter, qreal scale) {
    painter.save();
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kCradle);
    for (int row = 0; row < 4; ++row) {
        painter.drawRoundedRect(QRectF(448 + row * 4, 66 + row * 7, 88 - row * 4, 3.5), 1.75, 1.75);
    }
    painter.restore();
}

// Speaker, Redial, Conference and Transfer share one cap, so their names stand on the body below them.
void paintBottomRowNames(QPainter& painter, FaceSize size) {
    static const std::array<const char*, 4> kNames{"Speaker", "Redial", "Conf", "Transfer"};
    QFont font(palette::kFontFamily);
    font.setPixelSize(isLarge(size) ? 9 : 7);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    painter.setFont(font);
    painter.setPen(palette::kBodyInk);
    for (int index = 0; index < 4; ++index) {
        const auto at = position(size, Control::BFBUTTON, index);
        const Size key = pictureSize(size, Control::BFBUTTON, index);
        const int width = key.width * 2;
        const QRect text(at->x + key.width / 2 - width / 2, at->y + key.height + 1, width, font.pixelSize() + 3);
        painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(kNames[index]));
    }
}

// Each picture is drawn in its own coordinates on a copy of the body under it, so that equal pictures come
// out equal wherever they stand (gradients are not the same at every pixel phase).
void paintPictures(QImage& image, FaceSize size, Side side) {
    for (const auto& load : pictureLoads()) {
        const auto& picture = load.picture;
        if (picture.side != side && picture.family != Control::KEZLogo) continue;
        const auto at = position(size, picture.family, picture.index);
        const Size extent = pictureSize(size, picture.family, picture.index);
        QImage tile = image.copy(at->x, at->y, extent.width, extent.height);
        {
            QPainter painter(&tile);
            paintPicture(painter, size, picture, tile.rect());
        }
        QPainter(&image).drawImage(at->x, at->y, tile);
    }
}

} // namespace

QImage renderFace(FaceSize size, FaceState state) {
    const Size extent = backgroundSize(size);
    QImage image(extent.width, extent.height, QImage::Format_RGB32);
    image.fill(palette::kSurround);
    const int drop = isLarge(size) ? 8 : 6;
    paintSoftShadow(image, outlinePolygon(size).translated(drop * 3 / 4, drop), drop / 2 + 1, palette::kShadow);

    {
        QPainter painter(&image);
        paintBody(painter, size);
        paintHandset(painter, isLarge(size) ? 1.0 : 0.75);
        paintGrille(painter, isLarge(size) ? 1.0 : 0.75);
        paintDisplay(painter, size, state == FaceState::RedLcd);
        paintLabelStrips(painter, size);
        paintBottomRowNames(painter, size);
    }
    paintPictures(image, size, state == FaceState::Active ? Side::Down : Side::Up);
    return image;
}

} // namespace kez::facegen
