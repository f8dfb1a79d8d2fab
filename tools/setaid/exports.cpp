// The library's four exports. Each call builds its services afresh: nothing is kept between calls,
// and loading the library runs no code.
#include <thread>

#include "kez/net/claims_folder.h"
#include "packet_driver.h"
#include "setaid/setaid.h"

namespace {

template <typename Work>
std::int32_t withSystemServices(Work work) {
    const auto caps = kez::sys::makeSystemFileCaps();
    kez::setaid::Services services{*caps, [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); },
                                   kez::net::claimsFolder()};
    return work(services);
}

constexpr SetaidVersion kVersion{"1.0.0.8", "4.0.0.0",    "Setaid",
                                 "Setaid",  "Setaid.dll", "Ombrel Install Support Functions"};

} // namespace

extern "C" {

int32_t InstallPacketDriver(const char* /*infName*/, const char* setupFolder, void* /*owner*/) {
    return withSystemServices(
        [&](kez::setaid::Services& services) { return installPacketProtocol(services, setupFolder); });
}

int32_t UninstInitialize(intptr_t, intptr_t, intptr_t) { return 0; }

int32_t UninstUnInitialize(void* /*owner*/, intptr_t, intptr_t flag) {
    if (flag == 0) return kez::setaid::kFailed;
    return withSystemServices([&](kez::setaid::Services& services) { return removePacketService(services); });
}

const SetaidVersion* SetaidVersionInfo(void) { return &kVersion; }

} // extern "C"
