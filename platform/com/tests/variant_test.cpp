#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "kez/com/array_routines.h"
#include "kez/com/variant.h"

namespace kez::com {
namespace {

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (const int value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

Variant byteArray(std::initializer_list<int> values, std::int32_t lowerBound = 0) {
    Variant v;
    EXPECT_EQ(MakeSafeArray(ElementType::UI1, bytesOf(values), v, lowerBound), S_OK);
    return v;
}

TEST(Variant, EmptyZeroElementArrayAndTextAreDistinct) {
    const Variant empty;
    const Variant noElements = *SafeArray::fromBytes(ElementType::UI1, {});
    const Variant text = std::string();
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(noElements.isArray());
    EXPECT_EQ(noElements.get<SafeArray>()->count(), 0u);
    EXPECT_EQ(noElements.get<SafeArray>()->upperBound(), -1);
    EXPECT_EQ(text.type(), VarType::Text);
    EXPECT_NE(empty, noElements);
    EXPECT_NE(empty, text);
    EXPECT_NE(noElements, text);
    EXPECT_EQ(ArrayByteLength(text), 0u);
    EXPECT_FALSE(ArraysEqual(text, text));
    EXPECT_TRUE(ArraysEqual(noElements, noElements));
}

TEST(Variant, KeepsSixteenBitBooleansAndIntegerWidths) {
    const Variant truth = Bool{VARIANT_TRUE};
    EXPECT_EQ(truth.type(), VarType::Bool);
    EXPECT_EQ(truth.get<Bool>()->value, -1);
    EXPECT_TRUE(isVariantTrue(VARIANT_TRUE));
    EXPECT_FALSE(isVariantTrue(1));
    EXPECT_FALSE(isVariantTrue(VARIANT_FALSE));
    EXPECT_EQ(toVariantBool(true), -1);
    EXPECT_EQ(Variant(std::int16_t{7}).type(), VarType::I2);
    EXPECT_EQ(Variant(7).type(), VarType::I4);
    EXPECT_NE(Variant(std::int16_t{7}), Variant(7));
    EXPECT_EQ(Variant(Date{36526.5}).get<Date>()->value, 36526.5);
    EXPECT_EQ(Variant(Bool{1}).get<std::int16_t>(), nullptr);
}

TEST(Variant, CopiesArraysDeeply) {
    Variant original = byteArray({1, 2, 3});
    Variant copy = original;
    original = byteArray({9});
    EXPECT_EQ(ArrayByteLength(copy), 3u);
    EXPECT_EQ(copy.get<SafeArray>()->integerAt(2), 3);
}

TEST(MakeSafeArray, SixteenBitElementsTakeTwoBytesEach) {
    Variant v;
    ASSERT_EQ(MakeSafeArray(ElementType::I2, bytesOf({0x34, 0x12, 0xFF, 0xFF}), v), S_OK);
    const SafeArray& array = *v.get<SafeArray>();
    EXPECT_EQ(array.count(), 2u);
    EXPECT_EQ(array.integerAt(0), 0x1234);
    EXPECT_EQ(array.integerAt(1), -1);
    EXPECT_EQ(ArrayByteLength(v), 4u);
    ASSERT_EQ(MakeSafeArray(ElementType::UI2, bytesOf({0xFF, 0xFF}), v), S_OK);
    EXPECT_EQ(v.get<SafeArray>()->integerAt(0), 0xFFFF);
    EXPECT_EQ(MakeSafeArray(ElementType::I2, bytesOf({1, 2, 3}), v), E_INVALIDARG);
    EXPECT_TRUE(v.isEmpty());
}

TEST(MakeSafeArray, NoBytesLeaveTheDestinationEmptyAndTextIsRefused) {
    Variant v = byteArray({1});
    EXPECT_EQ(MakeSafeArray(ElementType::UI1, {}, v), S_OK);
    EXPECT_TRUE(v.isEmpty());
    v = byteArray({1});
    EXPECT_EQ(MakeSafeArray(ElementType::Bstr, bytesOf({1}), v), E_FAIL);
    EXPECT_TRUE(v.isEmpty());
}

TEST(SafeArray, LowerBoundOneIndexesFromOne) {
    const std::array<std::int16_t, 12> leds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const SafeArray array = SafeArray::fromI2(leds, 1);
    EXPECT_EQ(array.lowerBound(), 1);
    EXPECT_EQ(array.upperBound(), 12);
    EXPECT_EQ(array.integerAt(1), 1);
    EXPECT_EQ(array.integerAt(12), 12);
    EXPECT_FALSE(array.integerAt(0));
    EXPECT_FALSE(array.integerAt(13));
    EXPECT_EQ(array.bytes().size(), 24u);

    const Variant signedBytes = *SafeArray::fromBytes(ElementType::I1, bytesOf({0x80}), 1);
    EXPECT_EQ(signedBytes.get<SafeArray>()->integerAt(1), -128);
}

TEST(SafeArray, TextArraysHoldTextsNotBytes) {
    const Variant names = SafeArray::fromTexts({"eth0", "Ärger"});
    const SafeArray& array = *names.get<SafeArray>();
    EXPECT_EQ(array.count(), 2u);
    EXPECT_EQ(array.textAt(1), "Ärger");
    EXPECT_FALSE(array.textAt(2));
    EXPECT_FALSE(array.integerAt(0));
    EXPECT_EQ(ArrayByteLength(names), 0u);
    std::array<std::uint8_t, 16> buffer{};
    EXPECT_EQ(GetSafeArray(names, buffer), DISP_E_TYPEMISMATCH);
    std::vector<std::uint8_t> copy;
    EXPECT_EQ(GetSafeArrayEx(names, copy), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(SafeArray::fromBytes(ElementType::Bstr, bytesOf({1})));
}

TEST(GetSafeArray, CopiesToTheStartAndKeepsTheRest) {
    std::array<std::uint8_t, 6> mac = {9, 9, 9, 9, 9, 9};
    std::size_t copied = 99;
    EXPECT_EQ(GetSafeArray(byteArray({1, 2, 3, 4}), mac, &copied), S_OK);
    EXPECT_EQ(copied, 4u);
    EXPECT_EQ(mac, (std::array<std::uint8_t, 6>{1, 2, 3, 4, 9, 9}));
}

TEST(GetSafeArray, LongerThanTheBufferFailsAndCopiesNothing) {
    std::array<std::uint8_t, 6> mac = {9, 9, 9, 9, 9, 9};
    std::size_t copied = 99;
    EXPECT_EQ(GetSafeArray(byteArray({1, 2, 3, 4, 5, 6, 7}), mac, &copied), E_FAIL);
    EXPECT_EQ(copied, 0u);
    EXPECT_EQ(mac, (std::array<std::uint8_t, 6>{9, 9, 9, 9, 9, 9}));
}

TEST(GetSafeArray, SixteenBitElementsCountTwoBytes) {
    std::array<std::uint8_t, 4> ip{};
    const std::array<std::int16_t, 2> words = {0x0201, 0x0403};
    EXPECT_EQ(GetSafeArray(SafeArray::fromI2(words), ip), S_OK);
    EXPECT_EQ(ip, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    const std::array<std::int16_t, 3> tooMany = {1, 2, 3};
    EXPECT_EQ(GetSafeArray(SafeArray::fromI2(tooMany), ip), E_FAIL);
}

TEST(GetSafeArray, ANonArrayCopiesNothingAndSucceeds) {
    std::array<std::uint8_t, 4> ip = {7, 7, 7, 7};
    std::size_t copied = 99;
    EXPECT_EQ(GetSafeArray(Variant(42), ip, &copied), S_OK);
    EXPECT_EQ(GetSafeArray(Variant(), ip), S_OK);
    EXPECT_EQ(GetSafeArray(Variant("text"), ip), S_OK);
    EXPECT_EQ(copied, 0u);
    EXPECT_EQ(ip, (std::array<std::uint8_t, 4>{7, 7, 7, 7}));
}

TEST(GetSafeArrayEx, CopiesAllBytesOrNoneForANonArray) {
    std::vector<std::uint8_t> bytes = {5};
    EXPECT_EQ(GetSafeArrayEx(byteArray({1, 2, 3}, 1), bytes), S_OK);
    EXPECT_EQ(bytes, bytesOf({1, 2, 3}));
    EXPECT_EQ(GetSafeArrayEx(Variant(), bytes), S_OK);
    EXPECT_TRUE(bytes.empty());
}

TEST(ArraysEqual, ComparesBytesWhateverTheElementTypeOrBound) {
    const std::array<std::int16_t, 1> word = {0x0201};
    EXPECT_TRUE(ArraysEqual(byteArray({1, 2}), SafeArray::fromI2(word, 1)));
    EXPECT_FALSE(ArraysEqual(byteArray({1, 2}), byteArray({1, 2, 3})));
    EXPECT_FALSE(ArraysEqual(byteArray({1, 2}), byteArray({1, 3})));
    EXPECT_FALSE(ArraysEqual(Variant(), Variant()));
    EXPECT_FALSE(ArraysEqual(byteArray({1}), Variant(1)));
}

} // namespace
} // namespace kez::com
