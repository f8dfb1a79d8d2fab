// Edits keep the hive's size as a full measure finds it, and an edit that fails changes nothing.
#include "../hive_edit.h"
#include "../hive_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kez::reg {
namespace {

Edit createKey(std::vector<std::string> path) {
    Edit edit;
    edit.path = std::move(path);
    return edit;
}

Edit setValue(std::vector<std::string> path, std::string name, std::vector<std::uint8_t> bytes, bool implied = false) {
    Edit edit;
    edit.kind = Edit::Kind::SetValue;
    edit.path = std::move(path);
    edit.name = std::move(name);
    edit.value = Value{Type::Binary, std::move(bytes)};
    edit.keyImplied = implied;
    return edit;
}

Edit deleteValue(std::vector<std::string> path, std::string name, bool implied = false) {
    Edit edit;
    edit.kind = Edit::Kind::DeleteValue;
    edit.path = std::move(path);
    edit.name = std::move(name);
    edit.keyImplied = implied;
    return edit;
}

Edit deleteKey(std::vector<std::string> path, bool tree) {
    Edit edit;
    edit.kind = tree ? Edit::Kind::DeleteTree : Edit::Kind::DeleteKey;
    edit.path = std::move(path);
    return edit;
}

struct Step {
    Edit edit;
    Status expected;
};

TEST(HiveEdit, KeepsTheSizeAFullMeasureFinds) {
    const std::vector<std::uint8_t> small{1, 2}, large(300, 7);
    const std::vector<Step> steps{
        {createKey({"A", "B%[x]", "C\x01"}), Status::Ok},
        {createKey({"a", "b%[X]"}), Status::Ok}, // there already, in another case
        {setValue({}, "root", small), Status::Ok},
        {setValue({}, "root2", large), Status::Ok},
        {deleteValue({}, "ROOT"), Status::Ok},
        {deleteValue({}, "root2"), Status::Ok}, // the root's section goes with its last value
        {setValue({"A", "B%[x]"}, "v\"q\\", small), Status::Ok},
        {setValue({"a", "B%[X]"}, "V\"Q\\", large), Status::Ok}, // replaced, the stored name kept
        {setValue({"A", "B%[x]"}, "v\"q\\", small), Status::Ok},
        {setValue({"Missing"}, "v", small), Status::KeyDeleted},
        {setValue({"Implied", "Deep"}, "v", large, true), Status::Ok},
        {deleteValue({"Gone"}, "v"), Status::KeyDeleted},
        {deleteValue({"Gone"}, "v", true), Status::FileNotFound},
        {deleteValue({"A"}, "none"), Status::FileNotFound},
        {deleteKey({"A"}, false), Status::AccessDenied},
        {deleteKey({"Nowhere"}, true), Status::FileNotFound},
        {deleteKey({}, true), Status::AccessDenied},
        {deleteKey({"a", "b%[x]", "c\x01"}, false), Status::Ok},
        {deleteKey({"A"}, true), Status::Ok},
        {deleteKey({"Implied"}, true), Status::Ok},
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
    struct Case {
        const char* limit;
        HiveLimits limits;
        Edit edit;
    };
    // The tree before each edit: two keys, two values of 10 bytes.
    const auto limited = [](auto set) {
        HiveLimits limits;
        set(limits);
        return limits;
    };
    const std::vector<Case> cases{
        {"keys", limited([](HiveLimits& l) { l.keys = 2; }), createKey({"K", "New"})},
        {"values", limited([](HiveLimits& l) { l.values = 2; }), setValue({"K"}, "third", {1})},
        {"memory", limited([](HiveLimits& l) { l.treeBytes = 1200; }),
         setValue({"K"}, "a", std::vector<std::uint8_t>(700))},
        {"file", limited([](HiveLimits& l) { l.fileBytes = 200; }),
         setValue({"K", "L"}, "b", std::vector<std::uint8_t>(50))},
    };
    for (const auto& c : cases) {
        Node root;
        auto size = measureHive(root);
        ASSERT_EQ(applyEdit(root, size, setValue({"K"}, "a", std::vector<std::uint8_t>(10), true), c.limits),
                  Status::Ok);
        ASSERT_EQ(applyEdit(root, size, setValue({"K", "L"}, "b", std::vector<std::uint8_t>(10), true), c.limits),
                  Status::Ok);
        const Node before = root;
        const auto sizeBefore = size;
        EXPECT_EQ(applyEdit(root, size, c.edit, c.limits), Status::QuotaExceeded) << c.limit;
        EXPECT_EQ(root, before) << c.limit;
        EXPECT_EQ(size, sizeBefore) << c.limit;
        EXPECT_EQ(exceededLimit(measureHive(root), c.limits), nullptr) << c.limit;
        // What shrinks the tree still goes through.
        EXPECT_EQ(applyEdit(root, size, deleteValue({"K"}, "a"), c.limits), Status::Ok) << c.limit;
    }
}

} // namespace
} // namespace kez::reg
