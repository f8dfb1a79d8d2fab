#include "ombrel/key_text_filter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace kez::ombrel {
namespace {

constexpr char16_t kLastAscii = 0x7F;
constexpr char16_t kBackspace = 0x08;

// Keys that move, edit or act on the dialog rather than type a character.
bool passesUnfiltered(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete: return true;
    default: return key.text().isEmpty();
    }
}

bool isPasteOrDrop(const QEvent& event) {
    switch (event.type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // The X selection is pasted by the middle button.
        return static_cast<const QMouseEvent&>(event).button() == Qt::MiddleButton;
    default: return false;
    }
}

class KeyTextFilter final : public QObject {
public:
    KeyTextFilter(QLineEdit& edit, KeyAsciiFilter filter, KeyPassed passed)
        : QObject(&edit), filter_(std::move(filter)), passed_(std::move(passed)) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) return !letThrough(static_cast<const QKeyEvent&>(*event));
        return isPasteOrDrop(*event);
    }

private:
    bool letThrough(const QKeyEvent& key) const {
        if (key.matches(QKeySequence::Paste)) return false;
        // Backspace is a character to the filters, whatever text the platform gives it.
        const QString text = key.key() == Qt::Key_Backspace ? QString(QChar(kBackspace)) : key.text();
        if (key.key() != Qt::Key_Backspace && passesUnfiltered(key)) return true;
        if (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
        for (const QChar c : text) {
            if (c.unicode() > kLastAscii || filter_(static_cast<std::int16_t>(c.unicode())) == 0) return false;
        }
        if (passed_) {
            for (const QChar c : text)
                passed_(static_cast<std::int16_t>(c.unicode()));
        }
        return true;
    }

    KeyAsciiFilter filter_;
    KeyPassed passed_;
};

} // namespace

void filterKeyText(QLineEdit& edit, KeyAsciiFilter filter, KeyPassed passed) {
    edit.setContextMenuPolicy(Qt::NoContextMenu);
    edit.setAcceptDrops(false);
    edit.setAttribute(Qt::WA_InputMethodEnabled, false);
    edit.installEventFilter(new KeyTextFilter(edit, std::move(filter), std::move(passed)));
}

} // namespace kez::ombrel
