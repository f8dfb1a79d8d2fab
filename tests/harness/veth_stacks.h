#pragma once
// Two Ralnet stations on real kernel links, for the Ralnet tests and benchmarks (root). Each
// station is a private namespace holding one end of a veth pair, with its MAC and address, and
// the Ralnet interface opened there on demand. The two face each other directly, or each faces a
// middle namespace where a relay runs. Link a Ralnet build (the library or its objects) with it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "kez/net/mac_address.h"
#include "net_namespace.h"
#include "privileged.h"
#include "ralnet/j5.h"

namespace kez::test {

struct StackOpenOptions {
    bool ownIp = false;                             // hand the station's address to Ralnet
    const J5Configuration* configuration = nullptr; // configure and start instead of the defaults
};

class VethStation {
public:
    VethStation() = default;
    ~VethStation() { close(); }
    VethStation(const VethStation&) = delete;
    VethStation& operator=(const VethStation&) = delete;

    // J5InitDefault (or J5InitConfiguration and J5Start) on `interface`, inside the namespace.
    J5Result open(const StackOpenOptions& options = {});
    void close() { J5Close(&ctx); }
    // Gives the station's end another link-layer address (before opening).
    bool setMac(const net::MacAddress& address);
    net::MacAddress macAddress() const { return net::parseMac(mac).value_or(net::MacAddress{}); }
    // Own address on a /24.
    J5IpSettings ipSettings() const;

    const NetNamespace* space = nullptr;
    std::string interface;    // this station's end of its pair
    std::string farInterface; // the other end: in the other station's namespace or the middle one
    std::string mac;          // as `ip` prints it
    net::Ipv4Address ip{};    // zero when unaddressed
    net::Ipv4Address farIp{}; // the other end's
    J5NetIf ctx{};
};

struct VethStacksOptions {
    bool throughMiddle = false; // each station on its own pair to a middle namespace
    bool addressed = true;      // 198.18.0.1 and .2; through the middle 198.18.1.1 and 198.18.2.1, .2 the middle
};

class VethStacks {
public:
    explicit VethStacks(const std::string& tag, const VethStacksOptions& options = {});
    // Why the stations could not be made, or nullopt.
    std::optional<std::string> problem() const { return problem_; }
    VethStation& left() { return left_; }
    VethStation& right() { return right_; }
    // Only through the middle.
    const NetNamespace& middle() const { return *middle_; }
    // Closes both interfaces (ending any receive still blocked in them).
    void close();

private:
    void place(VethStation& station, const NetNamespace& space, const VethPair& pair, bool firstEnd,
               std::optional<int> subnet);

    std::optional<VethLink> direct_;
    std::optional<NetNamespace> middle_;
    std::optional<NetNamespace> leftSpace_;
    std::optional<NetNamespace> rightSpace_;
    std::optional<VethPair> leftPair_;
    std::optional<VethPair> rightPair_;
    std::optional<std::string> problem_;
    VethStation left_;
    VethStation right_;
};

// A fixture on two stations: Ralnet's side (left) and its peer's (right). Skips, or fails where
// privileged tests are required, when they cannot be made; closes both interfaces at the end.
class VethStacksTest : public ::testing::Test {
protected:
    // `openStack`: Ralnet opened on the left station in SetUp.
    explicit VethStacksTest(const std::string& tag, const VethStacksOptions& options = {},
                            std::optional<StackOpenOptions> openStack = std::nullopt)
        : stacks_(tag, options), openStack_(openStack) {}

    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        if (const auto problem = stacks_.problem()) KEZ_SKIP_OR_FAIL(*problem);
        ASSERT_FALSE(stack_.mac.empty());
        ASSERT_FALSE(peer_.mac.empty());
        if (openStack_) {
            ASSERT_EQ(stack_.open(*openStack_), J5_OK);
        }
    }
    void TearDown() override { stacks_.close(); }

    VethStacks stacks_;
    VethStation& stack_ = stacks_.left();
    VethStation& peer_ = stacks_.right();

private:
    std::optional<StackOpenOptions> openStack_;
};

} // namespace kez::test
