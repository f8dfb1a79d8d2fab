// Editing the label boxes of the programmable keys: the text a box had when it got the focus comes back on
// Escape; Enter, or the focus leaving, stores the box's text as its key's caption. Focus that only follows the
// window's activation or a pop-up menu is no edit's beginning or end.
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

#include "form/kz_set_phone_form.h"
#include "form/procedure_errors.h"

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

} // namespace

void KzSetPhoneForm::setUpLabelBox(QLineEdit& box) {
    // Only typing and the paste keys go past the limit check: no drops, no input methods.
    box.setAcceptDrops(false);
    box.setAttribute(Qt::WA_InputMethodEnabled, false);
    box.setContextMenuPolicy(Qt::NoContextMenu);
    box.installEventFilter(this);
}

int KzSetPhoneForm::labelIndex(const QObject* watched) const {
    const auto found = std::ranges::find(txtLineLabels_, watched);
    return found == txtLineLabels_.end() ? -1 : static_cast<int>(found - txtLineLabels_.begin());
}

bool KzSetPhoneForm::labelBoxEvent(int index, QEvent& event) {
    QLineEdit& box = *txtLineLabels(index);
    switch (event.type()) {
    case QEvent::FocusIn:
        if (!isEditFocus(event)) return false;
        // The shortcuts' keys still down are the face's no more.
        releaseHeldKeys();
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

void KzSetPhoneForm::txtLineLabels_LostFocus(int index) {
    runReported("txtLineLabels_LostFocus", [&] {
        if (moUIWrapper_ == nullptr) return;
        // By the box's own key: a position in the collection shifts when a row of the build was lost.
        const auto key = labelKey(index);
        if (!key) return;
        const auto* button = moUIWrapper_->colButtons().find(keyTag(*key));
        if (button == nullptr || *button == nullptr) return;
        (*button)->sCaption(txtLineLabels(index)->text().toStdString());
        (*button)->RefreshButton(nullptr);
    });
}

bool KzSetPhoneForm::txtLineLabels_KeyPress(int index, const QKeyEvent& key) {
    QLineEdit& box = *txtLineLabels(index);
    bool handled = false;
    runReported("txtLineLabels_KeyPress", [&] {
        switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: txtLineLabels_LostFocus(index); break;
        case Qt::Key_Escape: box.setText(QString::fromStdString(msSavedLabel_)); break;
        default:
            if (key.matches(QKeySequence::Paste)) {
                // As much of the clipboard's first line as the limit leaves room for.
                const int room = kLabelTypingLimit - static_cast<int>(box.text().size() - box.selectedText().size());
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
        focusDummy();
    });
    return handled;
}

bool KzSetPhoneForm::exceedsTypingLimit(const QLineEdit& box, const QKeyEvent& key) const {
    if (!typesText(key)) return false;
    const auto kept = box.text().size() - box.selectedText().size();
    return kept + key.text().size() > kLabelTypingLimit;
}

} // namespace kez::ombrel
