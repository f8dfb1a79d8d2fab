#include "commands.h"

#include "kez/reg/hive_text.h"
#include "kez/reg/key.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kez::kezreg {
namespace {

void printLine(const std::string& line) { std::printf("%s\n", line.c_str()); }

std::vector<std::string> displayPath(const reg::Key& key) {
    std::vector<std::string> names{hiveName(key.hive())};
    const auto path = key.path();
    std::size_t start = 0;
    while (start < path.size()) {
        auto end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

reg::Status printValues(const reg::Key& key) {
    std::string name;
    reg::Value value;
    for (std::uint32_t index = 0;; ++index) {
        const auto status = key.enumValue(index, name, &value);
        if (status == reg::Status::NoMoreItems) return reg::Status::Ok;
        if (status != reg::Status::Ok) return status;
        printLine(reg::formatValueLine(name, value));
    }
}

reg::Status printTree(const reg::Key& key, std::vector<std::string>& path) {
    printLine(reg::formatSectionLine(path));
    if (const auto status = printValues(key); status != reg::Status::Ok) return status;
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        auto status = key.enumKey(index, name);
        if (status == reg::Status::NoMoreItems) return reg::Status::Ok;
        reg::Key child;
        if (status == reg::Status::Ok) status = key.open(name, reg::Access::Read, child);
        if (status != reg::Status::Ok) return status;
        std::printf("\n");
        path.push_back(name);
        status = printTree(child, path);
        path.pop_back();
        if (status != reg::Status::Ok) return status;
    }
}

} // namespace

reg::Status query(const KeyName& name, const std::string_view* valueName) {
    reg::Key key;
    if (const auto status = reg::Key::open(name.hive, name.path, reg::Access::Read, key); status != reg::Status::Ok) {
        return status;
    }
    if (valueName != nullptr) {
        reg::Value value;
        const auto status = key.queryValue(*valueName, value);
        if (status == reg::Status::Ok) printLine(reg::formatValueLine(*valueName, value));
        return status;
    }
    auto path = displayPath(key);
    printLine(reg::formatSectionLine(path));
    if (const auto status = printValues(key); status != reg::Status::Ok) return status;
    std::string subKey;
    for (std::uint32_t index = 0;; ++index) {
        const auto status = key.enumKey(index, subKey);
        if (status == reg::Status::NoMoreItems) return reg::Status::Ok;
        if (status != reg::Status::Ok) return status;
        path.push_back(subKey);
        printLine(reg::formatSectionLine(path));
        path.pop_back();
    }
}

reg::Status set(const KeyName& name, std::string_view valueName, const reg::Value& value) {
    reg::Key key;
    if (const auto status = reg::Key::create(name.hive, name.path, reg::Access::Write, key);
        status != reg::Status::Ok) {
        return status;
    }
    return key.setValue(valueName, value);
}

reg::Status remove(const KeyName& name, const std::string_view* valueName, bool tree) {
    if (tree) return reg::Key::deleteTree(name.hive, name.path);
    if (valueName == nullptr) return reg::Key::deleteKey(name.hive, name.path);
    reg::Key key;
    if (const auto status = reg::Key::open(name.hive, name.path, reg::Access::ReadWrite, key);
        status != reg::Status::Ok) {
        return status;
    }
    return key.deleteValue(*valueName);
}

reg::Status exportTree(const KeyName& name) {
    reg::Key key;
    if (const auto status = reg::Key::open(name.hive, name.path, reg::Access::Read, key); status != reg::Status::Ok) {
        return status;
    }
    auto path = displayPath(key);
    return printTree(key, path);
}

} // namespace kez::kezreg
