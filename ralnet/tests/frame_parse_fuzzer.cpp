// Arbitrary bytes as a received Ethernet frame and as a UDP datagram: demultiplexing, payload
// position and header reading must stay inside the bytes given.
#include "wire/demux.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void parseJ5Part(const std::uint8_t* j5, std::size_t length, J5HeaderBitMap pathFlags) {
    ralnet::wire::PayloadPosition position;
    if (ralnet::wire::locatePayload(j5, length, pathFlags, position) != ralnet::wire::PayloadVerdict::Deliver) return;
    const ralnet::wire::HeaderFields fields = ralnet::wire::readHeader(j5, position);
    volatile std::uint16_t sink = fields.sequence;
    (void)sink;
}

void parseAsObject(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFF) return;
    // An exactly sized copy, so a read past the frame is past the allocation.
    std::vector<std::uint8_t> buffer(data, data + size);
    J5PacketObj packet{};
    packet.buffer = buffer.data();
    packet.dataRef = buffer.data();
    packet.length = static_cast<std::uint16_t>(size);
    if (ralnet::wire::acceptEthernetFrame(packet) != ralnet::wire::DemuxVerdict::J5) return;
    if (ralnet::wire::setPayloadPosition(packet) != ralnet::wire::PayloadVerdict::Deliver) return;
    if (packet.length) {
        volatile std::uint8_t last = packet.dataRef[packet.length - 1];
        (void)last;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ralnet::wire::LinkInput link;
    if (ralnet::wire::demultiplex(data, size, link) == ralnet::wire::DemuxVerdict::J5) {
        parseJ5Part(data + link.j5Offset, link.j5Length, link.pathFlags);
    }
    parseJ5Part(data, size, 0x0061);
    parseAsObject(data, size);
    return 0;
}
