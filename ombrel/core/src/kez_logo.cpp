#include "ombrel/kez_logo.h"

#include <QFont>
#include <QPainter>

namespace kez::ombrel {

QPixmap kezLogo(int height) {
    QPixmap logo(2 * height, height);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 51, 153));
    painter.drawRoundedRect(logo.rect(), height / 5.0, height / 5.0);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(height * 3 / 5);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(logo.rect(), Qt::AlignCenter, QStringLiteral("KEZ"));
    return logo;
}

} // namespace kez::ombrel
