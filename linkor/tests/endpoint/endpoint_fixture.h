#pragma once
// An endpoint on an in-process virtual wire, made by class identifier as the engine makes it, a
// sink that records every event, and a second Ralnet interface on the wire as the far station.
#include <gtest/gtest.h>

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
#include "scoped_registry.h"
#include "variant_bytes.h"

namespace kez::linkor::test {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Mac = std::array<std::uint8_t, 6>;

inline constexpr Mac kOwnMac{0x02, 0x4c, 0x4b, 0x00, 0x00, 0x01};
inline constexpr Mac kFarMac{0x02, 0x4c, 0x4b, 0x00, 0x00, 0x02};

using kez::test::byteArray;
using kez::test::bytesOf;

// The adapters Ralnet offers, for the object's lifetime.
struct ScopedAdapters : kez::test::ScopedEnv {
    explicit ScopedAdapters(const std::string& names) : ScopedEnv("KEZ_ADAPTERS", names) {}
};

struct Event {
    com::DispId id = 0;
    com::Ptr<com::Object> message;
    std::thread::id thread;
    std::string threadName;
    // The message's device handle word (payload bytes 4 and 5).
    std::uint16_t handle() const;
};

// Every event, in order; safe from the receive threads.
class EventLog final : public EndPointEventsByNumber {
public:
    HRESULT Invoke(com::DispId id, const com::Ptr<com::Object>& message) override;
    std::vector<Event> events() const;
    std::size_t count() const { return events().size(); }
    // The first event `id` recorded, which is then forgotten.
    std::optional<Event> take(com::DispId id);

private:
    mutable std::mutex lock_;
    std::vector<Event> events_;
};

// A second Ralnet interface on the wire; what it receives by either queue, in order.
class FarStation {
public:
    struct Packet {
        std::uint16_t type = 0, destVdn = 0, srcVdn = 0;
        Bytes payload;
    };

    explicit FarStation(const std::string& wire);
    ~FarStation();

    // "HR" (reliable, in order) or "HU" to `to`: `jipType`, then `handle` at payload offset 4.
    void send(std::uint16_t type, const Mac& to, std::uint16_t jipType, std::uint16_t handle);
    // One real-time audio frame, sequence number `seq`.
    void sendAudio(const Mac& to, std::uint16_t seq);
    std::optional<Packet> next(std::chrono::milliseconds limit = 5s);

private:
    void receive(J5PacketObj* (*take)(J5NetIf*, std::uint32_t, std::uint32_t));

    J5NetIf context_{};
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<Packet> received_;
    sys::Thread data_, audio_;
};

// Pumps this thread's apartment until `done` holds; `done` is asked once before each turn.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s);

// An endpoint made by class identifier, `log` advised on it.
com::Ptr<IEndPoint> makeEndPoint(const com::Ptr<EventLog>& log);

class EndPointOnWire : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(endPoint_ = makeEndPoint(log_)); }
    void TearDown() override {
        if (endPoint_) endPoint_->Close();
    }
    bool pumpUntilEvents(std::size_t count) {
        return pumpUntil([&] { return log_->count() >= count; });
    }

    const std::string wire_ = kez::test::uniqueName("ep");
    const std::string adapter_ = "vwire:" + wire_ + "@02:4c:4b:00:00:01";
    ScopedAdapters adapters_{adapter_};
    com::Ptr<EventLog> log_ = std::make_shared<EventLog>();
    com::Ptr<IEndPoint> endPoint_;
};

} // namespace kez::linkor::test
