// Every case of the independent message oracle (tests/peers/jipmsg), loaded into our
// objects: received payloads through LoadFromPacket, built ones through their steps, then
// every getter and every expected failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "kez/com/error_info.h"
#include "message_accessors.h"
#include "oracle_cases.h"

namespace kez::linkor::test {
namespace {

// Cases where this system and the oracle part ways, with the reason (none at present).
const std::map<std::string, std::string> kSkipped = {};

std::string describe(const Outcome& outcome) {
    std::ostringstream out;
    out << "hr=0x" << std::hex << static_cast<std::uint32_t>(outcome.hr) << std::dec;
    const Variant& v = outcome.value;
    if (const auto* n = v.get<std::int32_t>()) {
        out << " int " << *n;
    } else if (const auto* t = v.get<std::string>()) {
        out << " text \"" << *t << '"';
    } else if (const auto* d = v.get<com::Date>()) {
        out << " date " << d->value;
    } else if (const auto* a = v.get<com::SafeArray>()) {
        out << " array[" << a->count() << "]";
        for (std::size_t i = 0; i < a->count() && i < 16; ++i) {
            out << ' ' << a->integerAt(a->lowerBound() + static_cast<std::int32_t>(i)).value_or(-99999);
        }
    } else if (v.isEmpty()) {
        out << " empty";
    }
    return out.str();
}

bool holds(const Outcome& outcome, const Value& expected) {
    const Variant& v = outcome.value;
    switch (expected.kind) {
    case Value::Kind::Integer: {
        const auto* n = v.get<std::int32_t>();
        return n && *n == expected.integer;
    }
    case Value::Kind::Real: {
        const auto* d = v.get<com::Date>();
        return d && std::fabs(d->value - expected.real) < 1e-9;
    }
    case Value::Kind::Text: {
        const auto* t = v.get<std::string>();
        return t && *t == expected.text;
    }
    case Value::Kind::List: {
        const auto* a = v.get<com::SafeArray>();
        if (!a || a->count() != expected.list.size() || a->lowerBound() != 0) {
            return false;
        }
        for (std::size_t i = 0; i < a->count(); ++i) {
            if (a->integerAt(static_cast<std::int32_t>(i)) != expected.list[i]) {
                return false;
            }
        }
        return true;
    }
    case Value::Kind::Empty: return v.isEmpty();
    }
    return false;
}

class OracleRun {
public:
    OracleRun(const OracleCase& c, MessageClass messageClass)
        : case_(c), messageClass_(messageClass), accessors_(accessorsOf(messageClass)),
          message_(makeMessage(messageClass)), object_(message_), progId_("Linkor." + c.className + ".1") {}

    void run() {
        if (case_.decode) {
            load();
        } else {
            build();
        }
        for (const auto& probe : case_.probes) {
            check(probe);
        }
    }

private:
    // A received packet: an 18-byte J5 header with the class's packet type, then the payload.
    void load() {
        static const std::map<std::string, std::uint16_t> kPacketTypes = {
            {"KzSetInitMsg", 0x4852},     {"UIStateControlMsg", 0x4852}, {"CallStateControlMsg", 0x4852},
            {"LEDMappingMsg", 0x4852},    {"PlayDTMFMsg", 0x4852},       {"CommandMsg", 0x4852},
            {"ReliableAudioMsg", 0x4852}, {"SystemStateMsg", 0x4855},    {"SlavePageCmdMsg", 0x4855},
            {"RealTimeAudioMsg", 0x4841}};
        std::vector<std::uint8_t> frame(J5_FULL_HEADER_LEN, 0);
        const auto type = kPacketTypes.count(case_.className) ? kPacketTypes.at(case_.className) : 0;
        frame[0] = static_cast<std::uint8_t>(type >> 8);
        frame[1] = static_cast<std::uint8_t>(type);
        frame.insert(frame.end(), case_.payloadIn.begin(), case_.payloadIn.end());
        J5PacketObj packet{};
        packet.headerRef = frame.data();
        packet.dataRef = frame.data() + J5_FULL_HEADER_LEN;
        packet.length = static_cast<std::uint16_t>(case_.payloadIn.size());
        packet.pathFlags = J5_HBM_ETHERNET | J5_HBM_FULL_HEADER;
        ASSERT_TRUE(message_->LoadFromPacket(&packet));
    }

    void build() {
        for (const auto& step : case_.steps) {
            runStep(step);
        }
        for (const auto& [field, number] : case_.header) {
            const auto it = accessors_.getters.find(field);
            ASSERT_NE(it, accessors_.getters.end()) << field;
            const Outcome outcome = it->second(object_, 0);
            const auto* n = outcome.value.get<std::int32_t>();
            const std::int64_t got = field == "lDataLen" || !n ? (n ? *n : -1) : static_cast<std::uint16_t>(*n);
            const std::int64_t want = field == "lDataLen" ? number : static_cast<std::uint16_t>(number);
            EXPECT_EQ(got, want) << "header " << field;
        }
        const auto payload = message_->payload();
        std::int32_t length = 0;
        message_->get_lDataLen(length);
        const auto sent = static_cast<std::size_t>(std::clamp<std::int32_t>(length, 0, 1518));
        EXPECT_EQ(std::vector<std::uint8_t>(payload.begin(), payload.begin() + sent), case_.payloadOut) << "payload";
    }

    void runStep(const Step& step) {
        SCOPED_TRACE((step.isPut ? "put " : "call ") + step.name);
        com::setErrorInfo(std::nullopt);
        const auto hr = applyStep(messageClass_, object_, step);
        ASSERT_TRUE(hr) << "no such member";
        checkResult(*hr, step.expected);
    }

    void check(const Probe& probe) {
        SCOPED_TRACE("get " + probe.getter + (probe.index ? "(" + std::to_string(*probe.index) + ")" : ""));
        const auto& table = probe.index ? accessors_.indexedGetters : accessors_.getters;
        const auto it = table.find(probe.getter);
        ASSERT_NE(it, table.end()) << "no getter";
        com::setErrorInfo(std::nullopt);
        const Outcome outcome = it->second(object_, probe.index.value_or(0));
        if (probe.kind == "error") {
            checkResult(outcome.hr, probe.error);
            return;
        }
        ASSERT_EQ(outcome.hr, com::S_OK) << describe(outcome);
        if (probe.kind == "untouched") {
            EXPECT_TRUE(outcome.untouched) << describe(outcome);
            return;
        }
        EXPECT_FALSE(outcome.untouched);
        Value empty;
        EXPECT_TRUE(holds(outcome, probe.kind == "empty" ? empty : probe.value)) << describe(outcome);
    }

    void checkResult(HRESULT hr, const Expected& expected) {
        if (expected.ok) {
            EXPECT_EQ(hr, com::S_OK);
            return;
        }
        EXPECT_EQ(static_cast<std::uint32_t>(hr), static_cast<std::uint32_t>(expected.hr));
        const auto info = com::takeErrorInfo();
        ASSERT_TRUE(info) << "no error object";
        EXPECT_EQ(info->source, progId_);
        EXPECT_FALSE(info->description.empty());
        if (expected.text) {
            EXPECT_EQ(info->description, *expected.text);
        }
    }

    const OracleCase& case_;
    MessageClass messageClass_;
    const Accessors& accessors_;
    Ptr<JIPMessageBase> message_;
    Ptr<com::Object> object_;
    std::string progId_;
};

TEST(GoldenPayloads, EveryOracleCaseHoldsForOurObjects) {
    std::string error;
    const auto cases = loadOracleCases(error);
    ASSERT_FALSE(cases.empty()) << error;
    std::size_t checked = 0;
    for (const auto& c : cases) {
        if (kSkipped.count(c.name)) {
            continue;
        }
        SCOPED_TRACE("case " + c.name);
        MessageClass messageClass{};
        ASSERT_TRUE(messageClassNamed(c.className, messageClass)) << c.className;
        OracleRun(c, messageClass).run();
        ++checked;
    }
    EXPECT_GT(checked, 90u);
}

} // namespace
} // namespace kez::linkor::test
