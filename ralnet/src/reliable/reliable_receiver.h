#pragma once
// The receive side of reliable delivery: connect requests answered, "HR" accepted strictly in
// sequence and acknowledged, the repeat of the last one acknowledged again, everything else
// dropped or answered with "HE".
#include "reliable/receive_table.h"
#include "reliable/services.h"

#include <cstdint>
#include <mutex>
#include <optional>

namespace ralnet::reliable {

class ReliableReceiver {
public:
    ReliableReceiver(std::uint16_t connections, StackServices& services);

    // A received "HR" or "HI" whose payload position is set; takes the packet.
    void onData(J5PacketObj* packet);
    void onConnect(J5PacketObj* packet);

    // Finds or creates the connection to `mac` (new ones get `linkFlags`) and pins it.
    bool setPinned(const std::uint8_t* mac, std::uint16_t pinned, J5HeaderBitMap linkFlags);

    std::optional<ReceiveConnection> inspect(const std::uint8_t* mac) const;
    std::uint32_t dropped() const;

private:
    struct Reply;
    ReceiveConnection* create(const std::uint8_t* mac, J5HeaderBitMap linkFlags);
    void tellEvicted(const ReceiveConnection& evicted);
    void acceptInSequence(ReceiveConnection& c, J5PacketObj* packet);
    void reply(J5PacketObj* packet, const Reply& reply);
    void drop(J5PacketObj* packet);

    StackServices& services_;
    mutable std::mutex tableLock_;
    ReceiveTable table_;
    std::uint32_t dropped_ = 0; // packets dropped outside any connection
};

} // namespace ralnet::reliable
