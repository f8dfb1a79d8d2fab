#pragma once
// The wizard's own error box, for errors no procedure below the program's entry or the window's
// initialisation handles: "Description: <text> ,  Error #: <number>", critical, titled "Error".
#include <cstdint>
#include <string>

namespace kez::wizard {

struct WizardError {
    std::int32_t number = 0;
    std::string description;
};

// The exception being handled as a run-time error: the forms language's own as it is, std::bad_alloc as
// 7 "Out of memory", anything else as 51 with its message. Call only inside a catch block.
WizardError currentError();
void showErrorBox(const WizardError& error);

} // namespace kez::wizard
