// The scripted mixer of a virtual device.
#include "kez/audio/virtual_audio.h"

namespace kez::audio {

std::size_t VirtualMixer::addDestination(MixerLine line) {
    const std::lock_guard hold(lock_);
    for (const auto& control : line.controls)
        values_[control.id].assign(valueCount(line, control), control.minimum);
    destinations_.push_back({std::move(line), {}});
    return destinations_.size() - 1;
}

std::size_t VirtualMixer::addSource(std::size_t destination, MixerLine line) {
    const std::lock_guard hold(lock_);
    for (const auto& control : line.controls)
        values_[control.id].assign(valueCount(line, control), control.minimum);
    auto& sources = destinations_.at(destination).sources;
    sources.push_back(std::move(line));
    return sources.size() - 1;
}

void VirtualMixer::failLine(std::size_t destination, int source, Result result) {
    const std::lock_guard hold(lock_);
    lineFailures_[{destination, source}] = result;
}

void VirtualMixer::failControl(std::uint32_t controlId, Result result) {
    const std::lock_guard hold(lock_);
    controlFailures_[controlId] = result;
}

bool VirtualMixer::empty() const {
    const std::lock_guard hold(lock_);
    return destinations_.empty();
}

std::size_t VirtualMixer::destinationCount() const {
    const std::lock_guard hold(lock_);
    return destinations_.size();
}

Result VirtualMixer::lineFailure(std::size_t destination, int source) const {
    const auto found = lineFailures_.find({destination, source});
    return found == lineFailures_.end() ? Result::Ok : found->second;
}

Result VirtualMixer::controlFailure(std::uint32_t controlId) const {
    const auto found = controlFailures_.find(controlId);
    return found == controlFailures_.end() ? Result::Ok : found->second;
}

Result VirtualMixer::destination(std::size_t index, MixerLine& out) const {
    const std::lock_guard hold(lock_);
    if (index >= destinations_.size()) return Result::InvalidLine;
    if (const auto failure = lineFailure(index, -1); !ok(failure)) return failure;
    out = destinations_[index].line;
    return Result::Ok;
}

std::size_t VirtualMixer::sourceCount(std::size_t destination) const {
    const std::lock_guard hold(lock_);
    return destination < destinations_.size() ? destinations_[destination].sources.size() : 0;
}

Result VirtualMixer::source(std::size_t destination, std::size_t index, MixerLine& out) const {
    const std::lock_guard hold(lock_);
    if (destination >= destinations_.size() || index >= destinations_[destination].sources.size())
        return Result::InvalidLine;
    if (const auto failure = lineFailure(destination, static_cast<int>(index)); !ok(failure)) return failure;
    out = destinations_[destination].sources[index];
    return Result::Ok;
}

Result VirtualMixer::getValues(std::uint32_t controlId, std::vector<std::int32_t>& values) const {
    const std::lock_guard hold(lock_);
    if (const auto failure = controlFailure(controlId); !ok(failure)) return failure;
    const auto found = values_.find(controlId);
    if (found == values_.end()) return Result::InvalidControl;
    values = found->second;
    return Result::Ok;
}

Result VirtualMixer::setValues(std::uint32_t controlId, std::span<const std::int32_t> values) {
    const std::lock_guard hold(lock_);
    if (const auto failure = controlFailure(controlId); !ok(failure)) return failure;
    const auto found = values_.find(controlId);
    if (found == values_.end()) return Result::InvalidControl;
    if (values.size() != found->second.size()) return Result::InvalidParameter;
    found->second.assign(values.begin(), values.end());
    return Result::Ok;
}

} // namespace kez::audio
