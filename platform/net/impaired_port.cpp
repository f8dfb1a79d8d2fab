#include "impaired_port.h"

#include <cerrno>
#include <mutex>
#include <random>

#include "delay_line.h"
#include "kez/net/pcap_writer.h"
#include "wire_options.h"

namespace kez::net::detail {
namespace {

struct Fate {
    bool drop = false;
    bool duplicate = false;
    bool holdBack = false;
};

// Every frame takes all three draws, so the losses a seed gives do not change when
// duplication or reordering is added.
class FaultDice {
public:
    explicit FaultDice(const WireOptions& options) : options_(options), generator_(options.seed) {}

    Fate roll() {
        Fate fate;
        fate.drop = chance(options_.dropPerMillion);
        fate.duplicate = chance(options_.duplicatePerMillion);
        fate.holdBack = chance(options_.reorderPerMillion);
        return fate;
    }

private:
    bool chance(std::uint32_t perMillion) { return generator_() % kPerMillion < perMillion; }

    WireOptions options_;
    std::mt19937 generator_; // fully specified by the standard: a seed gives the same draws everywhere
};

} // namespace

struct ImpairedPort::Session {
    explicit Session(const WireOptions& wanted) : options(wanted), dice(wanted) {}

    WireOptions options;
    std::mutex sending; // one frame's fate and its departure at a time
    FaultDice dice;
    std::unique_ptr<PcapWriter> capture;
    std::unique_ptr<DelayLine> line;
};

ImpairedPort::ImpairedPort(std::unique_ptr<PacketPort> inner) : inner_(std::move(inner)) {}

ImpairedPort::~ImpairedPort() { close(); }

PortStatus ImpairedPort::open(std::string_view adapter) {
    auto change = lifecycle_.change();
    if (session_) return portError(PortCode::AlreadyOpen);
    const AdapterWithOptions split = splitOptions(adapter);
    WireOptions options;
    if (split.options) {
        if (PortStatus status = parseWireOptions(*split.options, options); !status.ok()) return status;
    }
    if (PortStatus status = inner_->open(split.adapter); !status.ok()) return status;
    auto session = std::make_unique<Session>(options);
    if (!options.pcapPath.empty()) {
        session->capture = std::make_unique<PcapWriter>(options.pcapPath);
        if (!session->capture->ok()) {
            inner_->close();
            return portError(PortCode::SystemError, session->capture->error());
        }
    }
    if (options.holdsFrames()) {
        const auto leave = [this, current = session.get()](auto frame) { transmit(*current, frame); };
        session->line = std::make_unique<DelayLine>(options.delayMs, leave);
        if (!session->line->start()) {
            inner_->close();
            return portError(PortCode::SystemError, EAGAIN);
        }
    }
    session_ = std::move(session);
    return {};
}

void ImpairedPort::close() {
    // Wakes the readers and writers blocked in the wire before waiting for them to leave.
    inner_->close();
    auto shutDown = lifecycle_.shutDown();
    inner_->close();
    if (session_ && session_->line) session_->line->stop();
    session_.reset();
}

bool ImpairedPort::isOpen() const { return inner_->isOpen(); }

int ImpairedPort::pollFd() const { return inner_->pollFd(); }

MacAddress ImpairedPort::macAddress() const { return inner_->macAddress(); }

std::uint32_t ImpairedPort::packetFilter() const { return inner_->packetFilter(); }

PortStatus ImpairedPort::setPacketFilter(std::uint32_t bits) { return inner_->setPacketFilter(bits); }

PortStatus ImpairedPort::setMulticastList(std::span<const MacAddress> list) { return inner_->setMulticastList(list); }

FrameRead ImpairedPort::readFrame(std::span<std::uint8_t> buffer, sys::Timeout limit) {
    auto use = lifecycle_.use();
    const FrameRead read = inner_->readFrame(buffer, limit);
    if (read.outcome == ReadOutcome::Frame && session_ && session_->capture) {
        session_->capture->write(buffer.first(read.length));
    }
    return read;
}

PortStatus ImpairedPort::writeFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < kMinFrameLength) return portError(PortCode::InvalidArgument);
    if (frame.size() > kMaxFrameLength) return portError(PortCode::FrameTooLong);
    auto use = lifecycle_.use();
    if (!session_) return portError(PortCode::NotOpen);
    if (!session_->options.rollsDice() && !session_->line) return transmit(*session_, frame);
    return writeWithFaults(*session_, frame);
}

PortStatus ImpairedPort::writeWithFaults(Session& session, std::span<const std::uint8_t> frame) {
    std::lock_guard sending(session.sending);
    const Fate fate = session.dice.roll();
    if (fate.drop) {
        ++dropped_;
        return {};
    }
    if (fate.duplicate) ++duplicated_;
    const int copies = fate.duplicate ? 2 : 1;
    if (session.line) {
        if (session.line->queue(frame, copies, fate.holdBack)) ++reordered_;
        return {};
    }
    PortStatus status;
    for (int copy = 0; copy < copies && status.ok(); ++copy)
        status = transmit(session, frame);
    return status;
}

PortStatus ImpairedPort::transmit(Session& session, std::span<const std::uint8_t> frame) {
    // Captured first, so a reply the wire carries back at once never shows ahead of its cause.
    if (session.capture) session.capture->write(frame);
    return inner_->writeFrame(frame);
}

PortCounters ImpairedPort::counters() const {
    PortCounters result = inner_->counters();
    result.framesDropped = dropped_;
    result.framesDuplicated = duplicated_;
    result.framesReordered = reordered_;
    return result;
}

} // namespace kez::net::detail
