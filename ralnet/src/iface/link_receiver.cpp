// The packet-driver receive thread: reads frames in turn into 40 pool objects, keeps an
// object whenever a frame is accepted and replaces it from the pools, and hands accepted
// frames to the Ethernet input. A failed read pauses and retries: only the stop ends it.
#include "iface/interface.h"
#include "iface/receive_input.h"
#include "iface/waits.h"
#include "link/frame_acceptance.h"
#include "link/packet_client.h"

#include <chrono>
#include <span>
#include <vector>

namespace ralnet::iface {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kReadSlots = 40;
constexpr std::size_t kReadRequestBytes = 372; // a large-class object
constexpr std::uint32_t kDefaultFilter = 0x09; // directed and broadcast
constexpr auto kRetryPause = 100ms;

class LinkReceiver {
public:
    explicit LinkReceiver(J5Interface& iface) : iface_(iface), port_(*iface.device->port) {}

    ~LinkReceiver() {
        for (J5PacketObj* slot : slots_)
            PacketPools::giveBackToOwner(slot);
    }

    LinkReceiver(const LinkReceiver&) = delete;
    LinkReceiver& operator=(const LinkReceiver&) = delete;

    void run() {
        if (waitOrStop(iface_, iface_.started) != Wake::Signalled) return;
        if (!fillSlots()) return;
        setDefaultFilter();
        for (std::size_t next = 0; !iface_.stop.isSet(); next = (next + 1) % slots_.size()) {
            if (!readInto(slots_[next])) return;
        }
    }

private:
    bool fillSlots() {
        while (slots_.empty()) {
            for (std::size_t i = 0; i < kReadSlots; ++i) {
                if (J5PacketObj* p = iface_.pools->take(kReadRequestBytes, false)) slots_.push_back(p);
            }
            if (slots_.empty() && !pauseUnlessStopped(iface_, kRetryPause)) return false;
        }
        return true;
    }

    void setDefaultFilter() {
        std::lock_guard guard(iface_.contextLock);
        if (iface_.filterSet) return;
        if (!link::KezPacketSetFilter(iface_.device.get(), kDefaultFilter)) ++iface_.counters.readFailures;
    }

    // Waits for one frame into `slot`; false when the stop came first.
    bool readInto(J5PacketObj*& slot) {
        for (;;) {
            const int fd = port_.pollFd();
            if (fd < 0) { // closed under us: nothing to read until the stop
                iface_.stop.wait();
                return false;
            }
            if (waitOrStop(iface_, fd) == Wake::Stop) return false;
            const kez::net::FrameRead read =
                port_.readFrame(std::span<std::uint8_t>(slot->buffer, slot->bufferClass), 0ms);
            if (read.outcome == kez::net::ReadOutcome::Frame) {
                received(slot, read.length);
                return true;
            }
            if (read.outcome != kez::net::ReadOutcome::Timeout) {
                ++iface_.counters.readFailures;
                if (!pauseUnlessStopped(iface_, kRetryPause)) return false;
            }
        }
    }

    void received(J5PacketObj*& slot, std::size_t length) {
        ++iface_.counters.framesRead;
        const std::span<const std::uint8_t> frame(slot->buffer, length);
        std::uint8_t ownMac[J5_MAC_LEN];
        iface_.ownMac(ownMac);
        if (!link::frameAccepted(frame, ownMac)) {
            ++iface_.counters.framesRefused;
            return;
        }
        J5PacketObj* replacement = iface_.pools->take(kReadRequestBytes, false);
        if (!replacement && link::isControlFrame(frame)) replacement = iface_.pools->take(kReadRequestBytes, true);
        if (!replacement) {
            ++iface_.counters.framesLost;
            return;
        }
        J5PacketObj* accepted = slot;
        slot = replacement;
        accepted->dataRef = accepted->buffer;
        accepted->length = static_cast<std::uint16_t>(length);
        accepted->pathFlags = 0;
        ethernetInput(iface_, *accepted);
    }

    J5Interface& iface_;
    kez::net::PacketPort& port_;
    std::vector<J5PacketObj*> slots_;
};

} // namespace

void runLinkReceiver(J5Interface& iface) {
    if (!iface.device || !iface.device->port) return;
    LinkReceiver receiver(iface);
    receiver.run();
}

} // namespace ralnet::iface
