#include "jipmsg_oracle.h"

#include <gtest/gtest.h>

#include "bytes.h"
#include "process.h"

namespace kez::corvane::test {

Bytes modelPayload(const std::string& className, const std::string& fields, const std::string& devices) {
    const std::string script = "import sys, ast, jipmsg\n"
                               "print(jipmsg.build_payload(sys.argv[1], ast.literal_eval(sys.argv[2]),"
                               " devices=ast.literal_eval(sys.argv[3])).hex())";
    const auto result =
        kez::test::runCommand({KEZ_PYTHON, "-c", script, className, fields, devices},
                              {"PYTHONPATH=" KEZ_SOURCE_DIR "/tests/peers/jipmsg", "PYTHONDONTWRITEBYTECODE=1"});
    EXPECT_TRUE(result.ok()) << result.err;
    auto line = result.out;
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    return kez::test::parseHex(line).value_or(Bytes{});
}

} // namespace kez::corvane::test
