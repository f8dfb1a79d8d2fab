#pragma once
// The program's side of the broker kez-rawsock, the one program that holds CAP_NET_RAW:
// a process that may not open raw sockets starts it for an adapter, takes frames from its
// frame channel, and asks it to send frames and change memberships.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>

#include "helper_process.h"
#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"
#include "kez/sys/fd.h"
#include "rawsock_protocol.h"

namespace kez::net::detail {

// $KEZ_RAWSOCK when set (and then only it), else kez-rawsock beside libkezplat, else
// beside the running program.
std::optional<std::filesystem::path> findRawsockHelper();

class RawsockClient {
public:
    RawsockClient(HelperProcess&& process, sys::UniqueFd requests, const RawsockOpened& opened);
    // Closing the request channel ends the broker; it is given a moment to do so.
    ~RawsockClient();
    RawsockClient(const RawsockClient&) = delete;
    RawsockClient& operator=(const RawsockClient&) = delete;

    int ifindex() const { return ifindex_; }
    const MacAddress& mac() const { return mac_; }

    PortStatus sendFrame(std::span<const std::uint8_t> frame, int closingFd);
    // `membership` a PACKET_MR_* kind; `group` for PACKET_MR_MULTICAST.
    PortStatus changeMembership(bool join, std::uint16_t membership, const MacAddress* group, int closingFd);
    // One request and its answer, waited for at most a few seconds, or until `closingFd`
    // is readable. `request.sequence` is filled in.
    PortStatus ask(RawsockRequest request, std::span<const std::uint8_t> payload, int closingFd);

private:
    HelperProcess process_;
    sys::UniqueFd requests_;
    int ifindex_ = 0;
    MacAddress mac_{};
    std::mutex askMutex_; // one request in flight
    std::uint32_t sequence_ = 0;
};

struct BrokerOpen {
    std::unique_ptr<RawsockClient> client; // null unless status.ok()
    sys::UniqueFd frames;                  // the frame channel
    PortStatus status;
};

BrokerOpen openThroughBroker(std::string_view adapter);

} // namespace kez::net::detail
