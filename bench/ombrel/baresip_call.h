#pragma once
// Two baresip instances in a G.711 (PCMU only) call with each other on the loopback interface, each with its
// own configuration folder, their audio through ALSA's "pulse" device (the server this process talks to): the
// peer a set is measured against.
#include <sys/types.h>

#include <chrono>
#include <string>

#include "process.h"
#include "temp_dir.h"

namespace kez::bench {

class BaresipCall {
public:
    BaresipCall();
    ~BaresipCall();
    BaresipCall(const BaresipCall&) = delete;
    BaresipCall& operator=(const BaresipCall&) = delete;

    // Starts both, the caller dialling the callee; throws std::runtime_error when the call is not established
    // on both sides within the limit.
    void establish(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Throws when either side has ended the call or stopped since it was established.
    void checkOngoing();
    pid_t caller() const { return caller_.pid(); }
    pid_t callee() const { return callee_.pid(); }

private:
    void configure(const std::string& name, int sipPort, const std::string& rtpPorts) const;
    static void drain(kez::test::ChildProcess& side, std::string& seen, const char* name);

    kez::test::TempDir folder_{"kez-baresip"};
    kez::test::ChildProcess callee_, caller_;
    std::string calleeSeen_, callerSeen_;
};

} // namespace kez::bench
