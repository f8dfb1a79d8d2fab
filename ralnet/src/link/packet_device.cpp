#include "link/packet_device.h"

#include "link/driver_contract.h"

#include "kez/net/adapters.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace ralnet::link {
namespace {

using kez::net::MacAddress;
using kez::net::PortCode;

std::uint32_t loadU32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void storeU32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

int setRequest(KezPacketAdapter& device, std::uint32_t oid, std::span<const std::uint8_t> data) {
    kez::net::PacketPort& port = *device.port;
    if (oid == kOidCurrentPacketFilter) {
        if (data.size() != 4) return EINVAL;
        return errnoOf(port.setPacketFilter(loadU32(data.data())));
    }
    if (oid == kOidMulticastList) {
        if (data.size() % J5_MAC_LEN != 0) return EINVAL;
        std::vector<MacAddress> list(data.size() / J5_MAC_LEN);
        for (std::size_t i = 0; i < list.size(); ++i)
            list[i] = kez::net::macAt(data, i * J5_MAC_LEN);
        return errnoOf(port.setMulticastList(list));
    }
    return EINVAL;
}

int queryRequest(KezPacketAdapter& device, std::uint32_t oid, std::span<std::uint8_t> data, std::size_t& filled) {
    if (oid == kOidCurrentAddress) {
        if (data.size() < J5_MAC_LEN) return EINVAL;
        const MacAddress mac = device.port->macAddress();
        std::memcpy(data.data(), mac.data(), mac.size());
        filled = mac.size();
        return 0;
    }
    if (oid == kOidCurrentPacketFilter) {
        if (data.size() < 4) return EINVAL;
        storeU32(data.data(), device.port->packetFilter());
        filled = 4;
        return 0;
    }
    return EINVAL;
}

class WideListWriter {
public:
    explicit WideListWriter(std::span<std::uint8_t> out) : out_(out) {}

    // Adds both strings, or nothing when they and the closing empty string do not fit.
    bool addPair(const std::string& first, const std::string& second) {
        const std::size_t needed = (first.size() + 1 + second.size() + 1 + 1) * sizeof(char16_t);
        if (used_ + needed > out_.size()) return false;
        put(first);
        put(second);
        return true;
    }

    std::size_t close() {
        if (used_ + sizeof(char16_t) > out_.size()) return used_;
        putUnit(0);
        return used_;
    }

private:
    void put(const std::string& text) {
        for (const char c : text)
            putUnit(static_cast<char16_t>(static_cast<unsigned char>(c)));
        putUnit(0);
    }
    void putUnit(char16_t unit) {
        std::memcpy(out_.data() + used_, &unit, sizeof unit);
        used_ += sizeof unit;
    }

    std::span<std::uint8_t> out_;
    std::size_t used_ = 0;
};

bool isVirtualWire(std::string_view name) { return name.starts_with("vwire:") || name.starts_with("vhub:"); }

// The adapters named by KEZ_ADAPTERS (separated by blanks), which stand in for the kernel's
// when it is set: a virtual wire for the demo and for tests, or a chosen few interfaces.
std::optional<std::vector<std::string>> configuredAdapters() {
    const char* configured = ::secure_getenv(kAdaptersVariable);
    if (!configured) return std::nullopt;
    std::vector<std::string> names;
    std::istringstream words(configured);
    for (std::string name; words >> name;)
        names.push_back(std::move(name));
    return names;
}

struct ListedAdapter {
    std::string description;
    std::string name;
};

std::string describe(const kez::net::AdapterInfo& adapter) {
    return adapter.driver.empty() ? kNoDescription : adapter.driver;
}

// A named adapter the kernel does not list (a virtual wire, or one gone since) has no driver to show.
ListedAdapter describeConfigured(std::string name, const std::vector<kez::net::AdapterInfo>& kernel) {
    if (isVirtualWire(name)) return {kVirtualWireDescription, std::move(name)};
    for (const auto& adapter : kernel)
        if (adapter.name == name) return {describe(adapter), std::move(name)};
    return {kNoDescription, std::move(name)};
}

int listedAdapters(std::vector<ListedAdapter>& listed) {
    std::vector<kez::net::AdapterInfo> kernel;
    const auto status = kez::net::listAdapters(kernel, {.includeLoopback = false, .ethernetOnly = true});
    if (auto configured = configuredAdapters()) {
        for (auto& name : *configured)
            listed.push_back(describeConfigured(std::move(name), kernel));
        return 0;
    }
    if (!status.ok()) return errnoOf(status);
    for (auto& adapter : kernel)
        listed.push_back({describe(adapter), std::move(adapter.name)});
    return 0;
}

int adapterList(std::span<std::uint8_t> out, std::size_t& returned) {
    std::vector<ListedAdapter> adapters;
    if (const int error = listedAdapters(adapters); error != 0) return error;
    if (out.size() < sizeof(char16_t)) return EINVAL;
    WideListWriter writer(out);
    for (const auto& adapter : adapters) {
        if (!writer.addPair(adapter.description, adapter.name)) break;
    }
    returned = writer.close();
    return 0;
}

} // namespace

int errnoOf(const kez::net::PortStatus& status) {
    if (status.ok()) return 0;
    if (status.error != 0) return status.error;
    switch (status.code) {
    case PortCode::NoSuchAdapter: return ENODEV;
    case PortCode::PermissionDenied: return EPERM;
    case PortCode::HelperUnavailable: return ENOENT;
    case PortCode::NotOpen: return EBADF;
    case PortCode::FrameTooLong: return EMSGSIZE;
    case PortCode::Unsupported: return EOPNOTSUPP;
    default: return EINVAL;
    }
}

DeviceOpen openDevice(std::string_view adapter) {
    DeviceOpen result;
    kez::net::OpenedPort opened = kez::net::openPacketPort(adapter);
    if (!opened.status.ok()) {
        result.error = errnoOf(opened.status);
        return result;
    }
    result.device.reset(new (std::nothrow) KezPacketAdapter{std::move(opened.port)});
    if (!result.device) result.error = ENOMEM;
    return result;
}

int deviceControl(KezPacketAdapter& device, std::uint32_t code, std::span<std::uint8_t> inOut, std::size_t& returned) {
    returned = 0;
    if (!device.port || !device.port->isOpen()) return EBADF;
    if (inOut.size() < kRequestHeaderLength) return EINVAL;
    const std::uint32_t oid = loadU32(inOut.data());
    const std::uint32_t length = loadU32(inOut.data() + 4);
    if (length > inOut.size() - kRequestHeaderLength) return EINVAL;
    const auto data = inOut.subspan(kRequestHeaderLength, length);
    if (code == kIoctlSetOid) {
        const int error = setRequest(device, oid, data);
        if (error == 0) returned = inOut.size();
        return error;
    }
    if (code == kIoctlQueryOid) {
        std::size_t filled = 0;
        const int error = queryRequest(device, oid, data, filled);
        if (error != 0) return error;
        storeU32(inOut.data() + 4, static_cast<std::uint32_t>(filled));
        returned = kRequestHeaderLength + filled;
        return 0;
    }
    return EINVAL;
}

int controlDeviceRequest(std::uint32_t code, std::span<std::uint8_t> out, std::size_t& returned) {
    returned = 0;
    if (code != kIoctlAdapterList) return EINVAL;
    return adapterList(out, returned);
}

int writeFrame(KezPacketAdapter& device, std::span<const std::uint8_t> frame) {
    if (!device.port) return EBADF;
    return errnoOf(device.port->writeFrame(frame));
}

} // namespace ralnet::link
