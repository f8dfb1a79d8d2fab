#pragma once
// Results of the audio layer: the multimedia result numbers that callers compare, print and
// build their HRESULTs from (0x80042000 | number).
#include <cstdint>

namespace kez::audio {

enum class Result : std::uint32_t {
    Ok = 0,
    Error = 1,
    BadDeviceId = 2,
    Allocated = 4,
    InvalidHandle = 5,
    NoDriver = 6, // the device is gone (unplugged, sound server ended)
    NoMemory = 7,
    NotSupported = 8,
    InvalidParameter = 11,
    BadFormat = 32,
    StillPlaying = 33,
    ConversionNotPossible = 512,
    InvalidLine = 1024,
    InvalidControl = 1025,
};

constexpr std::uint32_t code(Result result) { return static_cast<std::uint32_t>(result); }
constexpr bool ok(Result result) { return result == Result::Ok; }

// The result for a failed system or ALSA call (given as a positive errno).
Result resultFromErrno(int error);

} // namespace kez::audio
