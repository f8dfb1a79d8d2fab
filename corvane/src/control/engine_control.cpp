// The engine's side of the control handlers: the message objects read into plain values, and
// the services the handlers call, carried out on the endpoint, the status thread and the window.
#include "engine_object.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/jip_message.h"
#include "shared/collaborators.h"
#include "shared/reports.h"

namespace kez::corvane {

bool Engine::allMulticast() const { return com::isVariantTrue(settings_.allMulticast); }

HRESULT Engine::setAllMulticast(bool on) { return endPoint_->put_bAllMulticast(com::toVariantBool(on)); }

HRESULT Engine::joinGroup(GroupKind kind, const Variant& address) {
    return kind == GroupKind::Ip ? endPoint_->AddMulticastIP(address) : endPoint_->AddMulticastMac(address);
}

HRESULT Engine::leaveGroup(GroupKind kind, const Variant& address) {
    return kind == GroupKind::Ip ? endPoint_->DeleteMulticastIP(address) : endPoint_->DeleteMulticastMac(address);
}

HRESULT Engine::setChannelParameters(const Variant& callServerMac) {
    return endPoint_->SetChannelParameters(callServerMac);
}

HRESULT Engine::sendReportIpInfo() {
    const ReportFields fields = reportFields(state_.snapshot(), defaultDestinationMac_);
    return sendReportIPInfo(*endPoint_, fields, state_.takeSystemStateCount());
}

// The kept message still carries its receive path: the set's own address and the receive
// flags. Readdressed, it goes to the bound call server on the control header.
HRESULT Engine::sendToCallServer(const com::Ptr<com::Object>& message) {
    com::Ptr<linkor::IJIPMessage> jip;
    const SharedFields f = state_.snapshot();
    return firstFailure([&] { return com::query(message, jip); }, [&] { return jip->put_varDestMac(f.vuruvMac); },
                        [&] { return jip->put_varDestIP(f.vuruvIp); },
                        [&] { return jip->put_nHeaderBitMap(static_cast<std::int16_t>(f.controlBits)); },
                        [&] { return jip->put_nIPTOS(static_cast<std::int16_t>(f.controlTos)); },
                        [&] { return jip->put_nTCI(static_cast<std::int16_t>(f.controlTci)); },
                        [&] { return endPoint_->SendPacket(message); });
}

bool Engine::sharedWave() const { return com::isVariantTrue(settings_.shareWave); }

HRESULT Engine::openPlayDevice() { return waves_.openPlay(settings_.wave); }

HRESULT Engine::openRecordDevice() { return waves_.openRecord(settings_.wave, false); }

bool Engine::waveDevicesOpen() const { return waves_.playOpen() && waves_.record(); }

void Engine::setStatusPeriod(std::int64_t milliseconds) { statusPeriodMs_ = milliseconds; }

void Engine::wakeStatus() { status_.signal(); }

void Engine::post(apt::Message message) { windowHandle_.post(std::move(message)); }

void Engine::postError(HRESULT hr, std::string text) { postEngineError(windowHandle_, hr, std::move(text)); }

} // namespace kez::corvane
