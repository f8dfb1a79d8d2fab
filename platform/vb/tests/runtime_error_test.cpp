#include <gtest/gtest.h>

#include <stdexcept>

#include "kez/vb/runtime_error.h"

namespace kez::vb {
namespace {

TEST(RuntimeError, KnownNumbersCarryTheLanguagesDescription) {
    EXPECT_EQ(RuntimeError(error::kOverflow).description(), "Overflow");
    EXPECT_EQ(RuntimeError(error::kTypeMismatch).description(), "Type mismatch");
    EXPECT_EQ(RuntimeError(error::kInvalidPropertyValue).description(), "Invalid property value");
    EXPECT_EQ(RuntimeError(error::kInvalidPropertyValue).number(), 380);
    EXPECT_EQ(RuntimeError(error::kFileNotFound).description(), "File not found");
    EXPECT_EQ(RuntimeError(error::kInvalidPicture).description(), "Invalid picture");
    EXPECT_EQ(RuntimeError(12345).description(), "");
}

TEST(RuntimeError, RegistryWriteFailuresKeepTheirTexts) {
    const auto notCreated = RuntimeError::keyNotCreated();
    EXPECT_EQ(notCreated.number(), 5);
    EXPECT_EQ(notCreated.description(), "RegCreateKeyEx Failure");
    EXPECT_EQ(notCreated.source(), "Failed to save value to the registry");
    const auto notSet = RuntimeError::valueNotSet();
    EXPECT_EQ(notSet.number(), 10022);
    EXPECT_EQ(notSet.description(), "RegCreateKeyEx Failure");
    EXPECT_EQ(notSet.source(), "gSetRegParamString");
}

TEST(RuntimeError, IsCaughtAsAStandardErrorWithItsDescription) {
    try {
        throw RuntimeError(error::kOverflow);
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Overflow");
    }
}

} // namespace
} // namespace kez::vb
