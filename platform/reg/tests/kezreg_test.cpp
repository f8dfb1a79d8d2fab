// The kezreg tool, run as a separate process against the test's hive files.
#include "kez/reg/registry.h"
#include "process.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <thread>

namespace kez::reg {
namespace {

class KezregTest : public ::testing::Test {
protected:
    test::CommandResult kezreg(std::vector<std::string> args, std::vector<std::string> environment = {}) {
        args.insert(args.begin(), KEZREG_PATH);
        auto full = registry_.environment();
        full.insert(full.end(), environment.begin(), environment.end());
        return test::runCommand(args, full);
    }

    Value stored(std::string_view path, std::string_view name) {
        registry_.reopen();
        Key key;
        Value value;
        EXPECT_EQ(Key::open(Hive::LocalMachine, path, Access::Read, key), Status::Ok);
        EXPECT_EQ(key.queryValue(name, value), Status::Ok);
        return value;
    }

    test::ScopedRegistry registry_;
};

TEST_F(KezregTest, RoundTripsEveryValueType) {
    struct Case {
        std::string type;
        std::string data;
        Value expected;
        std::string printed;
    };
    const std::vector<Case> cases{
        {"REG_SZ", "Corvane.Engine.1", textValue("Corvane.Engine.1"), "sz:\"Corvane.Engine.1\""},
        {"REG_SZ", "", Value{Type::Sz, {0}}, "sz:\"\""},
        {"REG_EXPAND_SZ", "%SystemRoot%\\System32\\netevent.dll",
         textValue("%SystemRoot%\\System32\\netevent.dll", Type::ExpandSz),
         "expand_sz:\"%SystemRoot%\\\\System32\\\\netevent.dll\""},
        {"REG_MULTI_SZ", "+NDIS", multiTextValue({"+NDIS"}), "multi_sz:\"+NDIS\""},
        {"REG_MULTI_SZ", "a\\0b c", multiTextValue({"a", "b c"}), "multi_sz:\"a\",\"b c\""},
        {"REG_MULTI_SZ", "", Value{Type::MultiSz, {0}}, "multi_sz:"},
        {"REG_DWORD", "7", dwordValue(7), "dword:00000007"},
        {"REG_DWORD", "0xFFFFFFFF", dwordValue(0xFFFFFFFF), "dword:ffffffff"},
        {"REG_BINARY", "0a,00,ff", Value{Type::Binary, {0x0A, 0x00, 0xFF}}, "binary:0a,00,ff"},
        {"REG_BINARY", "", Value{Type::Binary, {}}, "binary:"},
        {"hex(7)", "00,00", Value{Type::MultiSz, {0, 0}}, "hex(7):00,00"},
        {"hex(1)", "4142", Value{Type::Sz, {'A', 'B'}}, "hex(1):41,42"},
        {"hex(11)", "0102030405060708", Value{static_cast<Type>(11), {1, 2, 3, 4, 5, 6, 7, 8}},
         "hex(11):01,02,03,04,05,06,07,08"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto name = "v" + std::to_string(n++);
        const auto set = kezreg({"set", "HKLM\\SOFTWARE\\Types", name, c.type, c.data});
        ASSERT_EQ(set.exitCode, 0) << c.type << " " << c.data << ": " << set.err;
        EXPECT_EQ(stored("SOFTWARE\\Types", name), c.expected) << c.type << " " << c.data;
        const auto query = kezreg({"query", "hkey_local_machine\\software\\types", name});
        EXPECT_EQ(query.exitCode, 0) << query.err;
        EXPECT_EQ(query.out, "\"" + name + "\"=" + c.printed + "\n");
    }
}

TEST_F(KezregTest, QueriesAndExportsKeysInTheHiveSyntax) {
    ASSERT_EQ(kezreg({"set", "HKCR\\CLSID\\{X}\\InprocServer32", "", "REG_SZ", "/usr/lib/libx.so"}).exitCode, 0);
    ASSERT_EQ(kezreg({"set", "HKCR\\CLSID\\{X}\\InprocServer32", "ThreadingModel", "REG_SZ", "Apartment"}).exitCode, 0);
    ASSERT_EQ(kezreg({"set", "HKCR\\CLSID\\{X}", "", "REG_SZ", "Engine Class"}).exitCode, 0);
    const auto query = kezreg({"query", "HKCR\\CLSID\\{x}"});
    EXPECT_EQ(query.out, "[HKEY_CLASSES_ROOT\\CLSID\\{X}]\n"
                         "@=sz:\"Engine Class\"\n"
                         "[HKEY_CLASSES_ROOT\\CLSID\\{X}\\InprocServer32]\n");
    const auto exported = kezreg({"export", "HKLM\\SOFTWARE"});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out, "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
                            "\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n"
                            "\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID]\n"
                            "\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{X}]\n"
                            "@=sz:\"Engine Class\"\n"
                            "\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{X}\\InprocServer32]\n"
                            "@=sz:\"/usr/lib/libx.so\"\n"
                            "\"ThreadingModel\"=sz:\"Apartment\"\n");
}

TEST_F(KezregTest, DeletesValuesKeysAndTrees) {
    ASSERT_EQ(kezreg({"set", "HKCU\\A\\B", "v", "REG_DWORD", "1"}).exitCode, 0);
    ASSERT_EQ(kezreg({"set", "HKCU\\A", "w", "REG_DWORD", "2"}).exitCode, 0);
    EXPECT_EQ(kezreg({"delete", "HKCU\\A", "w"}).exitCode, 0);
    EXPECT_EQ(kezreg({"query", "HKCU\\A", "w"}).exitCode, 1);
    const auto refused = kezreg({"delete", "HKCU\\A"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "kezreg: HKCU\\A: access denied (5)\n");
    EXPECT_EQ(kezreg({"delete", "--tree", "HKCU\\A"}).exitCode, 0);
    const auto gone = kezreg({"query", "HKCU\\A"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err, "kezreg: HKCU\\A: not found (2)\n");

    ASSERT_EQ(kezreg({"set", "HKCU\\B", "v", "REG_DWORD", "1"}).exitCode, 0);
    const auto user = test::readFile(registry_.userFile());
    EXPECT_EQ(kezreg({"delete", "--tree", "HKEY_CURRENT_USER\\"}).err,
              "kezreg: HKEY_CURRENT_USER\\: access denied (5)\n");
    EXPECT_EQ(test::readFile(registry_.userFile()), user);
}

TEST_F(KezregTest, ReportsErrorsWithAClearMessageAndExitCode) {
    ASSERT_EQ(kezreg({"set", "HKLM\\S", "v", "REG_SZ", "old"}).exitCode, 0);
    const auto before = test::readFile(registry_.machineFile());
    const auto denied = kezreg({"set", "HKLM\\S", "v", "REG_SZ", "new"}, {"KEZ_REGISTRY_READONLY=machine"});
    EXPECT_EQ(denied.exitCode, 1);
    EXPECT_EQ(denied.err, "kezreg: HKLM\\S: access denied (5)\n");
    EXPECT_EQ(test::readFile(registry_.machineFile()), before);
    EXPECT_EQ(kezreg({"query", "HKLM\\S", "v"}, {"KEZ_REGISTRY_READONLY=machine"}).out, "\"v\"=sz:\"old\"\n");

    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"query"},
                                                                  {"query", "HKXX\\S"},
                                                                  {"set", "HKLM\\S", "v", "REG_DWORD", "-1"},
                                                                  {"set", "HKLM\\S", "v", "REG_DWORD", "4294967296"},
                                                                  {"set", "HKLM\\S", "v", "REG_BINARY", "abc"},
                                                                  {"set", "HKLM\\S", "v", "REG_QWORD", "1"},
                                                                  {"frobnicate", "HKLM\\S"},
                                                                  {"set", "HKLM\\S", "v"},
                                                                  {"set", "HKLM\\S", "v", "REG_MULTI_SZ", "a\\0"}}) {
        const auto result = kezreg(args);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
    const auto help = kezreg({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("kezreg query"), std::string::npos);
    EXPECT_EQ(kezreg({"set", "HKLM\\a\\\\b", "v", "REG_SZ", "x"}).err,
              "kezreg: HKLM\\a\\\\b: invalid parameter (87)\n");
}

TEST_F(KezregTest, ManyConcurrentRunsKeepEveryValue) {
    constexpr int kRuns = 10;
    std::vector<int> exitCodes(kRuns, -1);
    {
        std::vector<std::jthread> runs;
        for (int i = 0; i < kRuns; ++i) {
            runs.emplace_back([this, i, &exitCodes] {
                exitCodes[i] =
                    kezreg({"set", "HKLM\\Shared", "run" + std::to_string(i), "REG_DWORD", std::to_string(i)}).exitCode;
            });
        }
    }
    for (const auto code : exitCodes)
        EXPECT_EQ(code, 0);
    for (int i = 0; i < kRuns; ++i)
        EXPECT_EQ(stored("Shared", "run" + std::to_string(i)), dwordValue(i));
}

} // namespace
} // namespace kez::reg
