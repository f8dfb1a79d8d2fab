// Ralnet driven line by line over standard input, for tests that run it as another user
// (nobody, with the raw-socket helper holding the capability).
//   open <adapter>  -> ok <mac> | fail <result, 4 hex digits>
//   recv <ms>       -> packet <flags hex> <payload hex> | none   (none closes the interface)
//   close           -> ok
//   usage           -> fds <count> threads <count>
//   quit
#include "bytes.h"
#include "ralnet/j5.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

J5NetIf gContext{};

std::size_t entries(const char* folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

std::string open(const std::string& adapter) {
    const J5Result result = J5InitDefault(adapter.c_str(), &gContext, nullptr, nullptr);
    if (result != J5_OK) {
        char text[16];
        std::snprintf(text, sizeof text, "fail %04x", result);
        return text;
    }
    uint8_t mac[6];
    J5GetSourceMACAddr(&gContext, mac);
    return "ok " + kez::test::toHex(mac, ":");
}

std::string receive(int milliseconds) {
    auto pending = std::async(std::launch::async, [] { return J5ReceiveObj(&gContext, 0, 0); });
    if (pending.wait_for(std::chrono::milliseconds(milliseconds)) == std::future_status::timeout) J5Close(&gContext);
    J5PacketObj* packet = pending.get();
    if (!packet) return "none";
    char flags[8];
    std::snprintf(flags, sizeof flags, "%04x", packet->pathFlags);
    const std::string answer =
        std::string("packet ") + flags + " " + kez::test::toHex({packet->dataRef, packet->length});
    J5FreePacketObj(&gContext, packet);
    return answer;
}

std::string answer(const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "open") {
        std::string adapter;
        words >> adapter;
        return open(adapter);
    }
    if (command == "recv") {
        int milliseconds = 0;
        words >> milliseconds;
        return receive(milliseconds);
    }
    if (command == "close") {
        J5Close(&gContext);
        return "ok";
    }
    if (command == "usage") {
        return "fds " + std::to_string(entries("/proc/self/fd")) + " threads " +
               std::to_string(entries("/proc/self/task"));
    }
    return "unknown";
}

} // namespace

int main() {
    // Sanitizer run-times start a thread of their own with the first thread of the process;
    // start it now so that "usage" compares like with like.
    std::thread([] {}).join();
    std::string line;
    while (std::getline(std::cin, line) && line != "quit")
        std::cout << answer(line) << std::endl;
    J5Close(&gContext);
    return 0;
}
