#include "kez/vb/runtime_error.h"

namespace kez::vb {

std::string_view standardDescription(int number) {
    switch (number) {
    case error::kAccessDenied: return "Invalid procedure call or argument";
    case error::kOverflow: return "Overflow";
    case error::kSubscriptOutOfRange: return "Subscript out of range";
    case error::kTypeMismatch: return "Type mismatch";
    case error::kFileNotFound: return "File not found";
    case error::kObjectNotSet: return "Object variable or With block variable not set";
    case error::kInvalidPropertyValue: return "Invalid property value";
    case error::kKeyAlreadyAssociated: return "This key is already associated with an element of this collection";
    case error::kInvalidPicture: return "Invalid picture";
    default: return {};
    }
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, std::string(standardDescription(number))) {}

RuntimeError::RuntimeError(int number, std::string description, std::string source)
    : std::runtime_error(description), number_(number), description_(std::move(description)),
      source_(std::move(source)) {}

// Both failures carry the same description; the texts are shown and logged as they stand.
RuntimeError RuntimeError::keyNotCreated() {
    return RuntimeError(error::kAccessDenied, "RegCreateKeyEx Failure", "Failed to save value to the registry");
}

RuntimeError RuntimeError::valueNotSet() {
    return RuntimeError(error::kRegistryValueNotSet, "RegCreateKeyEx Failure", "gSetRegParamString");
}

} // namespace kez::vb
