#include "reliable/error_handler.h"

#include "reliable/error_record.h"
#include "wire/byte_order.h"
#include "wire/layout.h"

#include <algorithm>
#include <array>

namespace ralnet::reliable {
namespace {

bool isFailure(J5Result result) { return (result & 0x8000) != 0; }

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

    const bool resend = record->cause == J5_CAUSE_NOT_CONNECTED && resynchronise(*record);
    for (std::size_t i = 0; i < count; ++i) {
        if (builtType(*held[i]) == J5_TYPE_HR) {
            if (resend) {
                resendHeld(held[i]);
            } else {
                ++counters_.discarded;
            }
        }
        services_.givePacket(held[i]);
    }
    return following;
}

bool ErrorHandler::resynchronise(const ErrorRecord& record) {
    SendRequest request;
    request.destMac = record.route.destMac;
    request.bitmap = record.route.bitmap;
    request.destIp = record.route.destIp;
    request.ipTos = callerTypeOfService(record.route.typeOfService);
    request.tci = record.route.vlanId;
    if (!isFailure(calls_.resync(request))) return true;
    ++counters_.resyncFailures;
    return false;
}

// Sends a held "HR" again with the words it was first sent with, in the caller's forms.
void ErrorHandler::resendHeld(J5PacketObj* held) {
    SendRequest request;
    request.type = J5_TYPE_HR;
    request.destMac = held->destMac;
    request.destVdn = wire::loadBe16(held->sendHeaderRef + wire::kOffDestVdn);
    request.srcVdn = wire::loadBe16(held->sendHeaderRef + wire::kOffSrcVdn);
    request.payload = held->sendHeaderRef + J5_FULL_HEADER_LEN;
    request.length = held->sendPayloadLength;
    request.bitmap = held->sendBitMap;
    request.destIp = held->destIp;
    request.ipTos = callerTypeOfService(held->typeOfService);
    request.tci = callerTag(held->sendTagControlWord);
    if (isFailure(calls_.send(request))) {
        ++counters_.resendFailures;
    } else {
        ++counters_.resent;
    }
}

} // namespace ralnet::reliable
