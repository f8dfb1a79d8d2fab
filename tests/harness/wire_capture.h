#pragma once
// tcpdump on one interface of a namespace, for tests that check what reached the wire: it
// takes the first `count` frames that match its filter into a pcap file of its own.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "net_namespace.h"
#include "pcap.h"
#include "process.h"
#include "temp_dir.h"

namespace kez::test {

class WireCapture {
public:
    WireCapture() = default;
    WireCapture(const WireCapture&) = delete;
    WireCapture& operator=(const WireCapture&) = delete;

    // True once tcpdump listens; `filter` is a pcap filter expression.
    bool start(const NetNamespace& space, const std::string& interface, int count, const std::string& filter);
    // Waits for tcpdump to have its frames and end, and reads them; nullopt with `error`.
    std::optional<std::vector<PcapRecord>> finish(std::string& error, std::chrono::milliseconds limit = 10s);

private:
    TempDir folder_{"kez-capture"};
    ChildProcess tcpdump_;
};

} // namespace kez::test
