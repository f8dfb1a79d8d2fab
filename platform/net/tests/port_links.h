#pragma once
// Two packet ports joined by one link, for every backend: an in-process virtual wire,
// a wire relayed by a hub (both with the ports' options, if any), and a veth pair between two
// private namespaces (root only).
#include <chrono>
#include <memory>
#include <optional>
#include <regex>
#include <string>

#include "kez/net/packet_port.h"
#include "kez/net/virtual_wire_hub.h"
#include "net_namespace.h"
#include "process.h"
#include "test_frames.h"

namespace kez::net::testing {

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

class VethLink final : public PortLink {
public:
    VethLink() : pair_(first_, second_, {"198.18.0.1/24", "198.18.0.2/24"}) {}
    std::optional<std::string> problem() const override {
        if (!first_.valid()) return "namespace: " + first_.error();
        if (!second_.valid()) return "namespace: " + second_.error();
        if (!pair_.valid()) return "veth: " + pair_.error();
        return std::nullopt;
    }
    OpenedPort openA() override { return openIn(first_, pair_.firstName()); }
    OpenedPort openB() override { return openIn(second_, pair_.secondName()); }
    bool needsPrivileges() const override { return true; }

    const test::NetNamespace& first() const { return first_; }
    const test::NetNamespace& second() const { return second_; }
    const test::VethPair& pair() const { return pair_; }

    // `ip <what> show` of A's adapter ("maddr", "-d link").
    std::string showA(const std::string& what) const {
        std::vector<std::string> argv{"ip", "-n", first_.name()};
        for (std::size_t at = 0, next = 0; at < what.size(); at = next + 1) {
            next = std::min(what.find(' ', at), what.size());
            argv.push_back(what.substr(at, next - at));
        }
        argv.insert(argv.end(), {"show", "dev", pair_.firstName()});
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
    test::NetNamespace first_{"a"};
    test::NetNamespace second_{"b"};
    test::VethPair pair_;
};

} // namespace kez::net::testing
