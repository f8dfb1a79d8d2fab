#include "reliable/error_handler.h"

#include "reliable/error_record.h"
#include "wire/byte_order.h"
#include "wire/layout.h"

#include <algorithm>
#include <array>
#include <span>

namespace ralnet::reliable {
namespace {

std::uint16_t builtType(const J5PacketObj& packet) {
    return packet.sendHeaderRef ? wire::loadBe16(packet.sendHeaderRef + wire::kOffType) : 0;
}

} // namespace

void ErrorHandler::run(ErrorQueueReader& queue) {
    while (!queue.stopping()) {
        if (J5PacketObj* packet = queue.waitRecord()) handle(packet, queue);
    }
}

void ErrorHandler::handle(J5PacketObj* packet, ErrorQueueReader& queue) {
    while (packet)
        packet = handleOne(packet, queue);
}

// Returns the next record when the queue gave it in place of a held packet (the queue had been
// full while the held packets of this record were queued).
J5PacketObj* ErrorHandler::handleOne(J5PacketObj* packet, ErrorQueueReader& queue) {
    const std::optional<ErrorRecord> record = readErrorRecord(*packet);
    services_.givePacket(packet);
    if (!record) return nullptr;
    ++counters_.records;

    std::array<J5PacketObj*, kWindowSlots> held{};
    std::size_t count = 0;
    J5PacketObj* following = nullptr;
    const std::size_t wanted = deliverHeldPackets_ ? std::min<std::size_t>(record->held, held.size()) : 0;
    while (count < wanted && !following) {
        J5PacketObj* next = queue.takeQueued();
        if (!next) break;
        if (readErrorRecord(*next)) {
            following = next;
        } else {
            held[count++] = next;
        }
    }
    if (count < wanted) ++counters_.shortRecords;

    // Only the data packets go back; a connect request held at the head is made anew.
    std::size_t data = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (builtType(*held[i]) == J5_TYPE_HR) {
            held[data++] = held[i];
        } else {
            services_.givePacket(held[i]);
        }
    }
    const std::span<J5PacketObj* const> dataPackets(held.data(), data);
    if (record->cause == J5_CAUSE_NOT_CONNECTED) {
        // Counted before the hand-over: the packets may arrive before it returns.
        counters_.resent += static_cast<std::uint32_t>(data);
        const auto givenUp = static_cast<std::uint32_t>(data - sender_.resumeHeld(record->route, dataPackets));
        if (givenUp > 0) {
            counters_.resent -= givenUp;
            counters_.discarded += givenUp;
            ++counters_.resyncFailures;
        }
    } else {
        counters_.discarded += static_cast<std::uint32_t>(data);
        for (J5PacketObj* packet : dataPackets)
            services_.givePacket(packet);
    }
    return following;
}

} // namespace ralnet::reliable
