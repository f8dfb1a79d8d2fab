#include "link_cases.h"

#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "iface/unreliable_send.h"

#include "kez/net/mac_address.h"
#include "process.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ralnet::test {
namespace fs = std::filesystem;

namespace {

std::string specJson(const CaseSpec& s) {
    std::ostringstream out;
    out << R"({"name":")" << s.name << R"(","type":")" << s.type << R"(","form":")" << s.form << R"(","framing":")"
        << s.framing << R"(","dst":")" << s.dst << R"(","src":")" << s.src << R"(","seq":)" << s.seq << R"(,"tag":)"
        << s.tag << R"(,"payload":")" << toHex(s.payload) << R"(","dst_vdn":)" << s.destVdn << R"(,"src_vdn":)"
        << s.srcVdn;
    if (s.form == "older-hu") out << R"(,"hu_words":[)" << s.words[0] << "," << s.words[1] << "]";
    out << "}";
    return out.str();
}

Bytes pattern(std::size_t n, unsigned seed) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(seed + 7 * i);
    return out;
}

CaseSpec request(std::string name, std::string type, std::string form, std::string framing, const std::string& dst,
                 const std::string& src, std::size_t payloadLength) {
    CaseSpec s;
    s.name = std::move(name);
    s.type = std::move(type);
    s.form = std::move(form);
    s.framing = std::move(framing);
    s.dst = dst;
    s.src = src;
    s.payload = pattern(payloadLength, static_cast<unsigned>(s.name.size() * 13));
    return s;
}

std::uint16_t typeCode(const std::string& type) { return static_cast<std::uint16_t>((type[0] << 8) | type[1]); }

} // namespace

fs::path linkPeerScript() { return fs::path(KEZ_SOURCE_DIR) / "ralnet" / "tests" / "link_peer.py"; }

CaseSet makeCases(const std::vector<CaseSpec>& specs, const fs::path& folder) {
    CaseSet set;
    const fs::path specFile = folder / "request.jsonl";
    set.file = folder / "cases.jsonl";
    {
        std::ofstream out(specFile);
        for (const auto& s : specs)
            out << specJson(s) << "\n";
    }
    const auto made =
        kez::test::runCommand({KEZ_PYTHON, linkPeerScript().string(), "cases", specFile.string(), set.file.string()});
    if (!made.ok()) {
        set.error = "link_peer.py cases: " + made.err;
        return set;
    }
    std::istringstream lines(made.out);
    for (const auto& s : specs) {
        WireCase c;
        c.request = s;
        std::string name;
        std::string frame;
        unsigned bitmap = 0, rxBitmap = 0, tci = 0;
        lines >> name >> bitmap >> rxBitmap >> c.j5Offset >> c.payloadOffset >> tci >> frame;
        if (!lines || name != s.name) {
            set.error = "link_peer.py answered out of step at " + s.name;
            return set;
        }
        c.bitmap = static_cast<J5HeaderBitMap>(bitmap);
        c.rxBitmap = static_cast<J5HeaderBitMap>(rxBitmap);
        c.tci = static_cast<std::uint16_t>(tci);
        c.frame = hex(frame);
        set.cases.push_back(std::move(c));
    }
    return set;
}

std::string verifyCapture(const fs::path& cases, const fs::path& pcap) {
    const auto checked =
        kez::test::runCommand({KEZ_PYTHON, linkPeerScript().string(), "verify", cases.string(), pcap.string()});
    std::string text = checked.out + checked.err;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::vector<CaseSpec> sendSpecs(const std::string& own, const std::string& peer) {
    std::vector<CaseSpec> specs{
        request("ha-plain", "HA", "short", "plain", peer, own, 20),
        request("ha-8021q", "HA", "short", "8021q", peer, own, 33),
        request("ha-snap", "HA", "short", "snap", peer, own, 160),
        request("dl-plain", "DL", "short", "plain", peer, own, 5),
        request("dl-maker", "DL", "short-dl", "maker-snap", peer, own, 300),
        request("hu-plain", "HU", "full", "plain", peer, own, 12),
        request("hu-8021q", "HU", "full", "8021q", peer, own, 1),
        request("hu-older", "HU", "older-hu", "maker-snap", peer, own, 40),
        request("ha-large", "HA", "short", "plain", peer, own, 1400),
    };
    specs[1].tag = 0x2005;
    specs[5].seq = 1;
    specs[5].destVdn = 0x1234;
    specs[5].srcVdn = 0x0056;
    specs[6].seq = 2;
    specs[6].tag = 0xE007; // the caller's priority bits are replaced by "HU"'s
    specs[7].seq = 3;
    specs[7].words[0] = 0x1111;
    specs[7].words[1] = 0x2222;
    return specs;
}

std::vector<CaseSpec> receiveSpecs(const std::string& own, const std::string& peer) {
    std::vector<CaseSpec> specs;
    for (const char* framing : {"plain", "8021q", "snap", "snap-8021q"}) {
        specs.push_back(request(std::string("ha-") + framing, "HA", "short", framing, own, peer, 24));
        specs.push_back(request(std::string("hu-") + framing, "HU", "full", framing, own, peer, 50));
        specs.push_back(request(std::string("dl-") + framing, "DL", "short", framing, own, peer, 70));
    }
    for (const char* framing : {"maker-snap", "maker-snap-8021q"}) {
        specs.push_back(request(std::string("older-hu-") + framing, "HU", "older-hu", framing, own, peer, 30));
        specs.push_back(request(std::string("short-dl-") + framing, "DL", "short-dl", framing, own, peer, 200));
    }
    for (auto& s : specs) {
        s.seq = 0x0102;
        s.tag = 0x2ABC;
        s.destVdn = 7;
        s.srcVdn = 9;
        s.words[0] = 0x0A0B;
        s.words[1] = 0x0C0D;
    }
    return specs;
}

J5Result sendThroughRalnet(J5NetIf* ctx, const WireCase& c) {
    const CaseSpec& s = c.request;
    const auto dest = kez::net::parseMac(s.dst).value_or(kez::net::MacAddress{});
    const auto length = static_cast<std::uint16_t>(s.payload.size());
    if (s.type == "HA") {
        return J5AudioSend(ctx, dest.data(), s.payload.data(), length, c.bitmap, nullptr, nullptr, 0,
                           static_cast<std::uint16_t>(s.tag), 77);
    }
    if (s.type == "DL") {
        return J5DownloadSend(ctx, dest.data(), s.payload.data(), length, c.bitmap, nullptr, nullptr, 0);
    }
    if (s.form == "older-hu") {
        return J5SendUNROlderRev(0x0201, ctx, J5_TYPE_HU, dest.data(), static_cast<std::uint16_t>(s.words[0]),
                                 static_cast<std::uint16_t>(s.words[1]), s.payload.data(), length, c.bitmap);
    }
    const auto iface = iface::acquireInterface(ctx);
    if (!iface) return J5_ERR_NOT_STARTED;
    iface::UnreliableSend send;
    send.type = typeCode(s.type);
    send.destMac = dest.data();
    send.destVdn = static_cast<std::uint16_t>(s.destVdn);
    send.srcVdn = static_cast<std::uint16_t>(s.srcVdn);
    send.payload = s.payload.data();
    send.length = length;
    send.bitmap = c.bitmap;
    send.tci = static_cast<std::uint16_t>(s.tag);
    return iface::sendUnreliable(*iface, send);
}

std::string compareReceived(const J5PacketObj& packet, const WireCase& c) {
    std::ostringstream problems;
    if (packet.pathFlags != c.rxBitmap) {
        problems << " path flags 0x" << std::hex << packet.pathFlags << " not 0x" << c.rxBitmap << std::dec;
    }
    const Bytes expected(c.frame.begin() + static_cast<long>(c.j5Offset + c.payloadOffset), c.frame.end());
    if (!packet.dataRef || Bytes(packet.dataRef, packet.dataRef + packet.length) != expected) {
        problems << " payload differs (" << packet.length << " bytes, expected " << expected.size() << ")";
    }
    const auto* tag = reinterpret_cast<const std::uint8_t*>(&packet.tagControlWord);
    if (static_cast<std::uint16_t>((tag[0] << 8) | tag[1]) != c.tci) problems << " tag control word differs";
    if (!packet.linkDestinationRef ||
        !std::equal(c.frame.begin() + 6, c.frame.begin() + 12, packet.linkDestinationRef + 6)) {
        problems << " source MAC differs";
    }
    if (packet.headerRef != packet.linkDestinationRef + c.j5Offset) problems << " header reference misplaced";
    const std::string text = problems.str();
    return text.empty() ? text : c.request.name + ":" + text;
}

std::size_t threadCount() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator{}));
}

std::vector<int> openDescriptors() {
    std::vector<int> fds;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd"))
        fds.push_back(std::atoi(entry.path().filename().c_str()));
    std::sort(fds.begin(), fds.end());
    return fds;
}

} // namespace ralnet::test
