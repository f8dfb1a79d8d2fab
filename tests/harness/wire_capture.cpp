#include "wire_capture.h"

namespace kez::test {

WireCapture::WireCapture() : file_(std::filesystem::temp_directory_path() / (uniqueName("cap") + ".pcap")) {}

WireCapture::~WireCapture() {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
}

bool WireCapture::start(const NetNamespace& space, const std::string& interface, int count, const std::string& filter) {
    // -U writes each frame as it comes; "listening on" (on standard error) says it is ready.
    const std::string command = "exec tcpdump -n -Z root -U -i " + interface + " -c " + std::to_string(count) + " -w " +
                                file_.string() + " '" + filter + "' 2>&1";
    if (!tcpdump_.start(space.exec({"sh", "-c", command}))) return false;
    const auto listening = tcpdump_.readLine(10s);
    return listening && listening->find("listening on") != std::string::npos;
}

std::optional<std::vector<PcapRecord>> WireCapture::finish(std::string& error, std::chrono::milliseconds limit) {
    if (tcpdump_.wait(limit) != 0) {
        error = "tcpdump did not capture its frames";
        return std::nullopt;
    }
    return readPcap(file_, error);
}

} // namespace kez::test
