#include "launcher_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kez::wizard {
namespace {

constexpr int kSide = 32;

void drawInformation(QPainter& painter) {
    painter.setBrush(QColor(0x1c, 0x5f, 0xb8));
    painter.drawEllipse(QRectF(3, 3, 26, 26));
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawPoint(QPointF(16, 10));
    painter.drawLine(QPointF(16, 15), QPointF(16, 23));
}

void drawSpeaker(QPainter& painter) {
    QPainterPath cone;
    cone.moveTo(4, 12);
    cone.lineTo(10, 12);
    cone.lineTo(17, 5);
    cone.lineTo(17, 27);
    cone.lineTo(10, 20);
    cone.lineTo(4, 20);
    cone.closeSubpath();
    painter.setBrush(QColor(0x40, 0x40, 0x40));
    painter.drawPath(cone);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x1c, 0x5f, 0xb8), 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(14, 10, 8, 12), -60 * 16, 120 * 16);
    painter.drawArc(QRectF(14, 5, 14, 22), -60 * 16, 120 * 16);
}

void drawMultimedia(QPainter& painter) {
    painter.setBrush(QColor(0x2e, 0x8b, 0x57));
    painter.drawRoundedRect(QRectF(3, 9, 26, 15), 3, 3);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(7, 12, 9, 9));
    painter.drawEllipse(QRectF(18, 12, 9, 9));
}

void drawNetwork(QPainter& painter) {
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 2));
    painter.drawLine(QPointF(16, 11), QPointF(16, 17));
    painter.drawLine(QPointF(7, 17), QPointF(25, 17));
    painter.drawLine(QPointF(7, 17), QPointF(7, 21));
    painter.drawLine(QPointF(25, 17), QPointF(25, 21));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1c, 0x5f, 0xb8));
    painter.drawRect(QRectF(10, 3, 12, 9));
    painter.drawRect(QRectF(2, 21, 11, 8));
    painter.drawRect(QRectF(19, 21, 11, 8));
}

QIcon drawn(LauncherPicture picture) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    switch (picture) {
    case LauncherPicture::SystemInformation: drawInformation(painter); break;
    case LauncherPicture::Multimedia: drawMultimedia(painter); break;
    case LauncherPicture::Network: drawNetwork(painter); break;
    case LauncherPicture::Volume: drawSpeaker(painter); break;
    }
    return QIcon(pixmap);
}

QString themeName(LauncherPicture picture) {
    switch (picture) {
    case LauncherPicture::SystemInformation: return QStringLiteral("dialog-information");
    case LauncherPicture::Multimedia: return QStringLiteral("audio-card");
    case LauncherPicture::Network: return QStringLiteral("network-wired");
    case LauncherPicture::Volume: return QStringLiteral("multimedia-volume-control");
    }
    return {};
}

} // namespace

QIcon launcherIcon(LauncherPicture picture) { return QIcon::fromTheme(themeName(picture), drawn(picture)); }

} // namespace kez::wizard
