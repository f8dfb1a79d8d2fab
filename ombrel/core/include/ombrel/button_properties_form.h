#pragma once
// ButtonPropertiesForm: the modal dialog in which the user edits the label and tool-tip text of one
// programmable key. It changes the key only through its button object, which shows and stores the texts.
#include <memory>

#include <QDialog>
#include <QPointer>

#include "ombrel/button_interface.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kez::ombrel {

class ButtonPropertiesForm : public QDialog {
public:
    explicit ButtonPropertiesForm(QWidget* parent = nullptr);

    // The key to edit and its label box on the form (null when the form has none). Any text is taken, the
    // empty one too.
    void InitializeForButton(std::shared_ptr<ButtonInterface> button, QLineEdit* labelBox);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cmdOk_Click();

    std::shared_ptr<ButtonInterface> button_;
    QPointer<QLineEdit> labelBox_;
    QLabel* lblLabel_;
    QLineEdit* txtLabel_;
    QLineEdit* txtDescription_;
};

} // namespace kez::ombrel
