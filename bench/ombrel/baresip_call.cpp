#include "baresip_call.h"

#include <signal.h>

#include <stdexcept>

namespace kez::bench {
namespace {

using namespace std::chrono_literals;

// Apart by more than one: each instance also listens for TCP and TLS on the port above its own.
constexpr int kCalleePort = 15070, kCallerPort = 15060;

bool ended(const std::string& seen) {
    return seen.find("terminated") != std::string::npos || seen.find("session closed") != std::string::npos;
}

} // namespace

BaresipCall::BaresipCall() {
    configure("callee", kCalleePort, "16020-16039");
    configure("caller", kCallerPort, "16000-16019");
}

BaresipCall::~BaresipCall() {
    for (auto* side : {&caller_, &callee_}) {
        if (side->pid() == 0 || side->wait(0ms)) continue;
        ::kill(side->pid(), SIGTERM);
        side->wait(5s);
    }
}

void BaresipCall::configure(const std::string& name, int sipPort, const std::string& rtpPorts) const {
    const auto folder = folder_.path() / name;
    std::filesystem::create_directories(folder);
    const std::string address = "127.0.0.1:" + std::to_string(sipPort);
    // No status line: the call's console ticker would be work a quiet softphone does not do.
    kez::test::writeFile(folder / "config", "poll_method epoll\n"
                                            "sip_listen " +
                                                address +
                                                "\n"
                                                "net_interface 127.0.0.1\n"
                                                "rtp_ports " +
                                                rtpPorts +
                                                "\n"
                                                "audio_player alsa,pulse\n"
                                                "audio_source alsa,pulse\n"
                                                "audio_alert alsa,pulse\n"
                                                "statmode_default off\n"
                                                "module_path /usr/lib/baresip/modules\n"
                                                "module g711.so\n"
                                                "module alsa.so\n"
                                                "module account.so\n"
                                                "module menu.so\n");
    kez::test::writeFile(folder / "accounts",
                         "<sip:" + name + "@" + address + ">;regint=0;audio_codecs=PCMU;answermode=auto\n");
}

void BaresipCall::establish(std::chrono::milliseconds limit) {
    const auto folder = folder_.path().string();
    if (!callee_.start({"baresip", "-f", folder + "/callee"}))
        throw std::runtime_error("baresip could not be started (is it installed? scripts/install-deps)");
    if (!kez::test::awaitLine(callee_, calleeSeen_, {"baresip is ready"}, limit))
        throw std::runtime_error("the callee baresip did not get ready: " + calleeSeen_);
    const std::string callee = "sip:callee@127.0.0.1:" + std::to_string(kCalleePort);
    if (!caller_.start({"baresip", "-f", folder + "/caller", "-e", "/dial " + callee}))
        throw std::runtime_error("the caller baresip could not be started");
    if (!kez::test::awaitLine(caller_, callerSeen_, {"Call established"}, limit) ||
        !kez::test::awaitLine(callee_, calleeSeen_, {"Call established"}, limit))
        throw std::runtime_error("the baresip call was not established:\ncaller: " + callerSeen_ +
                                 "\ncallee: " + calleeSeen_);
}

void BaresipCall::drain(kez::test::ChildProcess& side, std::string& seen, const char* name) {
    const auto from = seen.size();
    kez::test::awaitLine(side, seen, {"\x01"}, 0ms);
    if (ended(seen.substr(from)) || side.wait(0ms))
        throw std::runtime_error(std::string("the baresip call ended early (") + name + "): " + seen.substr(from));
}

void BaresipCall::checkOngoing() {
    drain(caller_, callerSeen_, "caller");
    drain(callee_, calleeSeen_, "callee");
}

} // namespace kez::bench
