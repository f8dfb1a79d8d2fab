#pragma once
// Text that others wrote (a call server's display lines, captions and tool tips from the settings) is shown as
// it stands: Qt would otherwise take anything that looks like markup for rich text and draw it.
#include <QString>

class QLabel;

namespace kez::ui {

// The label shows its text literally from now on.
void showPlainText(QLabel& label);

// A tool tip that shows `text` literally: unchanged when Qt would show it so anyway, else the text escaped
// inside rich text that keeps its line breaks and blanks.
QString plainToolTip(const QString& text);

} // namespace kez::ui
