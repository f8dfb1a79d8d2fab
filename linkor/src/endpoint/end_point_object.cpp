// EndPoint: construction, Open, Close, the window procedure and the event connection.
#include "end_point_object.h"

#include <chrono>
#include <thread>

#include "kez/apt/apartment.h"
#include "kez/com/error_info.h"
#include "kez/sys/last_error.h"
#include "linkor/errors.h"

namespace kez::linkor {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kProgId = "Linkor.EndPoint.1";
constexpr std::string_view kWindowTitle = "EndPointWindow";
constexpr std::uint32_t kFilterDirectedMulticastBroadcast = 11;
constexpr std::uint32_t kFilterDirectedAllMulticastBroadcast = 13;
constexpr std::chrono::milliseconds kCloseGrace = 200ms;
constexpr sys::Timeout kDrainWait = 250ms;
constexpr sys::Timeout kCloseJoinLimit = 3000ms;
constexpr sys::Timeout kForeignDrainStep = 10ms;

} // namespace

std::uint32_t packetFilterFor(bool allMulticast) {
    return allMulticast ? kFilterDirectedAllMulticastBroadcast : kFilterDirectedMulticastBroadcast;
}

EndPoint::EndPoint() : window_(std::string(kWindowTitle), [this](apt::Message& m) { return onMessage(m); }) {}

EndPoint::~EndPoint() {
    if (open_) shutDown(sys::kInfinite);
}

com::Ptr<com::Object> makeEndPoint() {
    auto endPoint = std::make_shared<EndPoint>();
    if (!endPoint->created()) return nullptr;
    return endPoint;
}

HRESULT EndPoint::fail(HRESULT hr, std::string_view text) const {
    return com::reportError(hr, std::string(text), std::string(kProgId), IEndPoint::iid);
}

HRESULT EndPoint::supportsErrorInfo(const com::Guid& interfaceId) const {
    return interfaceId == IEndPoint::iid ? com::S_OK : com::S_FALSE;
}

HRESULT EndPoint::ensureAdapters() {
    if (!adapters_) adapters_ = listAdapters();
    return adapters_ ? com::S_OK : fail(linkorError(LINKOR_J5_ERROR), "J5GetAdapterNames failed");
}

// An endpoint opens once: a second Open would clear the context of a running interface.
HRESULT EndPoint::Open() {
    if (open_) return fail(com::E_UNEXPECTED, "The endpoint is already open");
    if (state_->closing) return fail(com::E_UNEXPECTED, "The endpoint was closed");
    state_->context = J5NetIf{};
    if (const HRESULT hr = ensureAdapters(); com::FAILED(hr)) return hr;
    if (adapters_->names.empty()) return fail(linkorError(LINKOR_J5_ERROR), "No network adapters installed");
    if (adapter_ < -1 || adapter_ >= static_cast<std::int32_t>(adapters_->names.size())) {
        return fail(com::E_INVALIDARG, "No network adapter with that number");
    }
    if (const HRESULT hr = startInterface(); com::FAILED(hr)) return hr;
    if (const HRESULT hr = startThreads(); com::FAILED(hr)) return hr;
    tables_.forgetIps();
    tables_.applyMacs(*this);
    {
        std::lock_guard lock(ownMacLock_);
        J5GetSourceMACAddr(&state_->context, ownMac_.data());
    }
    open_ = true;
    return com::S_OK;
}

// A failed step closes what the earlier ones started, so the endpoint is left as it was.
HRESULT EndPoint::startInterface() {
    adapterName_ = adapter_ < 0 ? std::string() : ralnetAdapterName(adapters_->names[adapter_]);
    const char* name = adapter_ < 0 ? nullptr : adapterName_.c_str();
    // With a single adapter Ralnet takes that adapter's own settings.
    const J5IpSettings* settings = adapters_->names.size() == 1 ? nullptr : &ipSettings_;
    if (J5InitDefault(name, &state_->context, nullptr, settings) != J5_OK) {
        J5Close(&state_->context);
        return fail(linkorError(LINKOR_J5_ERROR), "J5InitDefault failed");
    }
    if (J5SetPacketFilter(&state_->context, packetFilterFor(allMulticast_)) == 0) {
        J5Close(&state_->context);
        return fail(linkorError(LINKOR_J5_ERROR), "J5SetPacketFilter failed");
    }
    return com::S_OK;
}

HRESULT EndPoint::startThreads() {
    const ThreadStart started = threads_.start(state_, window_.handle(), delivery_);
    if (started == ThreadStart::Started) return com::S_OK;
    const HRESULT hr = com::hresultFromErrno(sys::lastError());
    J5Close(&state_->context);
    threads_.join(sys::kInfinite);
    return fail(hr,
                started == ThreadStart::AudioFailed ? "_beginthreadex audio failed" : "_beginthreadex packet failed");
}

HRESULT EndPoint::Close() {
    if (open_) {
        shutDown(kCloseJoinLimit);
    } else {
        state_->closing = true;
    }
    return com::S_OK;
}

void EndPoint::shutDown(sys::Timeout joinLimit) {
    tables_.leaveAllIps(this);
    state_->closing = true;
    std::this_thread::sleep_for(kCloseGrace);
    drainWindow();
    J5Close(&state_->context);
    threads_.join(joinLimit);
    open_ = false;
}

// Every packet already posted is handed back: on the window's own thread by pumping only this
// window (the closing flag makes its procedure give packets back unread), on any other thread
// by dropping the window's queue, whose messages give their packets back as they go.
void EndPoint::drainWindow() {
    if (std::this_thread::get_id() == creator_) {
        auto& apartment = apt::Apartment::current();
        while (state_->pending != 0)
            apartment.pumpFor(
                kDrainWait, [this] { return state_->pending == 0; }, &window_);
        return;
    }
    window_.destroy();
    while (state_->pending != 0)
        std::this_thread::sleep_for(kForeignDrainStep);
}

apt::Result EndPoint::onMessage(apt::Message& message) {
    switch (message.id) {
    case kAudioPacketMessage: delivery_.audio(message.payload.take<LentPacket>()); return 1;
    case kControlPacketMessage: delivery_.control(message.payload.take<LentPacket>()); return 1;
    default: return 0;
    }
}

HRESULT EndPoint::Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) {
    return com::adviseOnly(*events_, eventsIid, sink, cookie);
}

HRESULT EndPoint::Unadvise(const com::Guid& eventsIid, com::Cookie cookie) {
    return com::unadviseOnly(*events_, eventsIid, cookie);
}

} // namespace kez::linkor
