#pragma once
// The process's windows by title, for findWindow.
#include <string>

#include "kez/apt/hidden_window.h"

namespace kez::apt::detail {

void registerWindow(std::string title, const WindowHandle& window);
void unregisterWindow(const WindowHandle& window);

} // namespace kez::apt::detail
