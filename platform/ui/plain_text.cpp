#include "kez/ui/plain_text.h"

#include <QLabel>
#include <QTextDocument>

namespace kez::ui {

void showPlainText(QLabel& label) { label.setTextFormat(Qt::PlainText); }

QString plainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace kez::ui
