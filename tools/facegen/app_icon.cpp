#include "app_icon.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include "palette.h"

namespace kez::facegen {

QImage drawAppIcon(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = pixels / 48.0; // drawn on a 48-unit grid
    const QRectF badge(2 * unit, 6 * unit, 44 * unit, 36 * unit);
    painter.setPen(QPen(palette::kLogoRim, 1.5 * unit));
    painter.setBrush(palette::kLogo);
    painter.drawRoundedRect(badge, 7 * unit, 7 * unit);
    QFont font(palette::kFontFamily);
    font.setPixelSize(static_cast<int>(17 * unit));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(palette::kLogoInk);
    painter.drawText(badge.adjusted(0, 0, 0, -9 * unit), Qt::AlignCenter, QStringLiteral("KEZ"));
    painter.setPen(QPen(palette::kLogoSwoosh, 3 * unit, Qt::SolidLine, Qt::RoundCap));
    const qreal y = badge.bottom() - 9 * unit;
    painter.drawLine(QPointF(badge.left() + 9 * unit, y), QPointF(badge.right() - 9 * unit, y));
    return image;
}

QString appIconFile(const QString& workFolder, int pixels) {
    const auto size = QString::number(pixels);
    return workFolder + "/icons/hicolor/" + size + 'x' + size + "/apps/kez-ombrel.png";
}

} // namespace kez::facegen
