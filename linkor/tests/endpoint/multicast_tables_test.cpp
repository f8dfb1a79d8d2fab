// The multicast tables alone, over a link that records what would reach Ralnet; and on the
// virtual wire, which group frames the adapter then takes.
#include <gtest/gtest.h>

#include "endpoint/multicast_tables.h"
#include "endpoint_fixture.h"

namespace kez::linkor::test {
namespace {

class RecordingLink final : public MulticastLink {
public:
    void join(const IpAddress& group) override { calls.push_back("join " + std::to_string(group[3])); }
    void leave(const IpAddress& group) override { calls.push_back("leave " + std::to_string(group[3])); }
    bool setMacList(std::span<const std::uint8_t> list) override {
        std::string call = "list";
        for (std::size_t i = 5; i < list.size(); i += 6)
            call += " " + std::to_string(list[i]);
        calls.push_back(call);
        return refuse == 0;
    }
    std::vector<std::string> calls;
    int refuse = 0;
};

IpAddress group(std::uint8_t n) { return {239, 1, 1, n}; }
MacAddress mac(std::uint8_t n) { return {0x01, 0x00, 0x5e, 0, 0, n}; }

struct Script {
    const char* name;
    std::function<std::vector<TableChange>(MulticastTables&, RecordingLink&)> run;
    std::vector<TableChange> results;
    std::vector<std::string> calls;
};

const Script kScripts[] = {
    {"the same group twice joins once; the second delete leaves",
     [](auto& t, auto& l) {
         std::vector r{t.addIp(group(1), &l), t.addIp(group(1), &l)};
         t.deleteIp(group(1), &l);
         t.deleteIp(group(1), &l);
         t.deleteIp(group(1), &l);
         return r;
     },
     {TableChange::Done, TableChange::Done},
     {"join 1", "leave 1"}},
    {"an eleventh group is refused; the ten stay and are left at Close",
     [](auto& t, auto& l) {
         std::vector<TableChange> r;
         for (std::uint8_t n = 0; n < 11; ++n)
             r.push_back(t.addIp(group(n), &l));
         l.calls.erase(l.calls.begin(), l.calls.begin() + 10);
         t.leaveAllIps(&l);
         t.deleteIp(group(0), &l);
         return std::vector{r.back(), r.front()};
     },
     {TableChange::Full, TableChange::Done},
     {"leave 0", "leave 1", "leave 2", "leave 3", "leave 4", "leave 5", "leave 6", "leave 7", "leave 8", "leave 9"}},
    {"groups of a closed endpoint are counted but never joined; Open forgets them",
     [](auto& t, auto& l) {
         std::vector r{t.addIp(group(1), nullptr)};
         t.forgetIps();
         r.push_back(t.addIp(group(1), &l));
         return r;
     },
     {TableChange::Done, TableChange::Done},
     {"join 1"}},
    {"the list follows the table order; deleting the last address sends the empty list",
     [](auto& t, auto& l) {
         std::vector r{t.addMac(mac(1), &l), t.addMac(mac(2), &l), t.addMac(mac(1), &l)};
         r.push_back(t.deleteMac(mac(1), &l));
         r.push_back(t.deleteMac(mac(1), &l));
         r.push_back(t.addMac(mac(3), &l));
         r.push_back(t.deleteMac(mac(2), &l));
         r.push_back(t.deleteMac(mac(3), &l));
         return r;
     },
     std::vector(8, TableChange::Done),
     {"list 1", "list 1 2", "list 2", "list 3 2", "list 3", "list"}},
    {"an eleventh address is refused; a refused list is reported and the entry kept",
     [](auto& t, auto& l) {
         std::vector<TableChange> r;
         for (std::uint8_t n = 0; n < 11; ++n)
             r.push_back(t.addMac(mac(n), nullptr));
         l.refuse = 1;
         r = {r.back(), t.applyMacs(l), t.deleteMac(mac(9), &l)};
         return r;
     },
     {TableChange::Full, TableChange::ListRefused, TableChange::ListRefused},
     {"list 0 1 2 3 4 5 6 7 8 9", "list 0 1 2 3 4 5 6 7 8"}},
};

TEST(MulticastTables, CountedEntriesAndWhatReachesTheLink) {
    for (const auto& script : kScripts) {
        SCOPED_TRACE(script.name);
        MulticastTables tables;
        RecordingLink link;
        EXPECT_EQ(script.run(tables, link), script.results);
        EXPECT_EQ(link.calls, script.calls);
    }
}

// Group frames reach the endpoint as the MAC table and the all-multicast mode say.
TEST_F(EndPointOnWire, TheAdapterTakesTheListedGroupsOrAllOfThem) {
    FarStation far(wire_);
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    const Mac listed{0x03, 0x5A, 0x4E, 0, 0, 1}, other{0x03, 0x5A, 0x4E, 0, 0, 2};
    std::uint16_t marker = 0;
    // Whether a frame to `group` arrives: it is sent ahead of a frame to the endpoint itself.
    auto takes = [&](const Mac& group) {
        const std::size_t before = log_->count();
        far.send(J5_TYPE_HU, group, 0x0001, ++marker);
        far.send(J5_TYPE_HU, kOwnMac, 0x0001, ++marker);
        EXPECT_TRUE(pumpUntil([&] {
            const auto events = log_->events();
            return !events.empty() && handleOf(events.back()) == marker;
        }));
        return log_->count() - before == 2;
    };
    EXPECT_FALSE(takes(listed));
    EXPECT_EQ(endPoint_->AddMulticastMac(byteArray(listed)), com::S_OK);
    EXPECT_EQ(endPoint_->AddMulticastMac(byteArray(listed)), com::S_OK);
    EXPECT_EQ(endPoint_->DeleteMulticastMac(byteArray(listed)), com::S_OK);
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
