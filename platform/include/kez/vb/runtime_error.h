#pragma once
// Run-time errors of the forms language: a number the programs compare and log, a
// description and a source.
#include <stdexcept>
#include <string>
#include <string_view>

namespace kez::vb {

namespace error {
inline constexpr int kAccessDenied = 5; // a registry key could not be created
inline constexpr int kOverflow = 6;
inline constexpr int kSubscriptOutOfRange = 9;    // a collection position outside 1 to its count
inline constexpr int kTypeMismatch = 13;          // text that is not a number where one is required
inline constexpr int kFileNotFound = 53;          // a picture file that is not there
inline constexpr int kObjectNotSet = 91;          // a member used before its object was created
inline constexpr int kInvalidPropertyValue = 380; // e.g. a list position past the end
inline constexpr int kKeyAlreadyAssociated = 457; // a collection given a key it already holds
inline constexpr int kInvalidPicture = 481;       // a picture file that cannot be read as a picture
inline constexpr int kRegistryValueNotSet = 10022;
} // namespace error

// The language's own description of a number ("Overflow"); empty for numbers it has none for.
std::string_view standardDescription(int number);

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(int number);
    RuntimeError(int number, std::string description, std::string source = {});

    // The two failures of a registry write, with the texts the programs show and log.
    static RuntimeError keyNotCreated();
    static RuntimeError valueNotSet();

    int number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    const std::string& source() const noexcept { return source_; }

private:
    int number_;
    std::string description_;
    std::string source_;
};

} // namespace kez::vb
