// Edits keep the hive's size as a full measure finds it, and an edit that fails changes nothing.
#include "../hive_edit.h"
#include "../hive_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kez::reg {
namespace {

using Kind = Edit::Kind;
using Bytes = std::vector<std::uint8_t>;

Edit edit(Kind kind, std::vector<std::string> path, std::string name = {}, Bytes bytes = {}, bool implied = false) {
    Edit made;
    made.kind = kind;
    made.path = std::move(path);
    made.name = std::move(name);
    made.value = Value{Type::Binary, std::move(bytes)};
    made.keyImplied = implied;
    return made;
}

struct Step {
    Edit edit;
    Status expected;
};

TEST(HiveEdit, KeepsTheSizeAFullMeasureFinds) {
    const Bytes small{1, 2}, large(300, 7);
    const std::vector<Step> steps{
        {edit(Kind::CreateKey, {"A", "B%[x]", "C\x01"}), Status::Ok},
        {edit(Kind::CreateKey, {"a", "b%[X]"}), Status::Ok}, // there already, in another case
        {edit(Kind::SetValue, {}, "root", small), Status::Ok},
        {edit(Kind::SetValue, {}, "root2", large), Status::Ok},
        {edit(Kind::DeleteValue, {}, "ROOT"), Status::Ok},
        {edit(Kind::DeleteValue, {}, "root2"), Status::Ok}, // the root's section goes with its last value
        {edit(Kind::SetValue, {"A", "B%[x]"}, "v\"q\\", small), Status::Ok},
        {edit(Kind::SetValue, {"a", "B%[X]"}, "V\"Q\\", large), Status::Ok}, // replaced, the stored name kept
        {edit(Kind::SetValue, {"A", "B%[x]"}, "v\"q\\", small), Status::Ok},
        {edit(Kind::SetValue, {"Missing"}, "v", small), Status::KeyDeleted},
        {edit(Kind::SetValue, {"Implied", "Deep"}, "v", large, true), Status::Ok},
        {edit(Kind::DeleteValue, {"Gone"}, "v"), Status::KeyDeleted},
        {edit(Kind::DeleteValue, {"Gone"}, "v", {}, true), Status::FileNotFound},
        {edit(Kind::DeleteValue, {"A"}, "none"), Status::FileNotFound},
        {edit(Kind::DeleteKey, {"A"}), Status::AccessDenied},
        {edit(Kind::DeleteTree, {"Nowhere"}), Status::FileNotFound},
        {edit(Kind::DeleteTree, {}), Status::AccessDenied},
        {edit(Kind::DeleteKey, {"a", "b%[x]", "c\x01"}), Status::Ok},
        {edit(Kind::DeleteTree, {"A"}), Status::Ok},
        {edit(Kind::DeleteTree, {"Implied"}), Status::Ok},
    };
    Node root;
    auto size = measureHive(root);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Node before = root;
        EXPECT_EQ(checkEdit(root, size, steps[i].edit, HiveLimits{}), steps[i].expected) << "step " << i;
        ASSERT_EQ(applyEdit(root, size, steps[i].edit, HiveLimits{}), steps[i].expected) << "step " << i;
        if (steps[i].expected != Status::Ok) {
            EXPECT_EQ(root, before) << "step " << i;
        }
        const auto measured = measureHive(root);
        EXPECT_EQ(size, measured) << "step " << i;
        EXPECT_EQ(size.fileBytes, serializeHive(root).size()) << "step " << i;
    }
    EXPECT_EQ(root, Node());
}

TEST(HiveEdit, AnEditPastALimitFailsAndChangesNothing) {
    // Each on the tree K (value a, 10 bytes), K\L (value b, 10 bytes), within limits it is next to.
    struct Case {
        std::size_t HiveLimits::*limit;
        std::size_t value;
        Edit edit;
    } const cases[] = {
        {&HiveLimits::keys, 2, edit(Kind::CreateKey, {"K", "New"})},
        {&HiveLimits::values, 2, edit(Kind::SetValue, {"K"}, "third", {1})},
        {&HiveLimits::treeBytes, 1200, edit(Kind::SetValue, {"K"}, "a", Bytes(700))},
        {&HiveLimits::fileBytes, 200, edit(Kind::SetValue, {"K", "L"}, "b", Bytes(50))},
    };
    for (const auto& c : cases) {
        HiveLimits limits;
        limits.*c.limit = c.value;
        Node root;
        auto size = measureHive(root);
        ASSERT_EQ(applyEdit(root, size, edit(Kind::SetValue, {"K"}, "a", Bytes(10), true), limits), Status::Ok);
        ASSERT_EQ(applyEdit(root, size, edit(Kind::SetValue, {"K", "L"}, "b", Bytes(10), true), limits), Status::Ok);
        const Node before = root;
        const auto sizeBefore = size;
        EXPECT_EQ(applyEdit(root, size, c.edit, limits), Status::QuotaExceeded) << c.value;
        EXPECT_EQ(root, before) << c.value;
        EXPECT_EQ(size, sizeBefore) << c.value;
        // What shrinks the tree still goes through.
        EXPECT_EQ(applyEdit(root, size, edit(Kind::DeleteValue, {"K"}, "a"), limits), Status::Ok) << c.value;
    }
}

} // namespace
} // namespace kez::reg
