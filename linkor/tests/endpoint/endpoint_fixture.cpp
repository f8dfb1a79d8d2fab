#include "endpoint_fixture.h"

#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "kez/apt/apartment.h"
#include "kez/com/array_routines.h"
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "linkor/jip_message.h"
#include "linkor/server.h"

namespace kez::linkor::test {

com::Variant byteArray(std::span<const std::uint8_t> bytes) {
    com::Variant value;
    com::MakeSafeArray(com::ElementType::UI1, bytes, value);
    return value;
}

Bytes bytesOf(const com::Variant& value) {
    Bytes bytes;
    com::GetSafeArrayEx(value, bytes);
    return bytes;
}

std::string macText(const Mac& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

ScopedAdapters::ScopedAdapters(const std::string& names) {
    if (const char* old = std::getenv("KEZ_ADAPTERS")) previous_ = old;
    ::setenv("KEZ_ADAPTERS", names.c_str(), 1);
}

ScopedAdapters::~ScopedAdapters() {
    if (previous_) {
        ::setenv("KEZ_ADAPTERS", previous_->c_str(), 1);
    } else {
        ::unsetenv("KEZ_ADAPTERS");
    }
}

std::uint16_t handleOf(const Event& event) {
    Variant data;
    com::query<IJIPMessage>(event.message)->get_varData(data);
    const Bytes payload = bytesOf(data);
    return static_cast<std::uint16_t>(payload[4] << 8 | payload[5]);
}

HRESULT EventLog::note(com::DispId id, const com::Ptr<com::Object>& message) {
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

std::size_t EventLog::count() const {
    std::lock_guard lock(lock_);
    return events_.size();
}

FarStation::FarStation(const std::string& wire, const Mac& mac) {
    opened_ = J5InitDefault(("vwire:" + wire + "@" + macText(mac)).c_str(), &context_, nullptr, nullptr) == J5_OK &&
              J5SetPacketFilter(&context_, 11) != 0;
    data_.start("far-data", [this] { receive(false); });
    audio_.start("far-audio", [this] { receive(true); });
}

FarStation::~FarStation() {
    J5Close(&context_);
    data_.join();
    audio_.join();
}

void FarStation::send(std::uint16_t type, const Mac& to, std::uint16_t jipType, std::uint16_t handle,
                      std::size_t length) {
    Bytes payload(length);
    payload[0] = static_cast<std::uint8_t>(jipType >> 8), payload[1] = static_cast<std::uint8_t>(jipType);
    if (length >= 6)
        payload[4] = static_cast<std::uint8_t>(handle >> 8), payload[5] = static_cast<std::uint8_t>(handle);
    J5Result sent = J5_ERR_WINDOW_FULL;
    for (int tries = 0; sent == J5_ERR_WINDOW_FULL && tries < 2000; ++tries) {
        if (tries) std::this_thread::sleep_for(5ms);
        sent = J5IntrinsicSend(&context_, type, to.data(), 2, 1, payload.data(), static_cast<std::uint16_t>(length),
                               0x11, nullptr, nullptr, 0, 0);
    }
    EXPECT_TRUE(sent == J5_SENT || (sent & 0xFF00) == J5_QUEUED) << std::hex << sent;
}

void FarStation::sendAudio(const Mac& to, std::uint16_t marker) {
    Bytes payload(206);
    payload[0] = 0x80, payload[1] = 0xB3, payload[9] = 1, payload[10] = 1;
    payload[12] = static_cast<std::uint8_t>(marker >> 8), payload[13] = static_cast<std::uint8_t>(marker);
    EXPECT_EQ(J5AudioSend(&context_, to.data(), payload.data(), 206, 0x09, nullptr, nullptr, 0, 0, 0), J5_SENT);
}

std::optional<Received> FarStation::next(std::chrono::milliseconds limit) {
    std::unique_lock lock(lock_);
    if (!arrived_.wait_for(lock, limit, [this] { return !received_.empty(); })) return std::nullopt;
    Received first = std::move(received_.front());
    received_.pop_front();
    return first;
}

void FarStation::receive(bool audio) {
    auto be16 = [](const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); };
    while (J5PacketObj* packet = audio ? J5AudioReceiveObj(&context_, 0, 0) : J5ReceiveObj(&context_, 0, 0)) {
        const auto* tag = reinterpret_cast<const std::uint8_t*>(&packet->tagControlWord);
        const bool full = packet->dataRef - packet->headerRef >= J5_FULL_HEADER_LEN;
        Received copy{be16(packet->headerRef), full ? be16(packet->headerRef + 10) : std::uint16_t{0},
                      full ? be16(packet->headerRef + 12) : std::uint16_t{0}, be16(tag),
                      Bytes(packet->dataRef, packet->dataRef + packet->length)};
        J5FreePacketObj(&context_, packet);
        std::lock_guard lock(lock_);
        received_.push_back(std::move(copy));
        arrived_.notify_all();
    }
}

std::optional<Event> EventLog::take(com::DispId id) {
    std::lock_guard lock(lock_);
    const auto it = std::find_if(events_.begin(), events_.end(), [id](const Event& e) { return e.id == id; });
    if (it == events_.end()) return std::nullopt;
    Event taken = std::move(*it);
    events_.erase(it);
    return taken;
}

com::Ptr<IEndPoint> makeEndPoint(const com::Ptr<EventLog>& log) {
    com::ClassRegistry::registerInProcess(server());
    com::Ptr<IEndPoint> endPoint;
    com::Ptr<com::IConnectionPointContainer> events;
    com::Cookie cookie = com::kNoCookie;
    if (com::FAILED(com::ClassRegistry::createAs(kClsidEndPoint, endPoint)) ||
        com::FAILED(com::query(endPoint, events)) || com::FAILED(events->Advise(_IEndPointEvents::iid, log, cookie))) {
        return nullptr;
    }
    return endPoint;
}

void EndPointOnWire::TearDown() {
    if (endPoint_) {
        EXPECT_EQ(endPoint_->Close(), com::S_OK);
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

} // namespace kez::linkor::test
