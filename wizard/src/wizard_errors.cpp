#include "wizard_errors.h"

#include <exception>
#include <new>

#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"

namespace kez::wizard {
namespace {

constexpr std::int32_t kOutOfMemory = 7;
constexpr std::int32_t kInternalError = 51;

} // namespace

WizardError currentError() {
    try {
        throw;
    } catch (const vb::RuntimeError& error) {
        return {error.number(), error.description()};
    } catch (const std::bad_alloc&) {
        return {kOutOfMemory, "Out of memory"};
    } catch (const std::exception& error) {
        return {kInternalError, error.what()};
    } catch (...) {
        return {kInternalError, "Internal error"};
    }
}

void showErrorBox(const WizardError& error) {
    ui::showMessageBox("Description: " + error.description + " ,  Error #: " + vb::decimalText(error.number), "Error",
                       ui::Icon::Critical);
}

} // namespace kez::wizard
