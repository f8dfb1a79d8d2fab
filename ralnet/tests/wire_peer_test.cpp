// Our frames against the independent fixture generator in tests/peers/j5wire: the bytes must
// match, parse back to the same fields, and decode in tshark as the cases expect.
#include "bytes.h"
#include "pool/packet_pools.h"
#include "process.h"
#include "temp_dir.h"
#include "wire/demux.h"
#include "wire/packet_builder.h"

#include "kez/net/pcap_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace ralnet::test {

using namespace kez::test;

namespace {

namespace fs = std::filesystem;

const fs::path kPeerDir = fs::path(KEZ_SOURCE_DIR) / "tests/peers/j5wire";

struct PeerCase {
    std::string name, type;
    unsigned bitmap = 0;
    std::string dstMac, srcMac;
    unsigned seq = 0, dstVdn = 0, srcVdn = 0, rxIndex = 0, txIndex = 0, tag = 0, hu1 = 0, hu2 = 0;
    std::string payload, frame;
    unsigned rxBitmap = 0, payloadOffset = 0, j5Offset = 0, rxPayloadLength = 0, udp = 0;
    int rxTci = -1;
};

std::vector<PeerCase> readCases(const std::string& text) {
    std::vector<PeerCase> cases;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        PeerCase c;
        words >> c.name >> c.type >> c.bitmap >> c.dstMac >> c.srcMac >> c.seq >> c.dstVdn >> c.srcVdn >> c.rxIndex >>
            c.txIndex >> c.tag >> c.hu1 >> c.hu2 >> c.payload >> c.frame >> c.rxBitmap >> c.payloadOffset >>
            c.j5Offset >> c.rxPayloadLength >> c.udp >> c.rxTci;
        if (words) cases.push_back(c);
    }
    return cases;
}

wire::PacketRequest requestOf(const PeerCase& c, const Bytes& payload) {
    wire::PacketRequest request;
    request.header.type = static_cast<std::uint16_t>(c.type[0] << 8 | c.type[1]);
    const Bytes src = hex(c.srcMac);
    const Bytes dst = hex(c.dstMac);
    std::memcpy(request.header.senderMac, src.data(), J5_MAC_LEN);
    std::memcpy(request.destMac, dst.data(), J5_MAC_LEN);
    request.header.sequence = static_cast<std::uint16_t>(c.seq);
    request.header.destVdn = static_cast<std::uint16_t>(c.dstVdn);
    request.header.srcVdn = static_cast<std::uint16_t>(c.srcVdn);
    request.header.receiverIndex = static_cast<std::uint16_t>(c.rxIndex);
    request.header.senderIndex = static_cast<std::uint16_t>(c.txIndex);
    request.header.olderHuWords[0] = static_cast<std::uint16_t>(c.hu1);
    request.header.olderHuWords[1] = static_cast<std::uint16_t>(c.hu2);
    request.bitmap = static_cast<J5HeaderBitMap>(c.bitmap);
    request.callerTci = static_cast<std::uint16_t>(c.tag);
    request.payload = payload.data();
    request.payloadLength = static_cast<std::uint16_t>(payload.size());
    return request;
}

class WirePeer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kPeerDir / "gen_frames.py")) GTEST_SKIP() << "fixture generator not present";
        const fs::path flatten = fs::path(KEZ_SOURCE_DIR) / "ralnet/tests/peer_cases.py";
        const std::vector<std::string> environment{"PYTHONDONTWRITEBYTECODE=1"};
        const auto generated = runCommand({KEZ_PYTHON, kPeerDir / "gen_frames.py"}, environment);
        ASSERT_EQ(generated.exitCode, 0);
        ASSERT_TRUE(writeFile(work_ / "cases.jsonl", generated.out));
        const auto flattened = runCommand(
            shellCommand("\"$1\" \"$2\" < \"$3\"", {KEZ_PYTHON, flatten, work_ / "cases.jsonl"}), environment);
        ASSERT_EQ(flattened.exitCode, 0);
        cases_ = readCases(flattened.out);
        ASSERT_FALSE(cases_.empty());
    }

    // Builds one case; the frame (or datagram) bytes, empty on failure.
    Bytes build(const PeerCase& c) {
        const Bytes payload = c.payload == "-" ? Bytes{} : hex(c.payload);
        const wire::PacketRequest request = requestOf(c, payload);
        J5PacketObj* p = pools_->take(wire::headerRoom(request.bitmap) + payload.size(), false);
        if (!p) return {};
        Bytes out;
        if (wire::buildPacket(*p, request) == wire::BuildError::None) out.assign(p->dataRef, p->dataRef + p->length);
        pools_->giveBack(p);
        return out;
    }

    void expectParsesBack(const PeerCase& c, const Bytes& frame) {
        J5PacketObj* p = pools_->take(372, false);
        ASSERT_NE(p, nullptr);
        const std::size_t at = c.udp ? 42 : 0; // where a datagram lies in the buffer
        std::memcpy(p->buffer + at, frame.data(), frame.size());
        p->dataRef = p->buffer + at;
        p->length = static_cast<std::uint16_t>(frame.size());
        if (c.udp) {
            p->headerRef = p->dataRef;
            p->pathFlags = 0x0061;
        } else {
            ASSERT_EQ(wire::acceptEthernetFrame(*p), wire::DemuxVerdict::J5) << c.name;
            EXPECT_EQ(static_cast<unsigned>(p->headerRef - p->linkDestinationRef), c.j5Offset) << c.name;
            const auto* tci = reinterpret_cast<const std::uint8_t*>(&p->tagControlWord);
            EXPECT_EQ(tci[0] << 8 | tci[1], c.rxTci < 0 ? 0 : c.rxTci) << c.name;
        }
        wire::PayloadPosition position;
        ASSERT_EQ(wire::locatePayload(p->headerRef, p->length, p->pathFlags, position), wire::PayloadVerdict::Deliver)
            << c.name;
        const wire::HeaderFields fields = wire::readHeader(p->headerRef, position);
        ASSERT_EQ(wire::setPayloadPosition(*p), wire::PayloadVerdict::Deliver) << c.name;
        EXPECT_EQ(p->pathFlags, c.rxBitmap) << c.name;
        EXPECT_EQ(static_cast<unsigned>(p->dataRef - p->headerRef), c.payloadOffset) << c.name;
        EXPECT_EQ(p->length, c.rxPayloadLength) << c.name;
        const Bytes payload = c.payload == "-" ? Bytes{} : hex(c.payload);
        EXPECT_EQ(toHex({p->dataRef, payload.size()}), toHex(payload)) << c.name;
        expectSameFields(c, fields);
        pools_->giveBack(p);
    }

    static void expectSameFields(const PeerCase& c, const wire::HeaderFields& f) {
        EXPECT_EQ(f.type, c.type[0] << 8 | c.type[1]) << c.name;
        const bool typeOnly = c.type == "DL" && (c.bitmap & J5_HBM_MAKER_SNAP);
        if (!typeOnly && !(c.bitmap & J5_HBM_OLDER_HU)) {
            EXPECT_EQ(toHex(f.senderMac), toHex(hex(c.srcMac))) << c.name;
        }
        if (c.type == "HA" || c.type == "DL") return;
        EXPECT_EQ(f.sequence, c.seq) << c.name;
        if (c.bitmap & J5_HBM_OLDER_HU) {
            EXPECT_EQ(f.olderHuWords[0], c.hu1) << c.name;
            EXPECT_EQ(f.olderHuWords[1], c.hu2) << c.name;
            return;
        }
        EXPECT_EQ(f.destVdn, c.dstVdn) << c.name;
        EXPECT_EQ(f.srcVdn, c.srcVdn) << c.name;
        EXPECT_EQ(f.receiverIndex, c.type == "HU" ? 0 : c.rxIndex) << c.name;
        EXPECT_EQ(f.senderIndex, c.type == "HU" ? 0 : c.txIndex) << c.name;
    }

    const TempDir work_{"ralnet-peer-frames"};
    std::vector<PeerCase> cases_;
    std::unique_ptr<PacketPools> pools_ = PacketPools::create({8, 8, 8});
};

TEST_F(WirePeer, EveryCaseBuildsTheSameBytesAndParsesBack) {
    for (const PeerCase& c : cases_) {
        const Bytes built = build(c);
        EXPECT_EQ(toHex(built), c.frame) << c.name;
        if (!built.empty()) expectParsesBack(c, built);
    }
}

TEST_F(WirePeer, TsharkDecodesOurFramesAsTheCasesExpect) {
    if (!runCommand(shellCommand("command -v tshark")).ok()) GTEST_SKIP() << "tshark not installed";
    kez::net::PcapWriter pcap(work_ / "ours.pcap");
    for (const PeerCase& c : cases_) {
        if (c.udp) continue;
        const Bytes built = build(c);
        ASSERT_FALSE(built.empty()) << c.name;
        pcap.write(built);
    }
    ASSERT_TRUE(pcap.ok());
    const auto checked =
        runCommand({KEZ_PYTHON, kPeerDir / "check_pcap.py", work_ / "cases.jsonl", work_ / "ours.pcap"});
    EXPECT_EQ(checked.exitCode, 0) << checked.out << checked.err;
}

} // namespace
} // namespace ralnet::test
