#pragma once
// The calling thread's last system error (errno), where callers expect a "last error".
#include <string>

namespace kez::sys {

int lastError();
void setLastError(int error);
std::string errorText(int error);

} // namespace kez::sys
