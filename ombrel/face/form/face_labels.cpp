#include "form/face_labels.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

#include "form/procedure_errors.h"
#include "layout/button_table.h"

namespace kez::ombrel {

namespace {

bool isEditFocus(const QEvent& event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent&>(event).reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

bool typesText(const QKeyEvent& key) {
    return !key.text().isEmpty() && key.text().at(0).isPrint() &&
           !(key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

// The key of label box `index`, by the button table.
std::optional<KeyId> labelKey(int index) {
    const auto rows = face::buttonRows();
    const auto row = std::ranges::find(rows, std::optional<int>(index), &face::ButtonRow::labelBox);
    if (row == rows.end()) return std::nullopt;
    return row->key;
}

// Whether typing `key` would take the box past the limit.
bool exceedsTypingLimit(const QLineEdit& box, const QKeyEvent& key) {
    if (!typesText(key)) return false;
    const auto kept = box.text().size() - box.selectedText().size();
    return kept + key.text().size() > FaceLabels::kTypingLimit;
}

} // namespace

FaceLabels::FaceLabels(QWidget& canvas, Hooks hooks) : QObject(&canvas), hooks_(std::move(hooks)) {
    QFont font(QStringLiteral("Small Fonts"));
    font.setPointSize(6);
    for (int index = 0; index < kBoxes; ++index) {
        auto* box = new QLineEdit(&canvas);
        box->setObjectName(QStringLiteral("txtLineLabels(%1)").arg(index));
        box->setFrame(false);
        box->setFont(font);
        // Only typing and the paste keys go past the limit check: no drops, no input methods.
        box->setAcceptDrops(false);
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
        box->setContextMenuPolicy(Qt::NoContextMenu);
        box->installEventFilter(this);
        boxes_[static_cast<std::size_t>(index)] = box;
    }
}

QLineEdit* FaceLabels::box(int index) const {
    if (index < 0 || index >= kBoxes) return nullptr;
    return boxes_[static_cast<std::size_t>(index)];
}

bool FaceLabels::eventFilter(QObject* watched, QEvent* event) {
    const auto found = std::ranges::find(boxes_, watched);
    if (found == boxes_.end()) return false;
    return boxEvent(static_cast<int>(found - boxes_.begin()), *event);
}

bool FaceLabels::boxEvent(int index, QEvent& event) {
    QLineEdit& box = *boxes_[static_cast<std::size_t>(index)];
    switch (event.type()) {
    case QEvent::FocusIn:
        if (!isEditFocus(event)) return false;
        // The shortcuts' keys still down are the face's no more.
        hooks_.editStarts();
        runReported("txtLineLabels_GotFocus", [&] { msSavedLabel_ = box.text().toStdString(); });
        return false;
    case QEvent::FocusOut:
        if (isEditFocus(event)) txtLineLabels_LostFocus(index);
        return false;
    case QEvent::KeyPress: return txtLineLabels_KeyPress(index, static_cast<const QKeyEvent&>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        // The middle button pastes the X selection, past the limit.
        return static_cast<const QMouseEvent&>(event).button() == Qt::MiddleButton;
    default: return false;
    }
}

void FaceLabels::txtLineLabels_LostFocus(int index) {
    runReported("txtLineLabels_LostFocus", [&] {
        ButtonCollection* buttons = hooks_.buttons();
        if (buttons == nullptr) return;
        // By the box's own key: a position in the collection shifts when a row of the build was lost.
        const auto key = labelKey(index);
        if (!key) return;
        const auto* button = buttons->find(keyTag(*key));
        if (button == nullptr || *button == nullptr) return;
        (*button)->sCaption(box(index)->text().toStdString());
        (*button)->RefreshButton(nullptr);
    });
}

bool FaceLabels::txtLineLabels_KeyPress(int index, const QKeyEvent& key) {
    QLineEdit& box = *boxes_[static_cast<std::size_t>(index)];
    bool handled = false;
    runReported("txtLineLabels_KeyPress", [&] {
        switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: txtLineLabels_LostFocus(index); break;
        case Qt::Key_Escape: box.setText(QString::fromStdString(msSavedLabel_)); break;
        default:
            if (key.matches(QKeySequence::Paste)) {
                // As much of the clipboard's first line as the limit leaves room for.
                const int room = kTypingLimit - static_cast<int>(box.text().size() - box.selectedText().size());
                const QString text = QApplication::clipboard()->text().section(QLatin1Char('\n'), 0, 0);
                if (room > 0) box.insert(text.left(room));
                handled = true;
            } else {
                handled = exceedsTypingLimit(box, key);
            }
            return;
        }
        // The caret back at the start, so that the whole label shows.
        box.setCursorPosition(0);
        handled = true;
        hooks_.editEnds();
    });
    return handled;
}

} // namespace kez::ombrel
