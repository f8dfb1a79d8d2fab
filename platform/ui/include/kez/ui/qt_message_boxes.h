#pragma once
// The programs' message boxes: QMessageBox, on the GUI thread whatever thread asks.
#include "kez/ui/message_boxes.h"

namespace kez::ui {

class QtMessageBoxes : public MessageBoxes {
public:
    Answer show(const MessageBox& box) override;
};

// Makes every box of this process a QMessageBox; needs a QApplication.
void installQtMessageBoxes();

} // namespace kez::ui
