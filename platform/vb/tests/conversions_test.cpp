#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"

namespace kez::vb {
namespace {

// Runs `convert` and gives the run-time error number it raised, or nullopt.
template <class Convert>
std::optional<int> errorOf(Convert convert) {
    try {
        convert();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return std::nullopt;
}

struct ValCase {
    std::string_view text;
    double expected;
};

TEST(Val, ReadsTheLeadingNumber) {
    const ValCase cases[] = {
        {"12abc", 12},
        {"12 followed by letters", 12},
        {"  12", 12},
        {"-3.5", -3.5},
        {"+7", 7},
        {"1 2 3", 123},
        {"\t\n42", 42},
        {"- 5", -5},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {".", 0},
        {".5", 0.5},
        {"1.2.3", 1.2},
        {"1,000", 1},
        {"$5", 0},
        {"1e3", 1000},
        {"1.5D2", 150},
        {"2e", 2},
        {"2e+", 2},
        {"1E-2", 0.01},
        {"007", 7},
        {"1e-400", 0},
        {"0.5x", 0.5},
        {"--5", 0},
        {"&H10", 16},
        {"&hff", 255},
        {"&HFFFF", -1},
        {"&H8000", -32768},
        {"&H7FFF", 32767},
        {"&H10000", 65536},
        {"&HFFFFFFFF", -1},
        {"&H80000000", -2147483648.0},
        {"&H", 0},
        {"&HZ", 0},
        {"&H1G", 1},
        {"&O17", 15},
        {"&17", 15},
        {"&8", 0},
        {"& H10", 16},
    };
    for (const auto& c : cases)
        EXPECT_EQ(val(c.text), c.expected) << '"' << c.text << '"';
}

TEST(Val, NumbersThatDoNotFitRaiseOverflow) {
    for (const std::string_view text : {"1e400", "-1e400", "&H100000000", "&O40000000000"}) {
        EXPECT_EQ(errorOf([&] { val(text); }), error::kOverflow) << text;
    }
}

struct RoundCase {
    double value;
    std::optional<int> expected; // nullopt: overflow
};

TEST(IntegerConversion, RoundsHalfToEvenAndChecks16Bits) {
    const RoundCase cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {1.5, 2},
        {2.4999, 2},
        {2.5001, 3},
        {-0.4, 0},
        {32767, 32767},
        {32767.4, 32767},
        {32767.5, {}},
        {32768, {}},
        {-32768, -32768},
        {-32768.5, -32768},
        {-32768.6, {}},
        {-32769, {}},
        {std::nan(""), {}},
        {std::numeric_limits<double>::infinity(), {}},
    };
    for (const auto& c : cases) {
        if (c.expected) {
            EXPECT_EQ(cint(c.value), *c.expected) << c.value;
        } else {
            EXPECT_EQ(errorOf([&] { cint(c.value); }), error::kOverflow) << c.value;
        }
    }
}

TEST(IntegerConversion, Checks32BitsAndBytes) {
    EXPECT_EQ(clng(2147483646.5), 2147483646);
    EXPECT_EQ(clng(-2147483648.5), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(clng(40000.0), 40000);
    EXPECT_EQ(errorOf([] { clng(2147483647.5); }), error::kOverflow);
    EXPECT_EQ(errorOf([] { clng(2147483648.0); }), error::kOverflow);
    EXPECT_EQ(cbyte(254.5), 254);
    EXPECT_EQ(cbyte(-0.5), 0);
    EXPECT_EQ(errorOf([] { cbyte(255.5); }), error::kOverflow);
    EXPECT_EQ(errorOf([] { cbyte(-0.6); }), error::kOverflow);
    EXPECT_EQ(errorOf([] { cbyte(256.0); }), error::kOverflow);
}

TEST(IntegerConversion, TextMustBeANumberAsAWhole) {
    EXPECT_EQ(cint(std::string_view(" 12 ")), 12);
    EXPECT_EQ(cint(std::string_view("&HFFFF")), -1);
    EXPECT_EQ(cint(std::string_view("1e3")), 1000);
    EXPECT_EQ(cint(std::string_view("2.5")), 2);
    EXPECT_EQ(clng(std::string_view("-70000")), -70000);
    EXPECT_EQ(cbyte(std::string_view("255")), 255);
    EXPECT_EQ(errorOf([] { cint(std::string_view("12abc")); }), error::kTypeMismatch);
    EXPECT_EQ(errorOf([] { cint(std::string_view("")); }), error::kTypeMismatch);
    EXPECT_EQ(errorOf([] { cint(std::string_view("&H")); }), error::kTypeMismatch);
    EXPECT_EQ(errorOf([] { cint(std::string_view("40000")); }), error::kOverflow);
    EXPECT_EQ(errorOf([] { cbyte(std::string_view("256")); }), error::kOverflow);
}

TEST(IsNumeric, AcceptsOnlyWholeNumbers) {
    for (const std::string_view yes : {"12", " 1.5 ", "-3", "&H1F", "&h0A", "1e3", "&17"}) {
        EXPECT_TRUE(isNumeric(yes)) << yes;
    }
    for (const std::string_view no :
         {"", "   ", "abc", "12abc", "1 2", "-", "&H", "&HG1", "&H100000000", "1e400", "1,000"}) {
        EXPECT_FALSE(isNumeric(no)) << no;
    }
}

TEST(LeadingInteger, ReadsStoredSettings) {
    EXPECT_EQ(leadingInt16("12abc"), 12);
    EXPECT_EQ(leadingInt16("abc"), 0);
    EXPECT_EQ(leadingInt16(""), 0);
    EXPECT_EQ(leadingInt16("-1"), -1);
    EXPECT_EQ(leadingInt16("  7"), 7);
    EXPECT_EQ(leadingInt16("2.5"), 2);
    EXPECT_EQ(leadingInt16("3.5"), 4);
    EXPECT_EQ(errorOf([] { leadingInt16("40000"); }), error::kOverflow);
    EXPECT_EQ(errorOf([] { leadingInt16("-32769"); }), error::kOverflow);
    EXPECT_EQ(leadingInt32("40000"), 40000);
    EXPECT_EQ(leadingInt32("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(errorOf([] { leadingInt32("3000000000"); }), error::kOverflow);
}

TEST(BooleanText, IsExactAndCaseSensitive) {
    EXPECT_EQ(boolText(true), "True");
    EXPECT_EQ(boolText(false), "False");
    EXPECT_TRUE(isTrueText("True"));
    for (const std::string_view no : {"true", "TRUE", "1", "-1", " True", "True ", "False", ""}) {
        EXPECT_FALSE(isTrueText(no)) << '"' << no << '"';
    }
}

TEST(HexText, IsUpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(hex(std::int32_t{0}), "0");
    EXPECT_EQ(hex(std::int32_t{10}), "A");
    EXPECT_EQ(hex(std::int32_t{255}), "FF");
    EXPECT_EQ(hex(std::int32_t{0xABCD}), "ABCD");
    EXPECT_EQ(hex(std::int32_t{-1}), "FFFFFFFF");
    EXPECT_EQ(hex(std::int16_t{-1}), "FFFF");
    EXPECT_EQ(hex(std::int16_t{-32768}), "8000");
    EXPECT_EQ(hex(0x80044802u), "80044802");
    EXPECT_EQ(hex(std::int32_t{-2147221504}), "80040000");
}

TEST(Trim, TakesBlanksOnly) {
    const std::pair<std::string_view, std::string_view> cases[] = {{"  a b  ", "a b"}, {"   ", ""},     {"", ""},
                                                                   {"\tx ", "\tx"},    {" x\n", "x\n"}, {"x", "x"}};
    for (const auto& [text, trimmed] : cases)
        EXPECT_EQ(trim(text), trimmed) << '"' << text << '"';
}

} // namespace
} // namespace kez::vb
