#pragma once
// The UDP and IP multicast path of one interface: the send sockets, the unicast receiver on
// port 47093, the multicast receiver on port 47096 with its group table, and the group exports.
// The interface owns the two receive threads and runs the receiver functions on them; packets
// come from and go to the interface through the seams.
#include "kez/net/udp_socket.h"
#include "kez/sys/event.h"
#include "ralnet/j5.h"
#include "udp/group_table.h"
#include "udp/udp_sender.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace ralnet::udp {

struct UdpTransportSeams {
    std::function<J5PacketObj*()> takeLargeObject;   // null when none is left
    std::function<bool(J5PacketObj*)> queueReceived; // false: refused, the caller frees it
    std::function<void(std::uint8_t* mac)> readOwnMac;
};

struct UdpCounters {
    std::atomic<std::uint64_t> received{0}; // queued for the dispatcher
    std::atomic<std::uint64_t> tooShort{0};
    std::atomic<std::uint64_t> tooLong{0};
    std::atomic<std::uint64_t> ownLoopedBack{0};
    std::atomic<std::uint64_t> receiveErrors{0};
    std::atomic<std::uint64_t> queueRefused{0};
    std::atomic<std::uint64_t> joinsRefused{0};
    std::atomic<std::uint64_t> noObject{0};
    std::atomic<std::uint64_t> bindRetries{0}; // port 47093 was taken
};

inline constexpr std::uint8_t kMulticastScope = 128;

class UdpTransport {
public:
    explicit UdpTransport(UdpTransportSeams seams);
    UdpTransport(const UdpTransport&) = delete;
    UdpTransport& operator=(const UdpTransport&) = delete;

    // J5Start: opens the send sockets and releases the waiting receivers at once, so sends and
    // joins made right after the start find their sockets. `adapterName` chooses the multicast
    // interface when the settings give no own address. False when the send sockets could not
    // be made (sends are then refused).
    bool start(const J5IpSettings& settings, const char* adapterName);
    // J5Close: refuses further sends and ends both receivers; they return promptly.
    void stop();

    bool started() const { return started_.load(std::memory_order_acquire); }
    bool canSend() const { return sender_.isOpen(); }
    // The J5 part of a packet built for UDP, to its destination IP (frees free-after-send).
    bool send(J5PacketObj& packet) { return sender_.sendPacket(packet); }
    // The same datagram; the object stays the caller's whatever its free-after-send mark.
    bool sendDatagram(const J5PacketObj& packet);

    // IGMPJoinGroupToRcv and IGMPRegisterToLeave: 1 done, 0 refused.
    int joinGroup(const std::uint8_t* group, std::uint16_t word, std::uint16_t value);
    int leaveGroup(const std::uint8_t* group);

    // Thread bodies; each returns when the transport stops or its socket cannot be made.
    void runUnicastReceiver();
    void runMulticastReceiver();

    GroupList groups() const { return groups_.snapshot(); }
    const UdpCounters& counters() const { return counters_; }

private:
    bool waitForStart();
    bool openUnicastSocket(kez::net::UdpSocket& socket);
    kez::net::MulticastInterface multicastInterface() const;
    bool openMulticastSocket(kez::net::UdpSocket& socket);
    void setMulticastOpen(bool open);
    bool waitForMulticastSocket();
    void joinPendingGroups(kez::net::UdpSocket& socket);
    // One receive into a fresh object; false when the loop must end.
    bool receiveOne(kez::net::UdpSocket& socket, kez::sys::Waitable& wake, bool dropOwn);
    J5PacketObj* takeObject();
    void deliver(J5PacketObj* packet, const kez::net::ReceivedDatagram& datagram, bool dropOwn);

    UdpTransportSeams seams_;
    kez::sys::Event startEvent_{kez::sys::Event::Reset::Manual};
    kez::sys::Event stopEvent_{kez::sys::Event::Reset::Manual};
    kez::sys::Event multicastWake_{kez::sys::Event::Reset::Auto};
    std::atomic<bool> started_{false};
    std::atomic<bool> stopping_{false};

    mutable std::mutex settingsLock_;
    kez::net::MulticastInterface interface_;

    UdpSender sender_;
    GroupTable groups_;
    UdpCounters counters_;
    // Set while the multicast receiver has its socket; joins wait for it.
    kez::sys::Event multicastOpen_{kez::sys::Event::Reset::Manual};
};

} // namespace ralnet::udp
