// One real-time mu-law call of the engine with the real Linkor, Ralnet and Sonwell on a virtual
// audio device (paced by the system clock, at the default buffer settings), its party a Ralnet
// station in this process on the virtual wire: the delay the set adds from the record device to
// the wire and from the wire to the play device (loud bursts among silence, 20 of each), and
// the CPU of the call over ten seconds, every thread of the set counted, the party's not.
// Figures only; nothing is asserted.
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "corvane/engine.h"
#include "corvane/server.h"
#include "jipmsg_oracle.h"
#include "kez/apt/apartment.h"
#include "kez/audio/virtual_audio.h"
#include "kez/com/class_registry.h"
#include "linkor/server.h"
#include "net_namespace.h"
#include "ralnet/j5.h"
#include "real_sonwell.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kez::corvane::test::Bytes;

constexpr int kBursts = 20;
constexpr std::uint16_t kPacketHR = 0x4852;
constexpr std::uint8_t kLoud = 0x80, kQuiet = 0xFF; // mu-law: near full scale, zero
const Bytes kSetMac{0x02, 0x4c, 0x4b, 0x00, 0x00, 0x01}, kPartyMac{0x02, 0x4c, 0x4b, 0x00, 0x00, 0x02};

std::set<long> threadIds() {
    std::set<long> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ids.insert(std::stol(entry.path().filename().string()));
    return ids;
}

// User and system time of the threads not in `others`, in clock ticks.
long cpuTicks(const std::set<long>& others) {
    long ticks = 0;
    for (const long id : threadIds()) {
        if (others.contains(id)) continue;
        std::ifstream stat("/proc/self/task/" + std::to_string(id) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14) ticks += std::stol(field);
    }
    return ticks;
}

// The set's party and call server: sends the set initialisation, the call and a frame every
// 24 ms (quiet, or loud when asked), and notes when the set's frames turn loud.
class Party {
public:
    bool open(const std::string& adapter) {
        const auto before = threadIds();
        if (J5InitDefault(adapter.c_str(), &context_, nullptr, nullptr) != J5_OK) return false;
        J5SetPacketFilter(&context_, 11);
        J5EnableAudioPacketsToApp(&context_, 1);
        open_ = true;
        control_ = std::thread([this] {
            note();
            while (J5PacketObj* packet = J5ReceiveObj(&context_, 0, 0))
                J5FreePacketObj(&context_, packet);
        });
        audio_ = std::thread([this] {
            note();
            while (J5PacketObj* packet = J5AudioReceiveObj(&context_, 0, 0)) {
                // Mu-law bytes of the top segment, either sign.
                const bool loud =
                    std::any_of(packet->dataRef + std::min<std::size_t>(14, packet->length),
                                packet->dataRef + packet->length, [](std::uint8_t b) { return (b & 0x7F) < 0x10; });
                J5FreePacketObj(&context_, packet);
                if (loud && !heardLoud_.exchange(true)) heardAt_ = Clock::now().time_since_epoch().count();
            }
        });
        for (const long id : threadIds())
            if (!before.contains(id)) own(id);
        return true;
    }
    ~Party() {
        running_ = false;
        if (sender_.joinable()) sender_.join();
        if (open_) J5Close(&context_);
        for (auto* t : {&control_, &audio_})
            if (t->joinable()) t->join();
    }

    void sendReliable(const Bytes& payload) {
        J5IntrinsicSend(&context_, kPacketHR, kSetMac.data(), 1, 1, payload.data(),
                        static_cast<std::uint16_t>(payload.size()), 0x0011, nullptr, nullptr, 0, 0);
    }
    void startFrames() {
        sender_ = std::thread([this] {
            note();
            auto next = Clock::now();
            for (std::uint16_t seq = 0; running_; ++seq) {
                Bytes payload{0x80,
                              0xB3,
                              0,
                              0,
                              0x00,
                              0x02,
                              0x01,
                              0x00,
                              0x00,
                              0x01,
                              0x01,
                              0x00,
                              static_cast<std::uint8_t>(seq >> 8),
                              static_cast<std::uint8_t>(seq)};
                payload.resize(206, loudNext_.exchange(false) ? kLoud : kQuiet);
                J5AudioSend(&context_, kSetMac.data(), payload.data(), 206, 0x0009, nullptr, nullptr, 0, 0, 0);
                next += 24ms;
                std::this_thread::sleep_until(next);
            }
        });
    }
    void sendLoudFrame() { loudNext_ = true; }
    void listen() { heardLoud_ = false; }
    bool heardLoud() const { return heardLoud_; }
    std::int64_t heardAt() const { return heardAt_; }
    std::set<long> threads() {
        std::lock_guard hold(lock_);
        return threads_;
    }

private:
    void note() { own(::syscall(SYS_gettid)); }
    void own(long id) {
        std::lock_guard hold(lock_);
        threads_.insert(id);
    }

    J5NetIf context_{};
    bool open_ = false;
    std::thread control_, audio_, sender_;
    std::atomic<bool> running_{true}, loudNext_{false}, heardLoud_{false};
    std::atomic<std::int64_t> heardAt_{0};
    std::mutex lock_;
    std::set<long> threads_;
};

double ms(std::int64_t ticks) { return std::chrono::duration<double, std::milli>(Clock::duration(ticks)).count(); }

void pumpFor(Clock::duration d) {
    kez::apt::Apartment::current().pumpFor(std::chrono::duration_cast<std::chrono::milliseconds>(d));
}

std::string summary(std::vector<double> values) {
    if (values.empty()) return "none measured";
    std::sort(values.begin(), values.end());
    char text[96];
    std::snprintf(text, sizeof text, "median %.1f ms, max %.1f ms over %zu", values[values.size() / 2], values.back(),
                  values.size());
    return text;
}

// The first loud sample played at or after `from`.
std::optional<std::size_t> loudSampleFrom(const kez::audio::VirtualDevice& device, std::size_t from) {
    const auto bytes = device.played();
    for (std::size_t i = from; 2 * i + 1 < bytes.size(); ++i)
        if (std::abs(static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8)) > 16000) return i;
    return std::nullopt;
}

void measure(kez::corvane::IEngine& engine, Party& party, kez::audio::VirtualDevice& device) {
    std::vector<double> in, out;
    for (int i = 0; i < kBursts; ++i) {
        pumpFor(300ms);
        const std::size_t playedBefore = device.played().size() / 2;
        party.sendLoudFrame();
        std::optional<std::size_t> at;
        for (int wait = 0; wait < 100 && !(at = loudSampleFrom(device, playedBefore)); ++wait)
            pumpFor(10ms);
        if (at) in.push_back((double(*at) - double(playedBefore)) / 8.0);
    }
    // A 500 Hz square of half full scale, which the recorder's high-pass filter lets through.
    std::vector<std::uint8_t> loud(2 * 768);
    for (std::size_t i = 0; i < 768; ++i) {
        const std::int16_t sample = (i / 8) % 2 ? -16384 : 16384;
        loud[2 * i] = static_cast<std::uint8_t>(sample);
        loud[2 * i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8);
    }
    for (int i = 0; i < kBursts; ++i) {
        pumpFor(300ms);
        party.listen();
        const auto fed = Clock::now().time_since_epoch().count();
        device.feed(loud);
        for (int wait = 0; wait < 100 && !party.heardLoud(); ++wait)
            pumpFor(10ms);
        if (party.heardLoud()) out.push_back(ms(party.heardAt() - fed));
    }
    std::printf("wire to play device:   %s (the wire time of the frame to the sample position it plays at)\n",
                summary(in).c_str());
    std::printf("record device to wire: %s (fed to the device to the frame's arrival at the party)\n",
                summary(out).c_str());
    const auto others = party.threads();
    const long before = cpuTicks(others);
    const auto start = Clock::now();
    pumpFor(10s);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = double(cpuTicks(others) - before) / double(::sysconf(_SC_CLK_TCK));
    std::printf("one call, every thread of the set: %.2f %% of one core over %.1f s\n", 100 * cpu / seconds, seconds);
    std::int32_t delay = 0, multiplier = 0;
    engine.get_lBufferDelay(delay);
    engine.get_lBufferMultiplier(multiplier);
    std::printf("buffer settings: %d play buffers of %d frame(s) of 24 ms\n", delay, multiplier);
}

} // namespace

int main() {
    const std::string wire = kez::test::uniqueName("cc");
    ::setenv("KEZ_AUDIO_DEVICES", "virtual:benchset", 1);
    ::setenv("KEZ_ADAPTERS", ("vwire:" + wire + "@02:4c:4b:00:00:01").c_str(), 1);
    const kez::corvane::test::RealSonwell sonwell;
    for (const auto* server : {&kez::corvane::server(), &kez::linkor::server()})
        kez::com::ClassRegistry::registerInProcess(*server);
    const Bytes init = kez::corvane::test::modelPayload(
        "KzSetInitMsg", "{'nDeviceHandle': 3, 'nControlHeaderBits': 0x11, 'nStatusUpdatePeriod': 10}");
    const Bytes call = kez::corvane::test::modelPayload(
        "CallStateControlMsg", "{'nDeviceHandle': 3, 'nAudioConnType1': 1, 'nAudioDirection1': 3, 'nAudioHdrBits1': 9, "
                               "'nCompressionInfo1': 1, 'nAudioFramesPerPacket1': 1, 'varOtherPartyMac1': [2, 0x4c, "
                               "0x4b, 0, 0, 2], 'nOtherPartyVDN1': 0x100, 'nMulticastHash1': 64}");
    Party party;
    if (!party.open("vwire:" + wire + "@02:4c:4b:00:00:02")) {
        std::printf("could not open the party's station\n");
        return 1;
    }
    kez::com::Ptr<kez::corvane::IEngine> engine;
    kez::com::ClassRegistry::createAs(kez::corvane::kClsidEngine, engine);
    engine->put_varVuruvMac(kez::corvane::test::byteArray(kPartyMac));
    engine->put_nProtocolRevision(static_cast<std::int16_t>(0x80B3));
    if (kez::com::FAILED(engine->Start())) {
        std::printf("the engine did not start\n");
        return 1;
    }
    party.sendReliable(init);
    party.sendReliable(call);
    party.startFrames();
    pumpFor(1s);
    measure(*engine, party, *kez::audio::virtualDevice("benchset"));
    engine->Stop();
    return 0;
}
