#include "local_wire_port.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <string>

#include "virtual_adapter.h"

namespace kez::net::detail {

// Frames a port has not read yet; beyond this the wire drops and counts them.
inline constexpr std::size_t kInboxLimit = 1024;

class LocalWire {
public:
    static std::shared_ptr<LocalWire> named(const std::string& name) {
        static std::mutex registryMutex;
        static std::map<std::string, std::weak_ptr<LocalWire>> registry;
        std::lock_guard lock(registryMutex);
        std::erase_if(registry, [](const auto& item) { return item.second.expired(); });
        std::weak_ptr<LocalWire>& entry = registry[name];
        auto wire = entry.lock();
        if (!wire) {
            wire = std::make_shared<LocalWire>();
            entry = wire;
        }
        return wire;
    }

    void attach(std::shared_ptr<WireInbox> inbox) {
        std::lock_guard lock(mutex_);
        inboxes_.push_back(std::move(inbox));
    }

    void detach(const WireInbox* inbox) {
        std::lock_guard lock(mutex_);
        std::erase_if(inboxes_, [inbox](const auto& held) { return held.get() == inbox; });
    }

    void carry(const WireInbox* from, std::span<const std::uint8_t> frame) {
        std::lock_guard lock(mutex_);
        for (const auto& inbox : inboxes_) {
            if (inbox.get() != from) deliver(*inbox, frame);
        }
    }

private:
    static void deliver(WireInbox& inbox, std::span<const std::uint8_t> frame) {
        if (!inbox.filter.accepts(frame)) {
            ++inbox.filtered;
            return;
        }
        std::lock_guard lock(inbox.mutex);
        if (inbox.frames.size() >= kInboxLimit) {
            ++inbox.overflowed;
            return;
        }
        inbox.frames.emplace_back(frame.begin(), frame.end());
        inbox.ready.set();
    }

    std::mutex mutex_;
    std::vector<std::shared_ptr<WireInbox>> inboxes_;
};

LocalWirePort::~LocalWirePort() { close(); }

PortStatus LocalWirePort::open(std::string_view adapter) {
    auto change = lifecycle_.change();
    if (wire_) return portError(PortCode::AlreadyOpen);
    if (!adapter.starts_with(kLocalWirePrefix)) return portError(PortCode::InvalidName);
    VirtualAdapter parsed;
    if (PortStatus status = parseVirtualAdapter(adapter.substr(kLocalWirePrefix.size()), parsed); !status.ok()) {
        return status;
    }
    readiness_ = makeReadinessFd({inbox_->ready.pollFd(), lifecycle_.closingFd()});
    if (!readiness_) return portError(PortCode::SystemError, errno);
    mac_ = parsed.mac;
    inbox_->filter.setOwnMac(mac_);
    wire_ = LocalWire::named(parsed.wire);
    wire_->attach(inbox_);
    return {};
}

void LocalWirePort::close() {
    auto shutDown = lifecycle_.shutDown();
    if (!wire_) return;
    wire_->detach(inbox_.get());
    wire_.reset();
    readiness_.reset();
    // A reopened port starts with an empty inbox and no filter, like a fresh adapter.
    inbox_ = std::make_shared<WireInbox>();
}

bool LocalWirePort::isOpen() const {
    auto use = lifecycle_.use();
    return static_cast<bool>(wire_);
}

int LocalWirePort::pollFd() const {
    auto use = lifecycle_.use();
    return readiness_ ? readiness_.get() : -1;
}

MacAddress LocalWirePort::macAddress() const {
    auto use = lifecycle_.use();
    return mac_;
}

LocalWirePort::Taken LocalWirePort::takeFrame(std::span<std::uint8_t> buffer, std::size_t& length) {
    std::lock_guard lock(inbox_->mutex);
    if (inbox_->frames.empty()) {
        inbox_->ready.reset();
        return Taken::Empty;
    }
    std::vector<std::uint8_t> frame = std::move(inbox_->frames.front());
    inbox_->frames.pop_front();
    if (frame.size() > buffer.size()) return Taken::TooLong;
    std::copy(frame.begin(), frame.end(), buffer.begin());
    length = frame.size();
    return Taken::Frame;
}

FrameRead LocalWirePort::readFrame(std::span<std::uint8_t> buffer, sys::Timeout limit) {
    if (buffer.size() < kMinFrameLength + 4) return {ReadOutcome::Failed, 0, portError(PortCode::InvalidArgument)};
    auto use = lifecycle_.use();
    if (!wire_) return {ReadOutcome::Closed, 0, portError(PortCode::NotOpen)};
    const sys::Deadline deadline(limit);
    for (;;) {
        std::size_t length = 0;
        switch (takeFrame(buffer, length)) {
        case Taken::Frame: ++framesRead_; return {ReadOutcome::Frame, length, {}};
        case Taken::TooLong: ++framesTooLong_; continue;
        case Taken::Empty: break;
        }
        int error = 0;
        switch (waitReadable(inbox_->ready.pollFd(), lifecycle_.closingFd(), deadline, error)) {
        case Readiness::Closing: return {ReadOutcome::Closed, 0, portError(PortCode::NotOpen)};
        case Readiness::Timeout: return {ReadOutcome::Timeout, 0, {}};
        case Readiness::Failed: return {ReadOutcome::Failed, 0, portError(PortCode::SystemError, error)};
        case Readiness::Ready: break;
        }
    }
}

PortStatus LocalWirePort::writeFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < kMinFrameLength) return portError(PortCode::InvalidArgument);
    if (frame.size() > kMaxFrameLength) return portError(PortCode::FrameTooLong);
    auto use = lifecycle_.use();
    if (!wire_) return portError(PortCode::NotOpen);
    wire_->carry(inbox_.get(), frame);
    return {};
}

PortStatus LocalWirePort::setPacketFilter(std::uint32_t bits) {
    if (PortStatus status = checkPacketFilterBits(bits); !status.ok()) return status;
    auto use = lifecycle_.use();
    if (!wire_) return portError(PortCode::NotOpen);
    inbox_->filter.setBits(bits);
    return {};
}

std::uint32_t LocalWirePort::packetFilter() const {
    auto use = lifecycle_.use();
    return inbox_->filter.bits();
}

PortStatus LocalWirePort::setMulticastList(std::span<const MacAddress> list) {
    std::vector<MacAddress> wanted;
    if (PortStatus status = normaliseMulticastList(list, wanted); !status.ok()) return status;
    auto use = lifecycle_.use();
    if (!wire_) return portError(PortCode::NotOpen);
    inbox_->filter.setMulticastList(std::move(wanted));
    return {};
}

PortCounters LocalWirePort::counters() const {
    auto use = lifecycle_.use();
    PortCounters result;
    result.framesRead = framesRead_;
    result.framesFiltered = inbox_->filtered;
    result.framesTooLong = framesTooLong_;
    result.framesOverflowed = inbox_->overflowed;
    return result;
}

} // namespace kez::net::detail
