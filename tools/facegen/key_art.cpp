#include "key_art.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <array>

#include "palette.h"

namespace kez::facegen {
namespace {

using ombrel::face::Control;
using ombrel::face::FaceSize;
using ombrel::face::PictureRef;
using ombrel::face::Side;

enum class Icon { None, ScrollUp, ScrollDown, Envelope, Loudspeaker };

struct Look {
    QColor cap;
    QColor ink;
    QString legend; // drawn in the middle of the cap
    Icon icon = Icon::None;
};

// The cap's face after the key's travel: at rest it stands up and left of its shadow, pressed it sits
// one pixel down and right, darker, without the shadow.
QRectF paintCap(QPainter& painter, const QRect& rect, const QColor& cap, bool pressed) {
    const qreal radius = std::max(2.0, std::min(rect.width(), rect.height()) * 0.2);
    const QRectF outer(rect);
    QRectF face = outer.adjusted(0.5, 0.5, -1.5, -1.5);
    if (pressed) {
        face.translate(1, 1);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette::kKeyShadow);
        painter.drawRoundedRect(outer.adjusted(1, 1, 0, 0), radius, radius);
    }
    QLinearGradient shade(face.topLeft(), face.bottomLeft());
    shade.setColorAt(0, pressed ? cap.darker(125) : cap.lighter(112));
    shade.setColorAt(1, pressed ? cap.darker(112) : cap.darker(108));
    painter.setBrush(shade);
    painter.setPen(QPen(cap.darker(pressed ? 185 : 150), 1));
    painter.drawRoundedRect(face, radius, radius);
    return face;
}

QFont legendFont(int pixels, bool bold = true) {
    QFont font(palette::kFontFamily);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void paintIcon(QPainter& painter, Icon icon, const QRectF& face, const QColor& ink) {
    const QPointF c = face.center();
    const qreal u = std::min(face.width(), face.height()) / 10.0; // one tenth of the cap
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    switch (icon) {
    case Icon::ScrollUp:
    case Icon::ScrollDown: {
        const qreal d = icon == Icon::ScrollUp ? -1 : 1;
        painter.drawPolygon(QPolygonF{
            {c.x() - 3 * u, c.y() - 1.5 * u * d}, {c.x() + 3 * u, c.y() - 1.5 * u * d}, {c.x(), c.y() + 2 * u * d}});
        break;
    }
    case Icon::Envelope: {
        const QRectF letter(c.x() - 3.5 * u, c.y() - 2.5 * u, 7 * u, 5 * u);
        painter.drawRect(letter);
        painter.setPen(QPen(palette::kFunctionCap, std::max(1.0, u * 0.6)));
        painter.drawPolyline(QPolygonF{letter.topLeft(), {c.x(), c.y() + 0.5 * u}, letter.topRight()});
        break;
    }
    case Icon::Loudspeaker: {
        painter.drawPolygon(QPolygonF{{c.x() - 4 * u, c.y() - 1.2 * u},
                                      {c.x() - 2.5 * u, c.y() - 1.2 * u},
                                      {c.x() + 0.5 * u, c.y() - 3.5 * u},
                                      {c.x() + 0.5 * u, c.y() + 3.5 * u},
                                      {c.x() - 2.5 * u, c.y() + 1.2 * u},
                                      {c.x() - 4 * u, c.y() + 1.2 * u}});
        painter.setPen(QPen(ink, std::max(1.0, u * 0.7)));
        painter.setBrush(Qt::NoBrush);
        for (qreal r : {2.0 * u, 3.6 * u}) {
            painter.drawArc(QRectF(c.x() + 0.5 * u - r, c.y() - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
        }
        break;
    }
    case Icon::None: break;
    }
}

void paintLegend(QPainter& painter, const QRectF& face, const Look& look, int pixels) {
    if (look.icon != Icon::None) paintIcon(painter, look.icon, face, look.ink);
    if (look.legend.isEmpty()) return;
    // The largest size up to `pixels` at which the legend fits the cap.
    QFont font = legendFont(pixels);
    while (font.pixelSize() > 5 && QFontMetricsF(font).horizontalAdvance(look.legend) > face.width() - 2) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    painter.setPen(look.ink);
    painter.setFont(font);
    painter.drawText(face, Qt::AlignCenter, look.legend);
}

// Dial keys carry their digit, and their letters below it where the cap is tall enough to read them.
void paintDialKey(QPainter& painter, FaceSize size, int key, const QRect& rect, bool pressed) {
    static const std::array<const char*, 16> kLetters{"OPER", "",     "ABC", "DEF", "GHI", "JKL", "MNO", "PQRS",
                                                      "TUV",  "WXYZ", "",    "",    "",    "",    "",    ""};
    const QRectF face = paintCap(painter, rect, palette::kDialCap, pressed);
    const QString digit = key == 14 ? QStringLiteral("*") : key == 15 ? QStringLiteral("#") : QString::number(key);
    const QString letters = QString::fromLatin1(kLetters[key]);
    painter.setPen(palette::kDialInk);
    const bool large = size == FaceSize::Large;
    if (large && !letters.isEmpty()) {
        painter.setFont(legendFont(13));
        painter.drawText(face.adjusted(0, 0, 0, -face.height() * 0.3), Qt::AlignHCenter | Qt::AlignBottom, digit);
        painter.setFont(legendFont(6, false));
        painter.drawText(face.adjusted(0, face.height() * 0.68, 0, 0), Qt::AlignHCenter | Qt::AlignTop, letters);
        return;
    }
    painter.setFont(legendFont(large ? 15 : 12));
    painter.drawText(face, Qt::AlignCenter, digit);
}

void paintLed(QPainter& painter, const QRect& rect, bool lit) {
    const QColor colour = lit ? palette::kLedLit : palette::kLedDark;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(rect), 1.2, 1.2);
    if (lit) painter.fillRect(QRectF(rect.x() + 1, rect.y() + 1, 1, 1), palette::kLedGlint);
}

void paintLogo(QPainter& painter, FaceSize size, const QRect& rect) {
    const QRectF badge = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(palette::kLogoRim, 1));
    painter.setBrush(palette::kLogo);
    painter.drawRoundedRect(badge, 4, 4);
    painter.setPen(palette::kLogoInk);
    painter.setFont(legendFont(size == FaceSize::Large ? 12 : 9));
    painter.drawText(badge.adjusted(0, 0, 0, -badge.height() * 0.18), Qt::AlignCenter, QStringLiteral("KEZ"));
    const qreal y = badge.bottom() - badge.height() * 0.24;
    painter.setPen(QPen(palette::kLogoSwoosh, size == FaceSize::Large ? 2 : 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(badge.left() + badge.width() * 0.22, y), QPointF(badge.right() - badge.width() * 0.22, y));
}

Look fixedKeyLook(int index) {
    const QColor cap = palette::kFunctionCap;
    const QColor ink = palette::kFunctionInk;
    switch (index) {
    case 0: return {palette::kLightCap, palette::kDialInk, QStringLiteral("Prog")};
    case 1: return {cap, ink, QStringLiteral("Fwd")};
    case 2: return {cap, ink, {}, Icon::Envelope};
    case 3: return {cap, ink, {}, Icon::Loudspeaker};
    case 4: return {cap, ink, QStringLiteral("Mute")};
    case 5: return {cap, ink, QStringLiteral("Vol+")};
    default: return {cap, ink, QStringLiteral("Vol\u2212")};
    }
}

Look keyLook(Control family, int index) {
    switch (family) {
    case Control::FIXED: return fixedKeyLook(index);
    case Control::BFBUTTON:
        if (index == 4) return {palette::kHoldCap, palette::kFunctionInk, QStringLiteral("Hold")};
        return {palette::kFunctionCap, palette::kFunctionInk, {}};
    case Control::DISPLAY:
        if (index < 3) return {palette::kLightCap, palette::kDialInk, {}};
        return {palette::kFunctionCap, palette::kFunctionInk, {}, index == 3 ? Icon::ScrollUp : Icon::ScrollDown};
    default: return {palette::kLightCap, palette::kDialInk, {}};
    }
}

} // namespace

void paintPicture(QPainter& painter, FaceSize size, const PictureRef& picture, const QRect& rect) {
    painter.save();
    painter.setClipRect(rect);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const bool down = picture.side == Side::Down;
    if (ombrel::face::isLed(picture.family)) {
        paintLed(painter, rect, down);
    } else if (picture.family == Control::KEZLogo) {
        paintLogo(painter, size, rect);
    } else if (picture.family == Control::DTMF) {
        paintDialKey(painter, size, picture.index, rect, down);
    } else {
        const Look look = keyLook(picture.family, picture.index);
        const QRectF face = paintCap(painter, rect, look.cap, down);
        paintLegend(painter, face, look, size == FaceSize::Large ? 9 : 7);
    }
    painter.restore();
}

} // namespace kez::facegen
