#include "call_test_support.h"

namespace kez::corvane::test {

CallTest::CallTest() {
    state_.with([](SharedFields& f) {
        f.vuruvMac = byteArray(kCallServerMac);
        f.bound = true;
        f.protocolRevision = kCallRevision;
        f.deviceHandle = 7;
    });
    services_.play = play_;
    services_.record = record_;
    services_.endPointObject = endPoint_;
}

CallStateMessage CallTest::call(std::int16_t type, std::int16_t direction, std::int16_t compression) {
    CallStateMessage m;
    m.sourceMac = byteArray(kCallServerMac);
    m.revision = kCallRevision;
    m.deviceHandle = 7;
    m.connectionType = type;
    m.direction = direction;
    m.headerBits = 0x0009;
    m.compression = compression;
    m.framesPerPacket = 4;
    m.otherMac = byteArray(kPartyMac);
    m.otherIp = byteArray(kPartyIp);
    m.otherVdn = kPartyVdn;
    m.multicastHash = 64;
    return m;
}

void CallTest::record(int frames, bool silence) {
    for (int i = 0; i < frames; ++i)
        audio_.recorded(byteArray(Bytes(silence ? 100 : 192, 0x55)), silence);
}

ReceivedAudio CallTest::audioFrom(const Bytes& mac, std::int16_t vdn, std::int16_t format,
                                  const std::vector<std::int16_t>& flags, std::int16_t first) {
    ReceivedAudio audio{byteArray(mac), vdn, format, {}, com::S_OK};
    for (const std::int16_t f : flags)
        audio.frames.push_back({f, first++, byteArray(Bytes(192, 0x7F))});
    return audio;
}

std::vector<Doubles::Sent> CallTest::sent() const {
    auto all = doubles_.sent();
    all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(forgotten_, all.size())));
    return all;
}

std::vector<Bytes> CallTest::sentOfType(std::uint16_t type) const {
    std::vector<Bytes> payloads;
    for (const auto& s : sent()) {
        const bool realTime = s.payload.size() >= 2 && wordAt(s.payload, 0) == 0x80B3;
        if (type == 0 ? realTime : !realTime && wordAt(s.payload, 0) == type) payloads.push_back(s.payload);
    }
    return payloads;
}

} // namespace kez::corvane::test
