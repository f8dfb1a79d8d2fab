// The control messages read from their objects into the plain values the handlers take. A
// member that cannot be read ends the message with the callee's error.
#include "control_handlers.h"
#include "kez/com/array_routines.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/jip_message.h"
#include "shared/collaborators.h"

namespace kez::corvane {
namespace {

constexpr std::size_t kLedMapBytes = 48;

// The message's own interface and its sender, revision and device handle.
template <class Message>
com::HRESULT readOrigin(const com::Ptr<com::Object>& object, com::Ptr<Message>& message, ControlOrigin& origin) {
    com::Ptr<linkor::IJIPMessage> jip;
    return firstFailure([&] { return com::query(object, message); }, [&] { return com::query(object, jip); },
                        [&] { return jip->get_varSourceMac(origin.sourceMac); },
                        [&] { return message->get_nProtocolRevision(origin.revision); },
                        [&] { return message->get_nDeviceHandle(origin.deviceHandle); });
}

com::HRESULT readUiState(const com::Ptr<com::Object>& object, UiStateMessage& m) {
    com::Ptr<linkor::IUIStateControlMsg> ui;
    std::int16_t keys = 0;
    com::Variant leds;
    const com::HRESULT hr = firstFailure(
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

com::HRESULT readLedMap(linkor::ILEDMappingMsg& message, LedMap& map) {
    com::Variant bytes;
    std::array<std::uint8_t, kLedMapBytes> raw{};
    const com::HRESULT hr =
        firstFailure([&] { return message.get_varLEDMap(bytes); }, [&] { return com::GetSafeArray(bytes, raw); });
    for (std::size_t i = 0; i < map.size(); ++i) {
        const std::uint8_t* entry = raw.data() + 4 * i;
        map[i] = {static_cast<std::uint16_t>(entry[0] << 8 | entry[1]),
                  static_cast<std::uint16_t>(entry[2] << 8 | entry[3])};
    }
    return hr;
}

} // namespace

void ControlHandlers::setInitReceived(const com::Ptr<com::Object>& object) {
    com::Ptr<linkor::IKzSetInitMsg> init;
    com::Ptr<linkor::IJIPMessage> jip;
    com::HRESULT hr = com::query(object, init);
    if (com::SUCCEEDED(hr)) hr = com::query(object, jip);
    if (com::FAILED(hr)) return services_.postCalleeError(hr, linkor::IKzSetInitMsg::iid);
    SetInitMessage m;
    std::int16_t received = 0, bits = 0, tos = 0, tci = 0;
    hr = firstFailure(
        [&] { return jip->get_varSourceMac(m.sourceMac); }, [&] { return jip->get_varSourceIP(m.sourceIp); },
        [&] { return jip->get_nHeaderBitMap(received); }, [&] { return init->get_nProtocolRevision(m.revision); },
        [&] { return init->get_nDeviceHandle(m.deviceHandle); }, [&] { return init->get_nControlHeaderBits(bits); },
        [&] { return init->get_nControlIPTOS(tos); }, [&] { return init->get_nControlTCI(tci); },
        [&] { return init->get_varSystemStateMac(m.systemStateMac); },
        [&] { return init->get_varSystemStateIP(m.systemStateIp); }, [&] { return init->get_varPageMac(m.pageMac); },
        [&] { return init->get_varPageIP(m.pageIp); },
        [&] { return init->get_nStatusUpdatePeriod(m.statusUpdatePeriod); });
    if (com::FAILED(hr)) return services_.postCalleeError(hr, linkor::IKzSetInitMsg::iid);
    m.receivedBits = static_cast<std::uint16_t>(received);
    m.controlBits = static_cast<std::uint16_t>(bits);
    m.controlTos = static_cast<std::uint16_t>(tos);
    m.controlTci = static_cast<std::uint16_t>(tci);
    setInit(m);
}

void ControlHandlers::uiStateReceived(const com::Ptr<com::Object>& object) {
    UiStateMessage message;
    if (const com::HRESULT hr = readUiState(object, message); com::FAILED(hr))
        return services_.postCalleeError(hr, linkor::IUIStateControlMsg::iid);
    uiState(std::move(message));
}

void ControlHandlers::ledMappingReceived(const com::Ptr<com::Object>& object) {
    com::Ptr<linkor::ILEDMappingMsg> message;
    ControlOrigin origin;
    LedMap map{};
    const com::HRESULT hr =
        firstFailure([&] { return readOrigin(object, message, origin); }, [&] { return readLedMap(*message, map); });
    if (com::FAILED(hr)) return services_.postCalleeError(hr, linkor::ILEDMappingMsg::iid);
    ledMapping(origin, map);
}

void ControlHandlers::playDtmfReceived(const com::Ptr<com::Object>& object) {
    com::Ptr<linkor::IPlayDTMFMsg> message;
    ControlOrigin origin;
    if (const com::HRESULT hr = readOrigin(object, message, origin); com::FAILED(hr))
        return services_.postCalleeError(hr, linkor::IPlayDTMFMsg::iid);
    playDtmf(origin, object);
}

void ControlHandlers::commandReceived(const com::Ptr<com::Object>& object) {
    com::Ptr<linkor::ICommandMsg> message;
    ControlOrigin origin;
    std::int16_t number = 0, qualifier = 0;
    const com::HRESULT hr =
        firstFailure([&] { return readOrigin(object, message, origin); }, [&] { return message->get_nCommand(number); },
                     [&] { return message->get_nQualifier(qualifier); });
    if (com::FAILED(hr)) return services_.postCalleeError(hr, linkor::ICommandMsg::iid);
    command(origin, number, qualifier);
}

} // namespace kez::corvane
