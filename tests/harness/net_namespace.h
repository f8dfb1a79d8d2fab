#pragma once
// Private network namespaces and veth links for tests. Names include the process id
// so that tests running in parallel never meet; everything is deleted on destruction.
#include <functional>
#include <optional>
#include <string>

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

private:
    std::string name_;
    std::string error_;
    bool created_ = false;
};

struct VethOptions {
    std::optional<std::string> firstAddress; // "198.18.0.1/24"; only 198.18.0.0/15
    std::optional<std::string> secondAddress;
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

// The link-layer address of an interface in a namespace, as `ip` prints it.
std::optional<std::string> linkAddress(const NetNamespace& space, const std::string& interface);

} // namespace kez::test
