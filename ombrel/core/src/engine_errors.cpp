#include "ombrel/engine_errors.h"

#include "kez/vb/conversions.h"

namespace kez::ombrel {
namespace {

constexpr std::string_view kContact = "Please contact your technical support representative.";

std::string occurredIn(std::string_view where) {
    return "This error has occurred in the " + std::string(where) + ". " + std::string(kContact);
}

std::string unknownSource() { return "The source of this error is unknown. " + std::string(kContact); }

} // namespace

EngineErrorClass classifyEngineError(std::int32_t number) {
    const auto bits = static_cast<std::uint32_t>(number);
    const auto top16 = bits >> 16;
    const auto top20 = bits >> 12;
    const auto low12 = bits & 0xFFFu;
    if (top16 == 0x8007) return {occurredIn("WIN32 subsystem"), "WIN32 Error"};
    if (top16 != 0x8004) {
        if (bits == 0x80004005u) return {" " + std::string(kContact), "Network Error"};
        return {unknownSource(), "Unknown"};
    }
    switch (top20) {
    case 0x80041: return {occurredIn("Wave Audio object"), "Wave Object Error"};
    case 0x80043:
        if (low12 == 2) {
            return {"This error has occurred in the Winsock subsystem. Please check your IP configuration. "
                    "Especially your KEZ system IP address.",
                    "Engine Winsock Error"};
        }
        return {occurredIn("Engine object"), "Engine Error"};
    case 0x80046: return {occurredIn("Communications object"), "Communications Error"};
    case 0x80042:
        if (low12 == 4) return {"The likely cause of this error is lack of full duplex audio.", "Multimedia Error"};
        if (low12 == 0x200) {
            return {"This error indicates an inability to perform required audio compression conversions. "
                    "Check your codecs.",
                    "Multimedia Error"};
        }
        return {occurredIn("Multimedia subsystem"), "Multimedia Error"};
    default: return {unknownSource(), "Unknown"};
    }
}

std::string engineErrorText(std::int32_t number, std::string_view context, std::string_view message) {
    return "Error code:   [" + vb::hex(number) + "H]\r\nError message: " + std::string(message) +
           "\r\nContext: " + std::string(context) + "\r\n\r\n" + classifyEngineError(number).explanation;
}

} // namespace kez::ombrel
