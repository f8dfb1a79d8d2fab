#include "dialog_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "kez/ui/message_boxes.h"
#include "kez/ui/named.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::wizard {

using ui::named;

QPushButton* namedButton(const char* name, const QString& caption) { return named(new QPushButton(caption), name); }

QCheckBox* namedCheckBox(const char* name, const QString& caption) { return named(new QCheckBox(caption), name); }

QRadioButton* namedOption(const char* name, const QString& caption) { return named(new QRadioButton(caption), name); }

QLineEdit* namedLineEdit(const char* name, int maxLength) {
    auto* edit = named(new QLineEdit, name);
    if (maxLength > 0) {
        edit->setMaxLength(maxLength);
        // Room for a full box of digits, with its frame and cursor.
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(maxLength, QLatin1Char('0'))) + 12);
    }
    return edit;
}

QComboBox* namedComboBox(const char* name) { return named(new QComboBox, name); }

QLabel* pageText(const QString& text, const char* name) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    if (name != nullptr) label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* fieldLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

void explain(std::string_view text, std::string_view title) { ui::showMessageBox(text, title, ui::Icon::Information); }

QVBoxLayout* pageColumn(QWidget& page, std::initializer_list<QString> texts) {
    auto* layout = new QVBoxLayout(&page);
    for (const auto& text : texts)
        layout->addWidget(pageText(text));
    return layout;
}

QBoxLayout* buttonRow(std::initializer_list<QWidget*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QWidget* button : buttons)
        row->addWidget(button);
    return row;
}

void centreWhenLoaded(QDialog& dialog) {
    dialog.adjustSize();
    ombrel::gCenterForm(dialog);
}

} // namespace kez::wizard
