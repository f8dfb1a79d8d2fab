#include "handset_art.h"

#include <QLinearGradient>
#include <QPainterPath>

#include "palette.h"

namespace kez::facegen {
namespace {

// In the large face's pixels: earpiece at the top, mouthpiece at the bottom, the grip between them.
constexpr QRectF kEarpiece{50, 38, 108, 104};
constexpr QRectF kGrip{80, 120, 48, 260};
constexpr QRectF kMouthpiece{50, 358, 108, 108};
constexpr qreal kCupRadius = 34;
constexpr qreal kCradleMargin = 5;

QPainterPath handsetPath(qreal grow) {
    QPainterPath ear;
    ear.addRoundedRect(kEarpiece.adjusted(-grow, -grow, grow, grow), kCupRadius + grow, kCupRadius + grow);
    QPainterPath grip;
    grip.addRoundedRect(kGrip.adjusted(-grow, -grow, grow, grow), 12 + grow, 12 + grow);
    QPainterPath mouth;
    mouth.addRoundedRect(kMouthpiece.adjusted(-grow, -grow, grow, grow), kCupRadius + grow, kCupRadius + grow);
    return ear.united(grip).united(mouth).simplified();
}

} // namespace

void paintHandset(QPainter& painter, qreal scale) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);

    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kCradle);
    painter.drawPath(handsetPath(kCradleMargin));

    QLinearGradient sheen(kEarpiece.left(), 0, kEarpiece.right(), 0);
    sheen.setColorAt(0.0, palette::kHandset);
    sheen.setColorAt(0.28, palette::kHandsetSheen);
    sheen.setColorAt(0.55, palette::kHandset);
    sheen.setColorAt(1.0, palette::kHandset.darker(130));
    painter.setBrush(sheen);
    painter.setPen(QPen(palette::kHandset.darker(160), 1.5));
    painter.drawPath(handsetPath(0));

    // The cups' rims catch the light.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette::kHandsetSheen, 2));
    for (const QRectF& cup : {kEarpiece, kMouthpiece}) {
        painter.drawRoundedRect(cup.adjusted(10, 10, -10, -10), kCupRadius - 10, kCupRadius - 10);
    }
    painter.restore();
}

} // namespace kez::facegen
