// The process's virtual devices and their switches.
#include "kez/audio/virtual_audio.h"

#include <algorithm>

namespace kez::audio {
namespace {

std::mutex registryLock;
std::map<std::string, std::shared_ptr<VirtualDevice>, std::less<>>& registry() {
    static std::map<std::string, std::shared_ptr<VirtualDevice>, std::less<>> devices;
    return devices;
}

std::size_t slot(Direction direction) { return direction == Direction::Playback ? 0 : 1; }

} // namespace

std::shared_ptr<VirtualDevice> virtualDevice(std::string_view name) {
    const std::lock_guard hold(registryLock);
    auto& devices = registry();
    auto found = devices.find(name);
    if (found == devices.end()) found = devices.emplace(name, std::make_shared<VirtualDevice>(std::string(name))).first;
    return found->second;
}

void forgetVirtualDevices() {
    const std::lock_guard hold(registryLock);
    registry().clear();
}

VirtualDevice::VirtualDevice(std::string name) : name_(std::move(name)) {}

std::vector<std::uint8_t> VirtualDevice::played() const {
    const std::lock_guard hold(lock_);
    return played_;
}

void VirtualDevice::clearPlayed() {
    const std::lock_guard hold(lock_);
    played_.clear();
}

void VirtualDevice::feed(std::span<const std::uint8_t> bytes) {
    const std::lock_guard hold(lock_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
}

std::uint32_t VirtualDevice::underruns() const {
    const std::lock_guard hold(lock_);
    return underruns_;
}

std::optional<PcmFormat> VirtualDevice::openFormat(Direction direction) const {
    const std::lock_guard hold(lock_);
    return open_[slot(direction)];
}

void VirtualDevice::failOpens(Result result) {
    const std::lock_guard hold(lock_);
    openFailure_ = result;
}

void VirtualDevice::acceptOnly(std::optional<PcmFormat> format) {
    const std::lock_guard hold(lock_);
    acceptOnly_ = format;
}

void VirtualDevice::setStalled(bool stalled) {
    const std::lock_guard hold(lock_);
    stalled_ = stalled;
}

void VirtualDevice::unplug() {
    const std::lock_guard hold(lock_);
    unplugged_ = true;
}

void VirtualDevice::plugIn() {
    const std::lock_guard hold(lock_);
    unplugged_ = false;
}

Result VirtualDevice::checkOpen(const PcmFormat& format) const {
    const std::lock_guard hold(lock_);
    if (unplugged_) return Result::NoDriver;
    if (!ok(openFailure_)) return openFailure_;
    if (acceptOnly_ && *acceptOnly_ != format) return Result::BadFormat;
    return Result::Ok;
}

Result VirtualDevice::attach(Direction direction, const PcmFormat& format) {
    if (const auto checked = checkOpen(format); !ok(checked)) return checked;
    const std::lock_guard hold(lock_);
    auto& open = open_[slot(direction)];
    if (open) return Result::Allocated;
    open = format;
    return Result::Ok;
}

void VirtualDevice::detach(Direction direction) {
    const std::lock_guard hold(lock_);
    open_[slot(direction)].reset();
}

bool VirtualDevice::unplugged() const {
    const std::lock_guard hold(lock_);
    return unplugged_;
}

bool VirtualDevice::stalled() const {
    const std::lock_guard hold(lock_);
    return stalled_;
}

void VirtualDevice::appendPlayed(std::span<const std::uint8_t> bytes) {
    const std::lock_guard hold(lock_);
    played_.insert(played_.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> VirtualDevice::takeInput(std::size_t room, std::uint8_t silence) {
    const std::lock_guard hold(lock_);
    const std::size_t available = std::min(room, input_.size() - inputRead_);
    std::vector<std::uint8_t> taken(input_.begin() + static_cast<std::ptrdiff_t>(inputRead_),
                                    input_.begin() + static_cast<std::ptrdiff_t>(inputRead_ + available));
    inputRead_ += available;
    taken.resize(room, silence);
    return taken;
}

void VirtualDevice::countUnderrun() {
    const std::lock_guard hold(lock_);
    ++underruns_;
}

} // namespace kez::audio
