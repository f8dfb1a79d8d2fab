#pragma once
// Private network namespaces and veth links for tests. Names include the process id
// so that tests running in parallel never meet; everything is deleted on destruction.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kez/net/udp_socket.h"
#include "kez/sys/fd.h"

namespace kez::test {

// A name no other test process uses: "<prefix><pid>x<serial>", at most 15 characters
// for prefixes of up to 3.
std::string uniqueName(const std::string& prefix);

class NetNamespace {
public:
    explicit NetNamespace(const std::string& tag);
    ~NetNamespace();
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    bool valid() const { return created_; }
    const std::string& name() const { return name_; }
    const std::string& error() const { return error_; }

    // Runs `work` on a thread that has entered the namespace (sockets it opens stay in
    // the namespace). False when the namespace could not be entered.
    bool run(const std::function<void()>& work) const;
    // `ip -n <name> <arguments>`; true when it succeeded.
    bool ip(const std::string& arguments) const;
    // argv prefixed with `ip netns exec <name>`.
    std::vector<std::string> exec(std::vector<std::string> argv) const;

    // Opens `socket` inside the namespace (it stays there whichever thread uses it): its error,
    // or -1 when the namespace could not be entered.
    int openUdp(net::UdpSocket& socket, const net::UdpBindOptions& options) const;
    // A TCP socket listening on `address`:`port` inside the namespace that never accepts: the
    // kernel completes the connections made to it. Empty when it could not be made.
    sys::UniqueFd listenTcp(const std::string& address, std::uint16_t port) const;

    // What the kernel reports of the namespace: the IPv4 groups joined on any interface
    // (all-hosts left out; dotted, sorted, one blank apart), whether a UDP socket is bound to
    // `port`, an interface's index (0 when there is none).
    std::string ipv4Groups() const;
    bool joinedGroup(const net::Ipv4Address& group) const;
    bool udpPortBound(std::uint16_t port) const;
    unsigned interfaceIndex(const std::string& interface) const;

private:
    std::string name_;
    std::string error_;
    bool created_ = false;
};

struct VethOptions {
    std::optional<std::string> firstAddress; // "198.18.0.1/24"; only 198.18.0.0/15
    std::optional<std::string> secondAddress;

    // 198.18.<subnet>.1/24 for the first end, .2/24 for the second.
    static VethOptions onSubnet(int subnet);
};

// A veth pair between two namespaces (they may be the same), both ends up.
class VethPair {
public:
    VethPair(const NetNamespace& first, const NetNamespace& second, const VethOptions& options = {});
    bool valid() const { return created_; }
    const std::string& error() const { return error_; }
    const std::string& firstName() const { return firstName_; }
    const std::string& secondName() const { return secondName_; }

private:
    bool configure(const NetNamespace& space, const std::string& name, const std::optional<std::string>& address);
    bool awaitCarrier(const NetNamespace& space, const std::string& name);

    std::string firstName_;
    std::string secondName_;
    std::string error_;
    bool created_ = false;
};

// Dotted text of an address.
std::string ipText(const net::Ipv4Address& address);

// The link-layer address of an interface in a namespace, as `ip` prints it.
std::optional<std::string> linkAddress(const NetNamespace& space, const std::string& interface);

// Two private namespaces joined by one veth pair, both ends up and addressed as `options` says.
class VethLink {
public:
    explicit VethLink(const std::string& tag, const VethOptions& options = VethOptions::onSubnet(0));
    // Why the link could not be made, or nullopt.
    std::optional<std::string> problem() const;
    const NetNamespace& first() const { return first_; }
    const NetNamespace& second() const { return second_; }
    const VethPair& pair() const { return pair_; }

private:
    NetNamespace first_;
    NetNamespace second_;
    VethPair pair_;
};

} // namespace kez::test
