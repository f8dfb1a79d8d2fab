#include <exception>

#include "kez/com/hresult.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "kez/vb/log.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {

void gLogMessage(std::string_view text) { vb::logMessage(text); }

void gLogError(std::int32_t number, std::string_view context, std::string_view message) {
    gLogMessage(vb::errorLogText(number, context, gEngineErrorHint(number, message)));
}

bool gRunLogged(std::string_view context, const std::function<void()>& body) noexcept {
    try {
        body();
        return true;
    } catch (const vb::RuntimeError& error) {
        gLogError(error.number(), context, error.description());
    } catch (const std::exception& error) {
        gLogError(com::E_FAIL, context, error.what());
    }
    return false;
}

std::string gEngineErrorHint(std::int32_t number, std::string_view message) {
    if (number == kAudioStreamError) {
        return "Error running audio stream from engine.  Could be caused by accidentally running\n"
               "Ombrel and the configuration wizard at the same time.";
    }
    if (number == kAudioCodecError) {
        return "Cannot find/access specified audio codec.  Ensure that the required\n"
               "audio codecs are available on the system, and are enabled for use.";
    }
    return std::string(message);
}

void gReportError(std::int32_t number, std::string_view title, std::string_view context, bool log) {
    if (log) gLogError(number, title, context);
    ui::showMessageBox("Error code [" + vb::hex(number) + "H]\r\n\r\n" + gEngineErrorHint(number, context), title,
                       ui::Icon::Critical);
}

} // namespace kez::ombrel
