// The multicast tables over a link that records what would reach Ralnet; then, on the virtual
// wire, which group frames the adapter takes.
#include <gtest/gtest.h>

#include <sstream>

#include "endpoint/multicast_tables.h"
#include "endpoint_fixture.h"

namespace kez::linkor::test {
namespace {

class RecordingLink final : public MulticastLink {
public:
    void join(const IpAddress& group) override { calls += " j" + std::to_string(group[3]); }
    void leave(const IpAddress& group) override { calls += " l" + std::to_string(group[3]); }
    bool setMacList(std::span<const std::uint8_t> list) override {
        calls += " m";
        for (std::size_t i = 5; i < list.size(); i += 6)
            calls += (i > 5 ? "," : "") + std::to_string(list[i]);
        return !refuse;
    }
    std::string calls;
    bool refuse = false;
};

// Steps: +iN / -iN add or delete IP group N, +mN / -mN the same for MAC N (N:M for N to M),
// L leave every group, F forget the groups, A apply the MAC list, c / o the endpoint closed or
// open, R the adapter refuses lists. Results: . done, F full, R list refused.
struct Script {
    const char* steps;
    const char* results;
    const char* calls;
};

const Script kScripts[] = {
    {"+i1 +i1 -i1 -i1 -i1", "..", " j1 l1"}, // one join however often added; the last delete leaves
    {"+i0:10 L -i0", "..........F", " j0 j1 j2 j3 j4 j5 j6 j7 j8 j9 l0 l1 l2 l3 l4 l5 l6 l7 l8 l9"},
    {"c +i1 F o +i1", "..", " j1"}, // nothing reaches a closed endpoint's Ralnet; Open forgets
    {"+m1 +m2 +m1 -m1 -m1 +m3 -m2 -m3", "........", " m1 m1,2 m2 m3,2 m3 m"}, // the last one gone: empty
    {"c +m0:10 o R A -m9", "..........FRR", " m0,1,2,3,4,5,6,7,8,9 m0,1,2,3,4,5,6,7,8"},
};

std::string run(const char* steps, RecordingLink& link) {
    MulticastTables tables;
    MulticastLink* open = &link;
    std::string results;
    const auto note = [&](TableChange c) {
        results += c == TableChange::Done ? '.' : c == TableChange::Full ? 'F' : 'R';
    };
    std::istringstream words(steps);
    for (std::string step; words >> step;) {
        if (step == "L") tables.leaveAllIps(open);
        if (step == "F") tables.forgetIps();
        if (step == "A") note(tables.applyMacs(link));
        if (step == "c" || step == "o") open = step == "o" ? &link : nullptr;
        if (step == "R") link.refuse = true;
        if (step.size() < 3) continue;
        const auto colon = step.find(':');
        const int first = std::stoi(step.substr(2)),
                  last = colon == std::string::npos ? first : std::stoi(step.substr(colon + 1));
        for (auto n = static_cast<std::uint8_t>(first); n <= last; ++n) {
            const IpAddress ip{239, 1, 1, n};
            const MacAddress mac{0x01, 0x00, 0x5e, 0, 0, n};
            if (step[1] == 'i' && step[0] == '+') note(tables.addIp(ip, open));
            if (step[1] == 'i' && step[0] == '-') tables.deleteIp(ip, open);
            if (step[1] == 'm') note(step[0] == '+' ? tables.addMac(mac, open) : tables.deleteMac(mac, open));
        }
    }
    return results;
}

TEST(MulticastTables, CountedEntriesAndWhatReachesTheLink) {
    for (const auto& script : kScripts) {
        SCOPED_TRACE(script.steps);
        RecordingLink link;
        EXPECT_EQ(run(script.steps, link), script.results);
        EXPECT_EQ(link.calls, script.calls);
    }
}

// Group frames reach the endpoint as its MAC table and its all-multicast mode say.
TEST_F(EndPointOnWire, TheAdapterTakesTheListedGroupsOrAllOfThem) {
    FarStation far(wire_);
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    const Mac listed{0x03, 0x5A, 0x4E, 0, 0, 1}, other{0x03, 0x5A, 0x4E, 0, 0, 2};
    std::uint16_t marker = 0;
    const auto takes = [&](const Mac& group) { // sent ahead of a frame to the endpoint itself
        const std::size_t before = log_->count();
        far.send(J5_TYPE_HU, group, 0x0001, ++marker);
        far.send(J5_TYPE_HU, kOwnMac, 0x0001, ++marker);
        EXPECT_TRUE(pumpUntil([&] { return log_->count() > before && log_->events().back().handle() == marker; }));
        return log_->count() - before == 2;
    };
    EXPECT_FALSE(takes(listed));
    EXPECT_EQ(endPoint_->AddMulticastMac(byteArray(listed)), com::S_OK);
    EXPECT_TRUE(takes(listed));
    EXPECT_FALSE(takes(other));
    EXPECT_EQ(endPoint_->DeleteMulticastMac(byteArray(listed)), com::S_OK);
    EXPECT_FALSE(takes(listed)) << "the last address deleted: the adapter's list is empty";
    EXPECT_EQ(endPoint_->put_bAllMulticast(com::VARIANT_TRUE), com::S_OK);
    EXPECT_TRUE(takes(other));
    EXPECT_EQ(endPoint_->AddMulticastMac(byteArray(listed)), com::S_OK); // left alone in this mode
    EXPECT_EQ(endPoint_->put_bAllMulticast(com::VARIANT_FALSE), com::S_OK);
    EXPECT_FALSE(takes(listed));
    EXPECT_EQ(endPoint_->AddMulticastMac(byteArray(Bytes(5))), com::E_INVALIDARG);
}

} // namespace
} // namespace kez::linkor::test
