#pragma once
// The face's 47 keys in build order: each key's class, pictures, LED, label box, description and help topics.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "layout/face_types.h"

namespace kez::ombrel::face {

struct ButtonRow {
    KeyId key;
    ButtonType type;
    Control keyFamily; // the up and down pictures share the family's index
    int keyIndex;
    std::optional<Control> ledFamily; // unlit and lit pictures of the LED, same index
    int ledIndex;
    std::optional<int> labelBox; // index in txtLineLabels
    std::string_view description;
    std::int16_t keyHelpTopic;
    std::int16_t ledHelpTopic;
};

std::span<const ButtonRow> buttonRows();

// The key's text as used for tags and collection keys: its decimal number, no blanks or leading zeros.
std::string keyText(KeyId key);

} // namespace kez::ombrel::face
