#include <gtest/gtest.h>

#include <iconv.h>

#include <memory>
#include <optional>
#include <string>

#include "kez/com/text.h"

namespace kez::com {
namespace {

// glibc's converter is the independent reference; it knows no mapping for the undefined bytes.
std::optional<std::string> iconvConvert(const char* to, const char* from, std::string input) {
    const iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    const std::unique_ptr<void, int (*)(iconv_t)> closer(handle, iconv_close);
    std::string output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    if (iconv(handle, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    output.resize(output.size() - outLeft);
    return output;
}

bool isUndefinedIn1252(int byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

TEST(Windows1252, EveryHighByteMatchesIconvAndRoundTrips) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const std::string single(1, static_cast<char>(byte));
        const std::string utf8 = utf8FromWindows1252(single);
        if (isUndefinedIn1252(byte)) {
            EXPECT_EQ(utf8, iconvConvert("UTF-8", "ISO-8859-1", single)) << std::hex << byte;
        } else {
            EXPECT_EQ(utf8, iconvConvert("UTF-8", "CP1252", single)) << std::hex << byte;
        }
        EXPECT_EQ(windows1252FromUtf8(utf8), single) << std::hex << byte;
    }
}

TEST(Windows1252, PlainTextIsUnchangedAndWholeStringsRoundTrip) {
    EXPECT_EQ(utf8FromWindows1252("Waiting for Init"), "Waiting for Init");
    std::string all;
    for (int byte = 1; byte <= 0xFF; ++byte) {
        all += static_cast<char>(byte);
    }
    EXPECT_EQ(windows1252FromUtf8(utf8FromWindows1252(all)), all);
    EXPECT_EQ(utf8FromWindows1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Windows1252, UnshowableAndMalformedInputBecomesQuestionMarks) {
    EXPECT_EQ(windows1252FromUtf8("\xE2\x82\xAC 5"), "\x80 5");
    EXPECT_EQ(windows1252FromUtf8("\xE4\xB8\xAD"), "?");       // U+4E2D
    EXPECT_EQ(windows1252FromUtf8("\xF0\x9F\x98\x80!"), "?!"); // U+1F600
    EXPECT_EQ(windows1252FromUtf8("\xC3"), "?");               // cut short
    EXPECT_EQ(windows1252FromUtf8("\xC0\xAF"), "??");          // overlong
    EXPECT_EQ(windows1252FromUtf8("\xED\xA0\x80"), "???");     // surrogate
    EXPECT_EQ(windows1252FromUtf8("\xFF\xFE"), "??");
}

} // namespace
} // namespace kez::com
