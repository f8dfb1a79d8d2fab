#include "engine_messages.h"

namespace kez::corvane {

bool postEngineError(const apt::WindowHandle& window, com::HRESULT hr, std::string text) {
    apt::Message message{kMsgError, static_cast<std::uint32_t>(hr), 0, {}};
    if (!text.empty()) message.payload = apt::Payload::of(std::move(text));
    return window.post(std::move(message));
}

} // namespace kez::corvane
