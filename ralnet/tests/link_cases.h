#pragma once
// Frames for the link exchange tests, made by the independent peer (link_peer.py on the
// J5 wire tables), and the calls that make Ralnet send or check them.
#include "bytes.h"

#include "ralnet/j5.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ralnet::test {

using namespace kez::test;

struct CaseSpec {
    std::string name;
    std::string type;    // "HA", "HU", "DL"
    std::string form;    // full | short | older-hu | short-dl
    std::string framing; // plain | 8021q | snap | snap-8021q | maker-snap | maker-snap-8021q
    std::string dst;
    std::string src;
    unsigned seq = 0;
    unsigned tag = 0;
    Bytes payload;
    unsigned words[2] = {0, 0}; // older "HU"
    unsigned destVdn = 0;
    unsigned srcVdn = 0;
};

struct WireCase {
    CaseSpec request;
    J5HeaderBitMap bitmap = 0;
    J5HeaderBitMap rxBitmap = 0;
    std::size_t j5Offset = 0;
    std::size_t payloadOffset = 0;
    std::uint16_t tci = 0;
    Bytes frame;
};

struct CaseSet {
    std::vector<WireCase> cases;
    std::filesystem::path file; // the peer's cases, for verifyCapture
    std::string error;
};

CaseSet makeCases(const std::vector<CaseSpec>& specs, const std::filesystem::path& folder);

// "ok", or the peer's list of mismatches between the capture and the cases (bytes and tshark).
std::string verifyCapture(const std::filesystem::path& cases, const std::filesystem::path& pcap);

std::filesystem::path linkPeerScript();

// The cases Ralnet sends in the exchange tests, from `own` to `peer`, in sending order
// ("HU" counters 1, 2, 3 as a fresh interface numbers them).
std::vector<CaseSpec> sendSpecs(const std::string& own, const std::string& peer);
// The cases a peer injects, from `peer` to `own`: every framing of "HA", "HU" and "DL".
std::vector<CaseSpec> receiveSpecs(const std::string& own, const std::string& peer);

// Makes Ralnet send the case through the export (or, for a full-header "HU", the stack's
// unreliable path that J5Send uses). The result code.
J5Result sendThroughRalnet(J5NetIf* ctx, const WireCase& c);

// Compares a received packet with the case it was made from; empty when it matches.
std::string compareReceived(const J5PacketObj& packet, const WireCase& c);

std::size_t threadCount();
std::vector<int> openDescriptors();

} // namespace ralnet::test
