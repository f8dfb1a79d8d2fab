#pragma once
// Two packet ports joined by one link, for every backend: an in-process virtual wire,
// a wire relayed by a hub (both with the ports' options, if any), and a veth pair between two
// private namespaces (root only); the stations and groups the tests use.
#include <chrono>
#include <memory>
#include <optional>
#include <regex>
#include <string>

#include "bytes.h"
#include "j5_frames.h"
#include "kez/net/packet_port.h"
#include "kez/net/virtual_wire_hub.h"
#include "net_namespace.h"
#include "process.h"

namespace kez::net::testing {

using namespace kez::test;

inline constexpr MacAddress kStationA{0x02, 0x00, 0x00, 0x00, 0x00, 0x0a};
inline constexpr MacAddress kStationB{0x02, 0x00, 0x00, 0x00, 0x00, 0x0b};
inline constexpr MacAddress kStranger{0x02, 0x00, 0x00, 0x00, 0x00, 0x0c};
inline constexpr MacAddress kGroup1{0x01, 0x00, 0x5e, 0x00, 0x00, 0x01};
inline constexpr MacAddress kGroup2{0x03, 0x00, 0x00, 0x00, 0x00, 0x02};
inline constexpr MacAddress kGroup3{0x01, 0x00, 0x5e, 0x7f, 0x00, 0x03};

// The next frame `port` delivers within `limit`, or nullopt.
inline std::optional<Bytes> receive(PacketPort& port, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    Bytes buffer(kMaxFrameLength);
    const FrameRead read = port.readFrame(buffer, limit);
    if (read.outcome != ReadOutcome::Frame) return std::nullopt;
    buffer.resize(read.length);
    return buffer;
}

class PortLink {
public:
    virtual ~PortLink() = default;
    // Why the link could not be made, or nullopt.
    virtual std::optional<std::string> problem() const = 0;
    virtual OpenedPort openA() = 0;
    virtual OpenedPort openB() = 0;
    virtual bool needsPrivileges() const { return false; }
};

class LocalWireLink final : public PortLink {
public:
    explicit LocalWireLink(std::string options = "") : options_(std::move(options)) {}
    std::optional<std::string> problem() const override { return std::nullopt; }
    OpenedPort openA() override { return openPacketPort(adapter(kStationA, options_)); }
    OpenedPort openB() override { return openPacketPort(adapter(kStationB, options_)); }
    std::string adapter(const MacAddress& mac, const std::string& options) const {
        return "vwire:" + wire_ + "@" + formatMac(mac) + options;
    }

private:
    std::string wire_ = test::uniqueName("w");
    std::string options_;
};

class HubWireLink final : public PortLink {
public:
    explicit HubWireLink(std::string options = "") : status_(hub_.start()), options_(std::move(options)) {}
    std::optional<std::string> problem() const override {
        if (status_.ok()) return std::nullopt;
        return "hub: " + describe(status_);
    }
    OpenedPort openA() override { return openPacketPort("vhub:" + name_ + "@" + formatMac(kStationA) + options_); }
    OpenedPort openB() override { return openPacketPort("vhub:" + name_ + "@" + formatMac(kStationB) + options_); }

private:
    std::string name_ = test::uniqueName("h");
    VirtualWireHub hub_{name_};
    PortStatus status_;
    std::string options_;
};

class VethPortLink final : public PortLink {
public:
    std::optional<std::string> problem() const override { return link_.problem(); }
    OpenedPort openA() override { return openIn(first(), pair().firstName()); }
    OpenedPort openB() override { return openIn(second(), pair().secondName()); }
    bool needsPrivileges() const override { return true; }

    const test::NetNamespace& first() const { return link_.first(); }
    const test::NetNamespace& second() const { return link_.second(); }
    const test::VethPair& pair() const { return link_.pair(); }

    // `ip <what> show` of A's adapter ("maddr", "-d link").
    std::string showA(const std::string& what) const {
        std::vector<std::string> argv{"ip", "-n", first().name()};
        for (std::size_t at = 0, next = 0; at < what.size(); at = next + 1) {
            next = std::min(what.find(' ', at), what.size());
            argv.push_back(what.substr(at, next - at));
        }
        argv.insert(argv.end(), {"show", "dev", pair().firstName()});
        return test::runCommand(argv).out;
    }
    // A counter of A's adapter as `ip -d link` prints it ("allmulti", "promiscuity"); -1 if absent.
    int counterOfA(const std::string& name) const {
        const std::string shown = showA("-d link");
        std::smatch match;
        if (!std::regex_search(shown, match, std::regex(" " + name + " (\\d+)"))) return -1;
        return std::stoi(match[1].str());
    }

    static OpenedPort openIn(const test::NetNamespace& space, const std::string& interface) {
        OpenedPort opened;
        if (!space.run([&] { opened = openPacketPort(interface); })) opened.status = portError(PortCode::SystemError);
        return opened;
    }

private:
    test::VethLink link_{"p"};
};

} // namespace kez::net::testing
