// The hive file text: a golden file, exact round trips of any bytes, and the faults that make a file damaged.
#include "../hive_format.h"
#include "kez/reg/hive_text.h"
#include "kez/reg/value_text.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace kez::reg {
namespace {

Node goldenTree() {
    Node root;
    auto& audio = ensureNode(root, std::vector<std::string>{"SOFTWARE", "Brenic", "KEZ", "KEZ Ombrel", "Audio"});
    audio.values.emplace("ToneVolume", textValue("100"));
    audio.values.emplace("", textValue(""));
    auto& linkage = ensureNode(root, std::vector<std::string>{"SYSTEM", "Services", "KEZPacket", "Linkage"});
    linkage.values.emplace("Bind", multiTextValue({"\\Device\\eth0", "\\Device\\eth1"}));
    linkage.values.emplace("Disabled", Value{Type::MultiSz, {0, 0}});
    linkage.values.emplace("Start", dwordValue(3));
    linkage.values.emplace("Blob", Value{Type::Binary, {0x0A, 0x00, 0xFF}});
    linkage.values.emplace("Path", textValue("%SystemRoot%\\x \"q\"\t", Type::ExpandSz));
    ensureNode(root, std::vector<std::string>{"Odd%[name]"});
    root.values.emplace("RootValue", Value{Type::Sz, {'n', 'o', 'z'}});
    return root;
}

constexpr const char* kGolden = "KEZ-REGISTRY-HIVE 1\n"
                                "\n"
                                "[]\n"
                                "\"RootValue\"=hex(1):6e,6f,7a\n"
                                "\n"
                                "[Odd%25%5bname%5d]\n"
                                "\n"
                                "[SOFTWARE]\n"
                                "\n"
                                "[SOFTWARE\\Brenic]\n"
                                "\n"
                                "[SOFTWARE\\Brenic\\KEZ]\n"
                                "\n"
                                "[SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel]\n"
                                "\n"
                                "[SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Audio]\n"
                                "@=sz:\"\"\n"
                                "\"ToneVolume\"=sz:\"100\"\n"
                                "\n"
                                "[SYSTEM]\n"
                                "\n"
                                "[SYSTEM\\Services]\n"
                                "\n"
                                "[SYSTEM\\Services\\KEZPacket]\n"
                                "\n"
                                "[SYSTEM\\Services\\KEZPacket\\Linkage]\n"
                                "\"Bind\"=multi_sz:\"\\\\Device\\\\eth0\",\"\\\\Device\\\\eth1\"\n"
                                "\"Blob\"=binary:0a,00,ff\n"
                                "\"Disabled\"=hex(7):00,00\n"
                                "\"Path\"=expand_sz:\"%SystemRoot%\\\\x \\\"q\\\"\\x09\"\n"
                                "\"Start\"=dword:00000003\n";

TEST(HiveFormat, WritesTheDocumentedText) {
    EXPECT_EQ(serializeHive(goldenTree()), kGolden);
    Node parsed;
    ParseError error;
    ASSERT_TRUE(parseHive(kGolden, parsed, error)) << error.line << ": " << error.reason;
    EXPECT_TRUE(parsed == goldenTree());
}

TEST(HiveFormat, ReadsHandWrittenForms) {
    const std::string text = "KEZ-REGISTRY-HIVE 1\n"
                             "; a comment\n"
                             "[A\\B]\n"
                             "\"n\"=dword:7\n"
                             "\"m\"=multi_sz:\n"
                             "\"b\"=binary:\n"
                             "[a]\n";
    Node root;
    ParseError error;
    ASSERT_TRUE(parseHive(text, root, error)) << error.line << ": " << error.reason;
    const auto* b = findNode(root, std::vector<std::string>{"a", "b"});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->values.at("N"), dwordValue(7));
    EXPECT_EQ(b->values.at("m"), (Value{Type::MultiSz, {0}}));
    EXPECT_EQ(b->values.at("b"), (Value{Type::Binary, {}}));
    EXPECT_TRUE(parseHive("", root, error));
}

TEST(HiveFormat, RejectsDamageWithItsLine) {
    const std::vector<std::pair<std::string, std::size_t>> damaged{
        {"garbage\n", 1},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=sz:\"unterminated\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n\"x\"=dword:1\n", 2},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n[a]\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=dword:1\n\"X\"=dword:2\n", 4},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=dword:123456789\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=binary:00,\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=binary:0\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=sz:\"a\\q\"\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=sz:\"a\\x00\"\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=sz:\"a\"b\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=multi_sz:\"\"\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=hex(01):00\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=string:\"a\"\n", 3},
        {"KEZ-REGISTRY-HIVE 1\n[A\\\\B]\n", 2},
        {"KEZ-REGISTRY-HIVE 1\n[A%zz]\n", 2},
        {"KEZ-REGISTRY-HIVE 1\n[A\\]\n", 2},
        {"KEZ-REGISTRY-HIVE 1\n[" + std::string(256, 'k') + "]\n", 2},
        {"KEZ-REGISTRY-HIVE 1\n[A]\n\"x\"=dword:1", 3},
        {"KEZ-REGISTRY-HIVE 1\r\n", 1},
    };
    for (const auto& [text, line] : damaged) {
        Node root;
        ParseError error;
        EXPECT_FALSE(parseHive(text, root, error)) << text;
        EXPECT_EQ(error.line, line) << text;
        EXPECT_FALSE(error.reason.empty()) << text;
    }
}

// The parser stops at the line that passes a limit, so the tree never grows beyond it.
TEST(HiveFormat, RefusesAFileAtTheLineWhereItPassesALimit) {
    const std::string header = "KEZ-REGISTRY-HIVE 1\n[A]\n";
    const std::vector<std::tuple<HiveLimits, std::string, std::size_t, std::string>> cases{
        {{.keys = 3}, header + "[A\\B\\C]\n[D]\n", 4, "more keys than a hive may hold"},
        {{.values = 1}, header + "\"x\"=dword:1\n\"y\"=dword:1\n", 4, "more values than a hive may hold"},
        {{.treeBytes = 1000},
         header + formatValueLine("x", Value{Type::Binary, std::vector<std::uint8_t>(600)}) + "\n",
         3,
         "larger in memory than a hive may be"},
    };
    for (const auto& [limits, text, line, reason] : cases) {
        Node root;
        ParseError error;
        EXPECT_FALSE(parseHive(text, root, error, limits)) << reason;
        EXPECT_EQ(error.line, line) << reason;
        EXPECT_EQ(error.reason, reason);
        EXPECT_EQ(exceededLimit(root, limits), nullptr) << reason;
    }
}

// Any bytes; names never hold a zero byte, key names never a backslash and never are empty.
enum class Kind { Data, ValueName, KeyName };

std::string randomBytes(std::mt19937& random, std::size_t maxLength, Kind kind) {
    std::uniform_int_distribution<std::size_t> length(kind == Kind::KeyName ? 1 : 0, maxLength);
    std::uniform_int_distribution<int> byte(kind == Kind::Data ? 0 : 1, 255);
    std::string text;
    for (auto n = length(random); text.size() < n;) {
        const char c = static_cast<char>(byte(random));
        if (kind == Kind::KeyName && c == '\\') continue;
        text += c;
    }
    return text;
}

TEST(HiveFormat, AnyNamesAndBytesRoundTripExactly) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> typeChoice(0, 7);
    const Type types[] = {Type::None,  Type::Sz,      Type::ExpandSz,        Type::Binary,
                          Type::Dword, Type::MultiSz, static_cast<Type>(11), static_cast<Type>(0xFFFFFFFF)};
    for (int round = 0; round < 50; ++round) {
        Node root;
        for (int k = 0; k < 20; ++k) {
            std::vector<std::string> path;
            for (int depth = 0; depth < 1 + k % 4; ++depth)
                path.push_back(randomBytes(random, 12, Kind::KeyName));
            auto& node = ensureNode(root, path);
            for (int v = 0; v < 3; ++v) {
                Value value{types[typeChoice(random)], {}};
                const auto data = randomBytes(random, 24, Kind::Data);
                value.bytes.assign(data.begin(), data.end());
                if (v == 0) value = textValue(randomBytes(random, 10, Kind::KeyName), Type::Sz);
                if (v == 1)
                    value =
                        multiTextValue({randomBytes(random, 8, Kind::KeyName), randomBytes(random, 8, Kind::KeyName)});
                node.values.insert_or_assign(randomBytes(random, 16, Kind::ValueName), value);
            }
        }
        const auto text = serializeHive(root);
        Node parsed;
        ParseError error;
        ASSERT_TRUE(parseHive(text, parsed, error)) << error.line << ": " << error.reason;
        ASSERT_TRUE(parsed == root) << "round " << round;
        EXPECT_EQ(serializeHive(parsed), text);
    }
}

TEST(HiveFormat, ValueLinesUseTheReadableFormWhenItIsExact) {
    EXPECT_EQ(formatValueLine("a", textValue("x")), "\"a\"=sz:\"x\"");
    EXPECT_EQ(formatValueLine("a", Value{Type::Sz, {'x'}}), "\"a\"=hex(1):78");
    EXPECT_EQ(formatValueLine("a", Value{Type::Sz, {}}), "\"a\"=hex(1):");
    EXPECT_EQ(formatValueLine("a", multiTextValue({})), "\"a\"=multi_sz:");
    EXPECT_EQ(formatValueLine("a", Value{Type::MultiSz, {'x', 0}}), "\"a\"=hex(7):78,00");
    EXPECT_EQ(formatValueLine("a", dwordValue(0xDEADBEEF)), "\"a\"=dword:deadbeef");
    EXPECT_EQ(formatValueLine("", Value{Type::None, {}}), "@=hex(0):");
    EXPECT_EQ(formatValueLine("@", dwordValue(1)), "\"@\"=dword:00000001");
}

} // namespace
} // namespace kez::reg
