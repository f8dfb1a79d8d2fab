#pragma once
// What the ports on a kernel socket share: the socket and its lifecycle, the station
// address, the software receive filter and the read loop over it. Each backend says how
// one message comes off its socket.
#include <atomic>

#include "kez/net/packet_port.h"
#include "kez/net/receive_filter.h"
#include "packet_socket.h"
#include "port_lifecycle.h"

namespace kez::net::detail {

class SocketPort : public PacketPort {
public:
    void close() override;
    bool isOpen() const override;
    FrameRead readFrame(std::span<std::uint8_t> buffer, sys::Timeout limit) override;
    int pollFd() const override;
    MacAddress macAddress() const override;
    std::uint32_t packetFilter() const override;
    PortCounters counters() const override;

protected:
    using Received = Receipt;
    // Takes one message off the readable socket into `buffer`; `error` tells why on Failed.
    virtual Received receiveOne(std::span<std::uint8_t> buffer, std::size_t& length, int& error) = 0;
    // Releases what the backend holds beside the socket, while close() holds everyone out.
    virtual void releaseBackend() {}
    // Completes an open once the socket is set up: readiness, address, a closed filter.
    // On failure the socket is released.
    PortStatus finishOpen(const MacAddress& mac);

    PortLifecycle lifecycle_;
    sys::UniqueFd socket_;
    ReceiveFilter filter_;

private:
    sys::UniqueFd readiness_;
    MacAddress mac_{};
    std::atomic<std::uint64_t> framesRead_{0};
    std::atomic<std::uint64_t> framesFiltered_{0};
    std::atomic<std::uint64_t> framesTooLong_{0};
};

// One message off a SOCK_SEQPACKET socket: one frame. Its peer's end reads as Failed.
Receipt receiveMessage(int fd, std::span<std::uint8_t> buffer, std::size_t& length, int& error);

} // namespace kez::net::detail
