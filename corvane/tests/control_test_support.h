#pragma once
// A fake of the engine around the control handlers: it records every call in one log, in
// order, and fails the calls a test names.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "control/control_handlers.h"
#include "shared/engine_messages.h"
#include "variant_bytes.h"

namespace kez::corvane::test {

// A message object the handlers only keep and pass on.
inline com::Ptr<com::Object> opaqueMessage() {
    struct Opaque final : com::Object {};
    return std::make_shared<Opaque>();
}

struct FakeControl : virtual ControlServices {
    bool allMulticastProperty = false;
    bool shareWave = false, devicesOpen = false;
    bool pageIsActive = false;
    com::Ptr<com::Object> keptCall;
    std::set<std::string> failing; // names of the calls that return E_FAIL
    std::vector<std::string> log;
    std::vector<apt::Message> posts;
    std::int64_t statusPeriod = 5000;

    bool allMulticast() const override { return allMulticastProperty; }
    com::HRESULT setAllMulticast(bool on) override { return call(on ? "allMulticast on" : "allMulticast off"); }
    com::HRESULT joinGroup(GroupKind kind, const com::Variant& address) override {
        return call("join " + describe(kind, address));
    }
    com::HRESULT leaveGroup(GroupKind kind, const com::Variant& address) override {
        return call("leave " + describe(kind, address));
    }
    com::HRESULT setChannelParameters(const com::Variant& mac) override {
        return call("channel " + describe(GroupKind::Mac, mac));
    }
    com::HRESULT sendReportIpInfo() override { return call("report"); }
    com::HRESULT sendToCallServer(const com::Ptr<com::Object>& message) override {
        return call(message ? "send again" : "send again nothing");
    }
    bool sharedWave() const override { return shareWave; }
    com::HRESULT openPlayDevice() override { return call("open play"); }
    com::HRESULT openRecordDevice() override { return call("open record"); }
    bool waveDevicesOpen() const override { return devicesOpen; }
    bool pageActive() const override { return pageIsActive; }
    void endPage() override { log.push_back("end page"); }
    com::Ptr<com::Object> keptCallState() const override { return keptCall; }
    void setStatusPeriod(std::int64_t milliseconds) override { statusPeriod = milliseconds; }
    void wakeStatus() override { log.push_back("status"); }
    void post(apt::Message message) override { posts.push_back(std::move(message)); }
    void postError(com::HRESULT hr, std::string text) override {
        posts.push_back({kMsgError, static_cast<std::uint64_t>(hr), 0, {}});
        log.push_back("error " + text);
    }
    void postCalleeError(com::HRESULT hr, const com::Guid&) override {
        posts.push_back({kMsgError, static_cast<std::uint64_t>(hr), 0, {}});
        log.push_back("callee error");
    }

    std::vector<apt::MessageId> postedIds() const {
        std::vector<apt::MessageId> ids;
        for (const auto& p : posts)
            ids.push_back(p.id);
        return ids;
    }

protected:
    com::HRESULT call(std::string name) {
        log.push_back(name);
        return failing.contains(name) ? com::E_FAIL : com::S_OK;
    }
    static std::string describe(GroupKind kind, const com::Variant& address) {
        std::string text = kind == GroupKind::Ip ? "ip" : "mac";
        for (const std::uint8_t b : kez::test::bytesOf(address))
            text += " " + std::to_string(b);
        return text;
    }
};

} // namespace kez::corvane::test
