#include "kez/sys/last_error.h"

#include <cerrno>
#include <cstring>

namespace kez::sys {

int lastError() { return errno; }

void setLastError(int error) { errno = error; }

std::string errorText(int error) {
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer); // GNU form: returns the text to use
}

} // namespace kez::sys
