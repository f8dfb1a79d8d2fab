#include "net_namespace.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "kez/sys/fd.h"
#include "process.h"

namespace kez::test {
namespace {

std::vector<std::string> words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> result;
    for (std::string word; stream >> word;)
        result.push_back(word);
    return result;
}

bool inBenchmarkRange(const std::string& address) {
    // 198.18.0.0/15: 198.18.x.x and 198.19.x.x only.
    static const std::regex allowed(R"(198\.1[89]\.\d{1,3}\.\d{1,3}/\d{1,2})");
    return std::regex_match(address, allowed);
}

} // namespace

std::string uniqueName(const std::string& prefix) {
    static std::atomic<unsigned> serial{0};
    return prefix + std::to_string(::getpid()) + "x" + std::to_string(serial.fetch_add(1));
}

NetNamespace::NetNamespace(const std::string& tag) : name_("kez-" + tag + "-" + uniqueName("")) {
    // The name carries this process's id, so one that exists was left by a process that
    // is gone (killed at its time limit, crashed): it goes.
    if (std::filesystem::exists("/run/netns/" + name_)) runCommand({"ip", "netns", "del", name_});
    const CommandResult added = runCommand({"ip", "netns", "add", name_});
    created_ = added.ok();
    if (!created_) error_ = added.err;
    if (created_ && !ip("link set lo up")) error_ = "loopback stays down";
}

NetNamespace::~NetNamespace() {
    if (created_) runCommand({"ip", "netns", "del", name_});
}

bool NetNamespace::run(const std::function<void()>& work) const {
    bool entered = false;
    std::thread worker([&] {
        const sys::UniqueFd space(::open(("/run/netns/" + name_).c_str(), O_RDONLY | O_CLOEXEC));
        if (!space || ::setns(space.get(), CLONE_NEWNET) != 0) return;
        entered = true;
        work();
    });
    worker.join();
    return entered;
}

bool NetNamespace::ip(const std::string& arguments) const {
    std::vector<std::string> argv{"ip", "-n", name_};
    for (auto& word : words(arguments))
        argv.push_back(std::move(word));
    return runCommand(argv).ok();
}

std::vector<std::string> NetNamespace::exec(std::vector<std::string> argv) const {
    std::vector<std::string> full{"ip", "netns", "exec", name_};
    full.insert(full.end(), argv.begin(), argv.end());
    return full;
}

int NetNamespace::openUdp(net::UdpSocket& socket, const net::UdpBindOptions& options) const {
    int error = -1;
    run([&] { error = socket.open(options); });
    return error;
}

sys::UniqueFd NetNamespace::listenTcp(const std::string& address, std::uint16_t port) const {
    sys::UniqueFd listener;
    run([&] {
        sys::UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(port);
        if (!socket || ::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) return;
        if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0 &&
            ::listen(socket.get(), SOMAXCONN) == 0)
            listener = std::move(socket);
    });
    return listener;
}

std::string NetNamespace::ipv4Groups() const {
    std::vector<std::string> groups;
    run([&] {
        std::ifstream in("/proc/thread-self/net/igmp");
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line.front() != '\t') continue;
            // The group as the kernel prints it: its network-order bytes read as one host word.
            const auto word =
                static_cast<std::uint32_t>(std::stoul(line.substr(line.find_first_not_of('\t'), 8), nullptr, 16));
            const std::string text =
                ipText({static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                        static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)});
            if (text != "224.0.0.1") groups.push_back(text);
        }
    });
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    std::string out;
    for (const auto& group : groups)
        out += (out.empty() ? "" : " ") + group;
    return out;
}

bool NetNamespace::joinedGroup(const net::Ipv4Address& group) const {
    return (" " + ipv4Groups() + " ").find(" " + ipText(group) + " ") != std::string::npos;
}

bool NetNamespace::udpPortBound(std::uint16_t port) const {
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X ", port);
    bool bound = false;
    run([&] {
        std::ifstream in("/proc/thread-self/net/udp");
        std::string line;
        std::getline(in, line); // the column titles
        while (!bound && std::getline(in, line)) {
            const auto local = line.find(':') + 2; // after "sl:", the local address "AABBCCDD:PPPP "
            bound = line.compare(local + 8, 6, wanted) == 0;
        }
    });
    return bound;
}

unsigned NetNamespace::interfaceIndex(const std::string& interface) const {
    unsigned index = 0;
    run([&] { index = ::if_nametoindex(interface.c_str()); });
    return index;
}

std::string ipText(const net::Ipv4Address& address) {
    std::string text;
    for (const auto part : address)
        text += (text.empty() ? "" : ".") + std::to_string(part);
    return text;
}

VethOptions VethOptions::onSubnet(int subnet) {
    const std::string prefix = "198.18." + std::to_string(subnet) + ".";
    return {prefix + "1/24", prefix + "2/24"};
}

VethPair::VethPair(const NetNamespace& first, const NetNamespace& second, const VethOptions& options)
    : firstName_(uniqueName("kv")), secondName_(firstName_ + "p") {
    for (const auto& address : {options.firstAddress, options.secondAddress}) {
        if (address && !inBenchmarkRange(*address)) {
            error_ = "address outside 198.18.0.0/15: " + *address;
            return;
        }
    }
    const CommandResult added = runCommand({"ip", "-n", first.name(), "link", "add", firstName_, "type", "veth", "peer",
                                            "name", secondName_, "netns", second.name()});
    if (!added.ok()) {
        error_ = added.err;
        return;
    }
    created_ = configure(first, firstName_, options.firstAddress) &&
               configure(second, secondName_, options.secondAddress) && awaitCarrier(first, firstName_) &&
               awaitCarrier(second, secondName_);
}

// The kernel drops frames on a veth end until its link watcher has seen the carrier and
// attached the queueing discipline, a moment after "link set up" returns; the operational
// state turns UP at that same step.
bool VethPair::awaitCarrier(const NetNamespace& space, const std::string& name) {
    using namespace std::chrono_literals;
    for (auto waited = 0ms; waited < 5s; waited += 10ms) {
        const CommandResult shown = runCommand({"ip", "-n", space.name(), "-o", "link", "show", "dev", name});
        if (shown.ok() && shown.out.find(" state UP ") != std::string::npos) return true;
        std::this_thread::sleep_for(10ms);
    }
    error_ = name + " has no carrier";
    return false;
}

bool VethPair::configure(const NetNamespace& space, const std::string& name,
                         const std::optional<std::string>& address) {
    if (address && !space.ip("addr add " + *address + " dev " + name)) {
        error_ = "cannot address " + name;
        return false;
    }
    if (!space.ip("link set " + name + " up")) {
        error_ = "cannot bring up " + name;
        return false;
    }
    return true;
}

std::optional<std::string> linkAddress(const NetNamespace& space, const std::string& interface) {
    const CommandResult shown = runCommand({"ip", "-n", space.name(), "-o", "link", "show", "dev", interface});
    static const std::regex ether(R"(link/ether ([0-9a-f:]{17}))");
    std::smatch match;
    if (!shown.ok() || !std::regex_search(shown.out, match, ether)) return std::nullopt;
    return match[1].str();
}

VethLink::VethLink(const std::string& tag, const VethOptions& options)
    : first_(tag + "a"), second_(tag + "b"), pair_(first_, second_, options) {}

std::optional<std::string> VethLink::problem() const {
    if (!first_.valid()) return "namespace: " + first_.error();
    if (!second_.valid()) return "namespace: " + second_.error();
    if (!pair_.valid()) return "veth: " + pair_.error();
    return std::nullopt;
}

} // namespace kez::test
