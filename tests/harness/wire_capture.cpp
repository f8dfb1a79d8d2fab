#include "wire_capture.h"

namespace kez::test {

bool WireCapture::start(const NetNamespace& space, const std::string& interface, int count, const std::string& filter) {
    // -U writes each frame as it comes; "listening on" (on standard error) says it is ready.
    const auto command = shellCommand("exec tcpdump -n -Z root -U -i \"$1\" -c \"$2\" -w \"$3\" \"$4\" 2>&1",
                                      {interface, std::to_string(count), folder_ / "wire.pcap", filter});
    if (!tcpdump_.start(space.exec(command))) return false;
    const auto listening = tcpdump_.readLine(10s);
    return listening && listening->find("listening on") != std::string::npos;
}

std::optional<std::vector<PcapRecord>> WireCapture::finish(std::string& error, std::chrono::milliseconds limit) {
    if (tcpdump_.wait(limit) != 0) {
        error = "tcpdump did not capture its frames";
        return std::nullopt;
    }
    return readPcap(folder_ / "wire.pcap", error);
}

} // namespace kez::test
