// Pages: a one-way announcement from the call server's page group, heard only by an idle set.
// While it plays the adapter takes every multicast frame, and the set does not ring.
#include "call_audio.h"
#include "corvane/errors.h"
#include "kez/com/array_routines.h"
#include "kez/com/error_info.h"
#include "linkor/incoming_interfaces.h"
#include "shared/engine_messages.h"

namespace kez::corvane {

void CallAudio::page(const PageMessage& m) {
    const SharedFields f = state_.snapshot();
    if (!f.bound || !com::ArraysEqual(m.sourceMac, f.vuruvMac)) return;
    if (m.revision != f.protocolRevision) {
        services_.postError(corvaneError(ENGINE_PROTOCOL_ERROR), "Invalid Protocol Slave Page");
        return;
    }
    if (m.connectionType == kNoAudio) {
        endPage();
        return;
    }
    if (!pageIsWelcome(m)) return;
    services_.post(
        {kMsgCallProgressUpdate, 0, 0, apt::Payload::of(CallProgressTone{m.tone, m.toneMode, m.toneDuration})});
    connections_.releaseAll();
    pageActive_ = true;
    if (!com::isVariantTrue(f.forceLevel3)) {
        if (const com::HRESULT hr = services_.setAllMulticast(true); com::FAILED(hr))
            postCallee(hr, linkor::IEndPoint::iid);
    }
    if (services_.sharedWave() && com::FAILED(services_.openPlayDevice())) {
        com::takeErrorInfo();
        return;
    }
    auto connection =
        std::make_unique<AudioConnection>(m.connectionType, Addressing{m.headerBits, 0, 0, m.otherMac, {}}, m.otherVdn);
    connection->setMulticast(services_.endPoint(), m.multicastMac, m.multicastIp);
    connection->setFormat(m.compression);
    connection->attach(services_.playObject());
    connections_.append(std::move(connection));
}

// Only an idle set takes a page: no audio connection, not sending, its device idle (a device
// the page does not list is not), not ringing.
bool CallAudio::pageIsWelcome(const PageMessage& m) {
    sys::CriticalSectionLock hold(connections_.lock());
    if (!connections_.empty()) return false;
    {
        std::lock_guard send(sendLock_);
        if (send_.sending() && services_.recordObject()) return false;
    }
    return m.ownDeviceState == 1 && services_.keptAlertMode() == 0;
}

void CallAudio::endPage() {
    if (!pageActive_) return;
    pageActive_ = false;
    connections_.releaseAll();
    if (com::isVariantTrue(state_.snapshot().forceLevel3)) return;
    if (const com::HRESULT hr = services_.setAllMulticast(services_.allMulticast()); com::FAILED(hr))
        postCallee(hr, linkor::IEndPoint::iid);
}

} // namespace kez::corvane
