#include "endpoint_fixture.h"

#include <pthread.h>

#include <algorithm>

#include "kez/apt/apartment.h"
#include "kez/com/array_routines.h"
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "kez/net/mac_address.h"
#include "linkor/jip_message.h"
#include "linkor/server.h"

namespace kez::linkor::test {

std::uint16_t Event::handle() const {
    Variant data;
    com::query<IJIPMessage>(message)->get_varData(data);
    const Bytes payload = bytesOf(data);
    return static_cast<std::uint16_t>(payload[4] << 8 | payload[5]);
}

HRESULT EventLog::Invoke(com::DispId id, const com::Ptr<com::Object>& message) {
    char name[16] = {};
    ::pthread_getname_np(::pthread_self(), name, sizeof name);
    std::lock_guard lock(lock_);
    events_.push_back({id, message, std::this_thread::get_id(), name});
    return com::S_OK;
}

std::vector<Event> EventLog::events() const {
    std::lock_guard lock(lock_);
    return events_;
}

std::optional<Event> EventLog::take(com::DispId id) {
    std::lock_guard lock(lock_);
    const auto it = std::find_if(events_.begin(), events_.end(), [id](const Event& e) { return e.id == id; });
    if (it == events_.end()) return std::nullopt;
    Event taken = std::move(*it);
    events_.erase(it);
    return taken;
}

FarStation::FarStation(const std::string& wire) {
    const std::string adapter = "vwire:" + wire + "@" + net::formatMac(kFarMac);
    EXPECT_EQ(J5InitDefault(adapter.c_str(), &context_, nullptr, nullptr), J5_OK);
    EXPECT_EQ(J5SetPacketFilter(&context_, 11), 1);
    data_.start("far-data", [this] { receive(J5ReceiveObj); });
    audio_.start("far-audio", [this] { receive(J5AudioReceiveObj); });
}

FarStation::~FarStation() { J5Close(&context_); }

void FarStation::send(std::uint16_t type, const Mac& to, std::uint16_t jipType, std::uint16_t handle) {
    const std::uint8_t payload[64] = {static_cast<std::uint8_t>(jipType >> 8), static_cast<std::uint8_t>(jipType), 0, 0,
                                      static_cast<std::uint8_t>(handle >> 8),  static_cast<std::uint8_t>(handle)};
    J5Result sent = J5_ERR_WINDOW_FULL;
    for (int tries = 0; sent == J5_ERR_WINDOW_FULL && tries < 2000; ++tries) {
        if (tries) std::this_thread::sleep_for(5ms); // the reliable window is full: wait for its acknowledgements
        sent = J5IntrinsicSend(&context_, type, to.data(), 2, 1, payload, sizeof payload, 0x11, nullptr, nullptr, 0, 0);
    }
    EXPECT_TRUE(sent == J5_SENT || (sent & 0xFF00) == J5_QUEUED) << std::hex << sent;
}

void FarStation::sendAudio(const Mac& to, std::uint16_t seq) {
    std::uint8_t payload[206] = {0x80, 0xB3, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    payload[12] = static_cast<std::uint8_t>(seq >> 8), payload[13] = static_cast<std::uint8_t>(seq);
    EXPECT_EQ(J5AudioSend(&context_, to.data(), payload, sizeof payload, 0x09, nullptr, nullptr, 0, 0, 0), J5_SENT);
}

std::optional<FarStation::Packet> FarStation::next(std::chrono::milliseconds limit) {
    std::unique_lock lock(lock_);
    if (!arrived_.wait_for(lock, limit, [this] { return !received_.empty(); })) return std::nullopt;
    Packet first = std::move(received_.front());
    received_.pop_front();
    return first;
}

void FarStation::receive(J5PacketObj* (*take)(J5NetIf*, std::uint32_t, std::uint32_t)) {
    const auto be16 = [](const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); };
    while (J5PacketObj* packet = take(&context_, 0, 0)) {
        const bool full = packet->dataRef - packet->headerRef >= J5_FULL_HEADER_LEN;
        Packet copy{be16(packet->headerRef), full ? be16(packet->headerRef + 10) : std::uint16_t{0},
                    full ? be16(packet->headerRef + 12) : std::uint16_t{0},
                    Bytes(packet->dataRef, packet->dataRef + packet->length)};
        J5FreePacketObj(&context_, packet);
        std::lock_guard lock(lock_);
        received_.push_back(std::move(copy));
        arrived_.notify_all();
    }
}

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        apt::Apartment::current().pumpFor(5ms);
    }
    return true;
}

com::Ptr<IEndPoint> makeEndPoint(const com::Ptr<EventLog>& log) {
    com::ClassRegistry::registerInProcess(server());
    com::Ptr<IEndPoint> endPoint;
    com::Cookie cookie = com::kNoCookie;
    if (com::FAILED(com::ClassRegistry::createAs(kClsidEndPoint, endPoint))) return nullptr;
    const auto events = com::query<com::IConnectionPointContainer>(endPoint);
    return events && events->Advise(_IEndPointEvents::iid, log, cookie) == com::S_OK ? endPoint : nullptr;
}

} // namespace kez::linkor::test
