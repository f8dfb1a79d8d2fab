#pragma once
// An endpoint on an in-process virtual wire, made by class identifier the way the engine makes
// it, with a sink that records every event, and a second Ralnet interface on the same wire as
// the far station.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kez/com/variant.h"
#include "kez/sys/thread.h"
#include "linkor/end_point.h"
#include "net_namespace.h"
#include "ralnet/j5.h"

namespace kez::linkor::test {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Mac = std::array<std::uint8_t, 6>;

inline constexpr Mac kOwnMac{0x02, 0x4c, 0x4b, 0x00, 0x00, 0x01};
inline constexpr Mac kFarMac{0x02, 0x4c, 0x4b, 0x00, 0x00, 0x02};

com::Variant byteArray(std::span<const std::uint8_t> bytes);
Bytes bytesOf(const com::Variant& value);
std::string macText(const Mac& mac);

// Sets KEZ_ADAPTERS for its lifetime: the adapters Ralnet offers.
class ScopedAdapters {
public:
    explicit ScopedAdapters(const std::string& names);
    ~ScopedAdapters();
    ScopedAdapters(const ScopedAdapters&) = delete;
    ScopedAdapters& operator=(const ScopedAdapters&) = delete;

private:
    std::optional<std::string> previous_;
};

struct Event {
    com::DispId id = 0;
    com::Ptr<com::Object> message;
    std::thread::id thread;
    std::string threadName;
};

// The device handle word (payload bytes 4 and 5) of the event's message.
std::uint16_t handleOf(const Event& event);

// Records every event; safe from the receive threads.
class EventLog final : public com::Implements<_IEndPointEvents> {
public:
    std::vector<Event> events() const;
    std::size_t count() const;
    // The first event `id` recorded, which is then forgotten.
    std::optional<Event> take(com::DispId id);

    HRESULT AudioReceived(const com::Ptr<com::Object>& m) override { return note(kDispIdAudioReceived, m); }
    HRESULT SystemStateReceived(const com::Ptr<com::Object>& m) override { return note(kDispIdSystemStateReceived, m); }
    HRESULT KzSetInitReceived(const com::Ptr<com::Object>& m) override { return note(kDispIdKzSetInitReceived, m); }
    HRESULT KzSetUIStateControlReceived(const com::Ptr<com::Object>& m) override {
        return note(kDispIdKzSetUIStateControlReceived, m);
    }
    HRESULT KzSetCallStateControlReceived(const com::Ptr<com::Object>& m) override {
        return note(kDispIdKzSetCallStateControlReceived, m);
    }
    HRESULT SlavePageCmdReceived(const com::Ptr<com::Object>& m) override {
        return note(kDispIdSlavePageCmdReceived, m);
    }
    HRESULT ReliableAudioReceived(const com::Ptr<com::Object>& m) override {
        return note(kDispIdReliableAudioReceived, m);
    }
    HRESULT PlayDTMFMsgReceived(const com::Ptr<com::Object>& m) override { return note(kDispIdPlayDTMFMsgReceived, m); }
    HRESULT LEDMappingReceived(const com::Ptr<com::Object>& m) override { return note(kDispIdLEDMappingReceived, m); }
    HRESULT SlaveCommandReceived(const com::Ptr<com::Object>& m) override {
        return note(kDispIdSlaveCommandReceived, m);
    }

private:
    HRESULT note(com::DispId id, const com::Ptr<com::Object>& message);

    mutable std::mutex lock_;
    std::vector<Event> events_;
};

struct Received {
    std::uint16_t type = 0;
    std::uint16_t destVdn = 0;
    std::uint16_t srcVdn = 0;
    std::uint16_t tagControlWord = 0; // host order
    Bytes payload;
};

// A second Ralnet interface on the wire, receiving both queues on threads of its own.
class FarStation {
public:
    FarStation(const std::string& wire, const Mac& mac = kFarMac);
    ~FarStation();
    FarStation(const FarStation&) = delete;
    FarStation& operator=(const FarStation&) = delete;

    bool opened() const { return opened_; }
    // "HR" (reliable, in order) or "HU" to `to`; `jipType` and `handle` begin the payload.
    void send(std::uint16_t type, const Mac& to, std::uint16_t jipType, std::uint16_t handle, std::size_t length = 64);
    void sendAudio(const Mac& to, std::uint16_t marker);
    std::optional<Received> next(std::chrono::milliseconds limit = 5s);

private:
    void receive(bool audio);

    J5NetIf context_{};
    bool opened_ = false;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<Received> received_;
    sys::Thread data_;
    sys::Thread audio_;
};

// Pumps this thread's apartment until `done` holds; `done` is asked once before each turn.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s);

// An endpoint made by class identifier, `log` advised on it.
com::Ptr<IEndPoint> makeEndPoint(const com::Ptr<EventLog>& log);

class EndPointOnWire : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(endPoint_ = makeEndPoint(log_)); }
    void TearDown() override;

    bool pumpUntilEvents(std::size_t count) {
        return pumpUntil([&] { return log_->count() >= count; });
    }

    const std::string wire_ = kez::test::uniqueName("ep");
    const std::string adapter_ = "vwire:" + wire_ + "@" + macText(kOwnMac);
    ScopedAdapters adapters_{adapter_};
    com::Ptr<IEndPoint> endPoint_;
    com::Ptr<EventLog> log_ = std::make_shared<EventLog>();
};

} // namespace kez::linkor::test
