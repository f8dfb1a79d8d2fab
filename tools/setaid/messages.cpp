#include <cstdio>

#include "kez/ui/message_boxes.h"
#include "packet_driver.h"

namespace kez::setaid {

void showError(const char* format, std::int32_t code) {
    char text[500];
    std::snprintf(text, sizeof text, format, static_cast<int>(code));
    ui::showMessageBox(text, "Error: KEZ Packet Driver", ui::Icon::Exclamation, ui::Buttons::Ok);
}

} // namespace kez::setaid
