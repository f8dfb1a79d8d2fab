#pragma once
// The classes of the components' error numbers, as the engine error box explains them.
#include <cstdint>
#include <string>
#include <string_view>

namespace kez::ombrel {

// The recording device is taken or refuses the format: a key press says so in its own box.
inline constexpr std::int32_t kWaveDeviceBusy = static_cast<std::int32_t>(0x80042004u);
inline constexpr std::int32_t kWaveFormatRefused = static_cast<std::int32_t>(0x80042020u);

struct EngineErrorClass {
    std::string explanation;
    std::string_view word; // "WIN32 Error", "Wave Object Error", ...
};

EngineErrorClass classifyEngineError(std::int32_t number);

// The box text: the number in hexadecimal, the message, the context, and the explanation of its class.
std::string engineErrorText(std::int32_t number, std::string_view context, std::string_view message);

} // namespace kez::ombrel
