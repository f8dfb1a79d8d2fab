// The control messages read from their objects into the plain values the handlers take. A
// member that cannot be read ends the message with the callee's error.
#include "engine_object.h"
#include "kez/com/array_routines.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/jip_message.h"
#include "shared/collaborators.h"

namespace kez::corvane {
namespace {

constexpr std::size_t kLedMapBytes = 48;

// The message's own interface and its sender, revision and device handle.
template <class Message>
HRESULT readOrigin(const com::Ptr<com::Object>& object, com::Ptr<Message>& message, ControlOrigin& origin) {
    com::Ptr<linkor::IJIPMessage> jip;
    return firstFailure([&] { return com::query(object, message); }, [&] { return com::query(object, jip); },
                        [&] { return jip->get_varSourceMac(origin.sourceMac); },
                        [&] { return message->get_nProtocolRevision(origin.revision); },
                        [&] { return message->get_nDeviceHandle(origin.deviceHandle); });
}

HRESULT readUiState(const com::Ptr<com::Object>& object, UiStateMessage& m) {
    com::Ptr<linkor::IUIStateControlMsg> ui;
    std::int16_t keys = 0;
    Variant leds;
    const HRESULT hr = firstFailure(
        [&] { return readOrigin(object, ui, m.origin); }, [&] { return ui->get_nKeyControl(keys); },
        [&] { return ui->get_varLEDStates(leds); }, [&] { return ui->get_nTODMode(m.display.todMode); },
        [&] { return ui->get_sDisplayLine(0, m.display.line1); },
        [&] { return ui->get_sDisplayLine(1, m.display.line2); },
        [&] { return ui->get_nDeviceIdleStatus(m.display.deviceIdleStatus); },
        [&] { return ui->get_nSpkrCallProgTone(m.tone); }, [&] { return ui->get_nSpkrCallProgMode(m.toneMode); },
        [&] { return ui->get_nSpkrCallProgDur(m.toneDuration); },
        [&] { return ui->get_nSpkrAlertSigTone(m.alertTone); }, [&] { return ui->get_nSpkrAlertSigMode(m.alertMode); },
        [&] { return ui->get_nSpkrAlertSigCad(m.alertCadence); },
        [&] { return ui->get_nSpkrAlertSigCycles(m.alertCycles); });
    m.object = object;
    m.keyControl = static_cast<std::uint16_t>(keys);
    m.ledsRead = com::GetSafeArray(leds, m.leds);
    return hr;
}

HRESULT readLedMap(linkor::ILEDMappingMsg& message, LedMap& map) {
    Variant bytes;
    std::array<std::uint8_t, kLedMapBytes> raw{};
    const HRESULT hr =
        firstFailure([&] { return message.get_varLEDMap(bytes); }, [&] { return com::GetSafeArray(bytes, raw); });
    for (std::size_t i = 0; i < map.size(); ++i) {
        const std::uint8_t* entry = raw.data() + 4 * i;
        map[i] = {static_cast<std::uint16_t>(entry[0] << 8 | entry[1]),
                  static_cast<std::uint16_t>(entry[2] << 8 | entry[3])};
    }
    return hr;
}

} // namespace

void Engine::uiStateReceived(const com::Ptr<com::Object>& object) {
    UiStateMessage message;
    if (const HRESULT hr = readUiState(object, message); com::FAILED(hr))
        return postCalleeError(hr, linkor::IUIStateControlMsg::iid);
    control_.uiState(std::move(message));
}

void Engine::ledMappingReceived(const com::Ptr<com::Object>& object) {
    com::Ptr<linkor::ILEDMappingMsg> message;
    ControlOrigin origin;
    LedMap map{};
    const HRESULT hr =
        firstFailure([&] { return readOrigin(object, message, origin); }, [&] { return readLedMap(*message, map); });
    if (com::FAILED(hr)) return postCalleeError(hr, linkor::ILEDMappingMsg::iid);
    control_.ledMapping(origin, map);
}

void Engine::playDtmfReceived(const com::Ptr<com::Object>& object) {
    com::Ptr<linkor::IPlayDTMFMsg> message;
    ControlOrigin origin;
    if (const HRESULT hr = readOrigin(object, message, origin); com::FAILED(hr))
        return postCalleeError(hr, linkor::IPlayDTMFMsg::iid);
    control_.playDtmf(origin, object);
}

void Engine::commandReceived(const com::Ptr<com::Object>& object) {
    com::Ptr<linkor::ICommandMsg> message;
    ControlOrigin origin;
    std::int16_t command = 0, qualifier = 0;
    const HRESULT hr = firstFailure([&] { return readOrigin(object, message, origin); },
                                    [&] { return message->get_nCommand(command); },
                                    [&] { return message->get_nQualifier(qualifier); });
    if (com::FAILED(hr)) return postCalleeError(hr, linkor::ICommandMsg::iid);
    control_.command(origin, command, qualifier);
}

// Replaced in the order telephone, park, trunk; a copy that fails leaves it and those after
// it empty, and ends the message's handling (false).
bool Engine::takeLedArrays(linkor::ISystemStateMsg& message) {
    LedArrays arrays;
    using Member = HRESULT (linkor::ISystemStateMsg::*)(Variant&);
    const std::pair<Member, std::optional<std::vector<std::uint8_t>>*> members[] = {
        {&linkor::ISystemStateMsg::get_varKzSetLEDStates, &arrays.telephone},
        {&linkor::ISystemStateMsg::get_varParkLEDStates, &arrays.park},
        {&linkor::ISystemStateMsg::get_varTlimLEDStates, &arrays.trunk}};
    for (const auto& [member, array] : members) {
        Variant value;
        std::vector<std::uint8_t> bytes;
        HRESULT hr = (message.*member)(value);
        if (com::SUCCEEDED(hr)) hr = com::GetSafeArrayEx(value, bytes);
        if (com::FAILED(hr)) {
            control_.takeLedArrays(std::move(arrays));
            postEngineError(windowHandle_, hr, "GetSafeArrayEx failed");
            return false;
        }
        *array = std::move(bytes);
    }
    control_.takeLedArrays(std::move(arrays));
    control_.refreshLeds();
    return true;
}

} // namespace kez::corvane
