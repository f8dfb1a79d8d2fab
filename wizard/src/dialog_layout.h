#pragma once
// Building blocks of the wizard's windows: controls named as the forms name them (tests and later dialogs
// find them by that name), rows of buttons, word-wrapped texts and the centring on load.
#include <QString>

#include <initializer_list>
#include <string_view>

class QBoxLayout;
class QVBoxLayout;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kez::wizard {

QPushButton* namedButton(const char* name, const QString& caption);
QCheckBox* namedCheckBox(const char* name, const QString& caption);
QRadioButton* namedOption(const char* name, const QString& caption);
QLineEdit* namedLineEdit(const char* name, int maxLength = 0);
QComboBox* namedComboBox(const char* name);
// A text that wraps at the page's width; named when given a name.
QLabel* pageText(const QString& text, const char* name = nullptr);
// The page's column of word-wrapped texts; the page adds its controls and a stretch below them.
QVBoxLayout* pageColumn(QWidget& page, std::initializer_list<QString> texts);
// A label that names `buddy` and gives it the focus on its mnemonic.
QLabel* fieldLabel(const QString& text, QWidget* buddy);
// An information box about the page's controls.
void explain(std::string_view text, std::string_view title = {});
// The buttons side by side, pushed to the right.
QBoxLayout* buttonRow(std::initializer_list<QWidget*> buttons);
// Sizes the dialog to its contents and centres it on the screen.
void centreWhenLoaded(QDialog& dialog);

} // namespace kez::wizard
