#pragma once
// The send side of reliable delivery: connecting with "HI", one "HR" in flight per peer,
// acknowledgements, retransmission on the tick, giving up, and the errors handed to the error
// queue with the packets held behind them.
#include "reliable/config.h"
#include "reliable/packet_ops.h"
#include "reliable/send_table.h"
#include "reliable/services.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace ralnet::reliable {

// A snapshot of one send connection, for diagnostics and tests.
struct SendConnectionView {
    std::uint16_t ownIndex = 0;
    std::uint16_t peerIndex = 0;
    std::uint16_t state = 0;
    std::uint16_t lastSequence = 0;
    std::uint16_t connectNumber = 0;
    std::uint16_t initialConnectNumber = 0;
    std::uint16_t retryCount = 0;
    std::uint16_t waiting = 0;      // packets in the window, head included
    std::uint16_t windowLength = 0; // data packets the window may hold
    std::uint16_t pinned = 0;
    SendCounters counters;
};

class ReliableSender {
public:
    ReliableSender(const ReliableConfig& config, StackServices& services);
    // Gives back every packet still waiting in a window.
    ~ReliableSender();
    ReliableSender(const ReliableSender&) = delete;
    ReliableSender& operator=(const ReliableSender&) = delete;

    // Queues a built "HR" (its sequence and indexes are written when it goes), or with a null
    // packet carries out a resynchronisation ("HC") on `route`. Takes the packet in every case.
    J5Result sendReliable(J5PacketObj* packet, std::uint16_t type, const Route& route);

    // An "HH", "HY" or "HE" from a peer; takes the packet.
    void onControl(J5PacketObj* packet);

    // The held "HR" packets of a connection its peer lost go back into its window, in their
    // order, behind a new connect request on `route` and ahead of anything sent since. Takes
    // the packets; returns how many went back (the rest are given up).
    std::size_t resumeHeld(const Route& route, std::span<J5PacketObj* const> held);

    // Retransmits every head whose timeout has run out, and gives up after the retry limit.
    // True while a head still waits for its answer (or the scan was cut short).
    bool retransmissionScan();

    // Usable window length while the window is empty; 0 when no connection can be had.
    std::uint16_t setWindowLength(const std::uint8_t* mac, std::uint16_t length);
    bool setPinned(const std::uint8_t* mac, std::uint16_t pinned);

    std::optional<SendConnectionView> inspect(const std::uint8_t* mac);

private:
    J5Result resynchronise(SendConnection& c);
    J5Result sendByState(SendConnection& c, J5PacketObj* packet, const Route& route);
    J5Result queueBehindConnect(SendConnection& c, J5PacketObj* packet);
    J5Result queueOnOpen(SendConnection& c, J5PacketObj* packet);
    J5Result putInWindow(SendConnection& c, J5PacketObj* packet);
    J5Result connect(SendConnection& c, J5PacketObj* packet, const Route& route);
    void sendHead(SendConnection& c);

    void onAcknowledgement(SendConnection& c, J5PacketObj* packet);
    void onConnectReply(SendConnection& c, J5PacketObj* packet);
    void onErrorReply(SendConnection& c, J5PacketObj* packet);
    // True while the connection's head still waits for its answer.
    bool retransmitIfDue(SendConnection& c, bool& scanGoesOn);
    bool giveUp(SendConnection& c);
    void deliverError(SendConnection& c, J5PacketObj* record, std::uint16_t cause);

    void release(J5PacketObj* packet) { services_.givePacket(packet); }

    ReliableConfig config_;
    StackServices& services_;
    SendTable table_;
};

inline bool isSendFailure(J5Result result) { return (result & 0x8000) != 0; }

} // namespace ralnet::reliable
