#pragma once
// Test doubles of the endpoint and the wave objects, made creatable under Linkor's and Sonwell's
// class identifiers (the real message classes stay), and a sink that records every engine event.
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "corvane/engine.h"
#include "kez/com/connection_point.h"
#include "kez/com/connection_point_container.h"
#include "kez/com/server.h"
#include "kez/sys/tick.h"
#include "linkor/end_point.h"
#include "variant_bytes.h"

namespace kez::corvane::test {

using Bytes = std::vector<std::uint8_t>;

using kez::test::byteArray;
using kez::test::bytesOf;

// What the doubles were asked, in order ("EndPoint.Open", "WavePlay.put_nAdapter -1", ...),
// and the calls that are to fail.
class CallLog {
public:
    // The injected failure of `call` (its name without arguments), after recording `entry`.
    com::HRESULT record(const std::string& call, const std::string& arguments = {});
    void failOn(const std::string& call, com::HRESULT hr);
    void clearFailures();
    std::vector<std::string> calls() const;
    // The calls whose entry starts with `prefix`.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;
    // The system tick at each call, in call order.
    std::vector<sys::Tick> ticks() const;
    void clear();

private:
    mutable std::mutex lock_;
    std::vector<std::string> calls_;
    std::vector<sys::Tick> ticks_;
    std::map<std::string, com::HRESULT> failures_;
};

// The endpoint double: keeps what was sent and raises events as the real one would.
class FakeEndPoint;
class Doubles {
public:
    // Registers the doubles in process for its lifetime (with `realEndPoint`, Linkor's own
    // endpoint stays); creation of a class named in `refuse` ("EndPoint", "WavePlay",
    // "WaveRecord") fails.
    explicit Doubles(bool realEndPoint = false);
    ~Doubles();

    CallLog log;
    std::vector<std::string> refuse;
    Bytes ownMac{0x02, 0x00, 0x00, 0x00, 0x00, 0x05};

    // The last endpoint, play and record objects made.
    std::shared_ptr<FakeEndPoint> endPoint() const;
    com::Ptr<com::Object> wavePlay() const;
    com::Ptr<com::Object> waveRecord() const;
    // Copies of the payloads (lDataLen bytes) of every message sent, with their addressing.
    struct Sent {
        com::Ptr<com::Object> message;
        Bytes payload;
        std::int16_t headerBits = 0;
        Bytes destMac, destIp;
    };
    std::vector<Sent> sent() const;

private:
    friend class FakeEndPoint;
    com::ServerInfo linkorDoubles_, sonwellDoubles_;
    mutable std::mutex lock_;
    std::shared_ptr<FakeEndPoint> endPoint_;
    com::Ptr<com::Object> wavePlay_, waveRecord_;
    std::vector<Sent> sent_;
};

class FakeEndPoint final : public com::Implements<linkor::IEndPoint, com::IConnectionPointContainer> {
public:
    explicit FakeEndPoint(Doubles& doubles) : doubles_(doubles) {}

    // Raises the event `id` with `message` to the advised sinks on this thread.
    void raise(linkor::EndPointEventId id, const com::Ptr<com::Object>& message);
    std::size_t sinks() const { return events_.count(); }

    HRESULT Open() override { return call("Open"); }
    HRESULT Close() override { return call("Close"); }
    HRESULT SendPacket(const com::Ptr<com::Object>& message) override;
    HRESULT get_varSourceMac(com::Variant& value) override;
    HRESULT SendAudioPacket(const com::Ptr<com::Object>& message) override { return keep(message, "SendAudioPacket"); }
    HRESULT get_varRawAdapters(com::Variant&) override { return call("get_varRawAdapters"); }
    HRESULT get_nAdapter(std::int16_t&) override { return call("get_nAdapter"); }
    HRESULT put_nAdapter(std::int16_t value) override { return call("put_nAdapter", std::to_string(value)); }
    HRESULT get_varAdapterDescriptions(com::Variant& value) override;
    HRESULT get_bUseThread(com::VariantBool&) override { return call("get_bUseThread"); }
    HRESULT put_bUseThread(com::VariantBool) override { return call("put_bUseThread"); }
    HRESULT AddMulticastIP(const com::Variant& ip) override { return call("AddMulticastIP", hexOf(ip)); }
    HRESULT DeleteMulticastIP(const com::Variant& ip) override { return call("DeleteMulticastIP", hexOf(ip)); }
    HRESULT AddMulticastMac(const com::Variant& mac) override { return call("AddMulticastMac", hexOf(mac)); }
    HRESULT DeleteMulticastMac(const com::Variant& mac) override { return call("DeleteMulticastMac", hexOf(mac)); }
    HRESULT get_varLocalIP(com::Variant&) override { return call("get_varLocalIP"); }
    HRESULT put_varLocalIP(const com::Variant& ip) override { return call("put_varLocalIP", hexOf(ip)); }
    HRESULT SetChannelParameters(const com::Variant& mac) override { return call("SetChannelParameters", hexOf(mac)); }
    HRESULT get_bAllMulticast(com::VariantBool&) override { return call("get_bAllMulticast"); }
    HRESULT put_bAllMulticast(com::VariantBool value) override {
        return call("put_bAllMulticast", std::to_string(value));
    }

    HRESULT Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) override;
    HRESULT Unadvise(const com::Guid& eventsIid, com::Cookie cookie) override;

    static std::string hexOf(const com::Variant& value);

private:
    HRESULT call(const std::string& name, const std::string& arguments = {}) {
        return doubles_.log.record("EndPoint." + name, arguments);
    }
    // Records the call and, unless it is to fail, what the message holds.
    HRESULT keep(const com::Ptr<com::Object>& message, const std::string& name);

    Doubles& doubles_;
    com::ConnectionPoint<linkor::_IEndPointEvents> events_;
};

// A sink that hands each engine event to Derived::handle<event number>(name, its arguments as a tuple).
template <class Derived>
class EachEngineEvent : public com::Implements<_IEngineEvents> {
public:
#define KEZ_EACH_ENGINE_EVENT(name, id, parameters, arguments)                                                         \
    HRESULT name parameters final {                                                                                    \
        return static_cast<Derived&>(*this).template handle<kDispId##name>(#name, std::tie arguments);                 \
    }
    KEZ_ENGINE_EVENTS(KEZ_EACH_ENGINE_EVENT)
#undef KEZ_EACH_ENGINE_EVENT
};

// Every engine event as a line ("Error 0x80004005 text", "InitReceived"), with its thread: the name, then each
// argument: numbers in decimal, an error number in hexadecimal, texts in brackets (a last one, which runs to the
// end of the line, as it is), arrays as their bytes in hexadecimal or, when they do not start at 0, as their first
// index and their values, so that a wrong bound shows.
class EventRecorder final : public EachEngineEvent<EventRecorder> {
public:
    struct Fired {
        std::string line;
        std::thread::id thread;
    };
    std::vector<Fired> fired() const;
    std::vector<std::string> lines() const;
    // Called inside ResetReceived and CallProgressUpdate, after they are recorded.
    std::function<void()> onReset;
    std::function<void(std::int16_t tone, std::int16_t mode, std::int16_t duration)> onCallProgress;

    template <EngineEventId id>
    HRESULT handle(const char* name, const auto& arguments) {
        std::string line = name;
        std::apply(
            [&line](const auto&... each) {
                std::size_t left = sizeof...(each);
                ((line += " " + describe(each, --left == 0)), ...);
            },
            arguments);
        note(std::move(line));
        if constexpr (id == kDispIdResetReceived) {
            if (onReset) onReset();
        }
        if constexpr (id == kDispIdCallProgressUpdate) {
            if (onCallProgress) std::apply(onCallProgress, arguments);
        }
        return com::S_OK;
    }

private:
    static std::string describe(std::int16_t number, bool last);
    static std::string describe(std::int32_t errorNumber, bool last);
    static std::string describe(const std::string& text, bool last);
    static std::string describe(const Variant& value, bool last);
    static std::string describe(com::Date date, bool last);
    void note(std::string line);

    mutable std::mutex lock_;
    std::vector<Fired> fired_;
};

} // namespace kez::corvane::test
