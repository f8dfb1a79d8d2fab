#pragma once
// The face's 47 keys in build order: the key table's rows with the face's own columns, the key and LED pictures
// and the label box.
#include <optional>
#include <span>
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
// The row of a key; null for a number that names no key.
const ButtonRow* buttonRow(KeyId key);

} // namespace kez::ombrel::face
