#include "hive_format.h"

#include "key_path.h"
#include "kez/reg/hive_text.h"
#include "kez/reg/value_text.h"
#include "text_escape.h"

#include <charconv>
#include <memory>
#include <set>
#include <vector>

namespace kez::reg {
namespace {

constexpr std::string_view kHeader = "KEZ-REGISTRY-HIVE 1";

bool parseHexList(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    for (std::size_t pos = 0; pos < text.size(); pos += 3) {
        std::uint8_t byte = 0;
        if (!readHexByte(text, pos, byte)) return false;
        bytes.push_back(byte);
        if (pos + 2 < text.size() && text[pos + 2] != ',') return false;
        if (pos + 3 == text.size()) return false; // trailing comma
    }
    return true;
}

void appendText(std::vector<std::uint8_t>& bytes, std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

bool parseText(std::string_view text, std::vector<std::uint8_t>& bytes) {
    std::size_t pos = 0;
    std::string decoded;
    if (!unquoteText(text, pos, decoded) || pos != text.size()) return false;
    if (decoded.find('\0') != std::string::npos) return false;
    bytes.clear();
    appendText(bytes, decoded);
    bytes.push_back(0);
    return true;
}

bool parseMultiText(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::size_t pos = 0;
    std::string entry;
    while (pos < text.size()) {
        if (pos != 0 && text[pos++] != ',') return false;
        if (!unquoteText(text, pos, entry)) return false;
        if (entry.empty() || entry.find('\0') != std::string::npos) return false;
        appendText(bytes, entry);
        bytes.push_back(0);
    }
    bytes.push_back(0);
    return true;
}

bool parseDword(std::string_view text, std::vector<std::uint8_t>& bytes) {
    std::uint32_t number = 0;
    if (text.empty() || text.size() > 8) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, 16);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    bytes = dwordValue(number).bytes;
    return true;
}

// "hex(N)" -> N
bool parseTypeNumber(std::string_view tag, std::uint32_t& number) {
    if (tag.size() < 6 || !tag.starts_with("hex(") || tag.back() != ')') return false;
    const auto digits = tag.substr(4, tag.size() - 5);
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return false;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 10);
    return error == std::errc() && end == digits.data() + digits.size();
}

bool parseValueData(std::string_view text, Value& value) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    const auto tag = text.substr(0, colon);
    const auto data = text.substr(colon + 1);
    if (tag == "sz" || tag == "expand_sz") {
        value.type = tag == "sz" ? Type::Sz : Type::ExpandSz;
        return parseText(data, value.bytes);
    }
    if (tag == "multi_sz") {
        value.type = Type::MultiSz;
        return parseMultiText(data, value.bytes);
    }
    if (tag == "dword") {
        value.type = Type::Dword;
        return parseDword(data, value.bytes);
    }
    if (tag == "binary") {
        value.type = Type::Binary;
        return parseHexList(data, value.bytes);
    }
    std::uint32_t number = 0;
    if (!parseTypeNumber(tag, number)) return false;
    value.type = static_cast<Type>(number);
    return parseHexList(data, value.bytes);
}

class Parser {
public:
    Parser(Node& root, ParseError& error, const HiveLimits& limits) : root_(root), error_(error), cost_(limits) {}

    bool line(std::size_t number, std::string_view text) {
        error_.line = number;
        if (text.empty() || text[0] == ';') return true;
        if (text[0] == '[') return parseSection(text);
        return parseValue(text);
    }

private:
    bool fail(const char* reason) {
        error_.reason = reason;
        return false;
    }

    bool parseSection(std::string_view text) {
        if (text.back() != ']') return fail("section line does not end with ']'");
        const auto inner = text.substr(1, text.size() - 2);
        std::vector<std::string> names;
        std::size_t start = 0;
        while (!inner.empty() && start <= inner.size()) {
            auto end = inner.find('\\', start);
            if (end == std::string_view::npos) end = inner.size();
            std::string name;
            if (!unescapeKeyName(inner.substr(start, end - start), name)) return fail("bad escape in key name");
            if (!isValidKeyName(name)) return fail("empty, too long or invalid key name");
            if (names.size() >= kMaxKeyDepth) return fail("key path too deep");
            names.push_back(std::move(name));
            start = end + 1;
        }
        current_ = &root_;
        for (auto& name : names) {
            auto found = current_->children.find(name);
            if (found == current_->children.end()) {
                if (!cost_.addKey(name)) return fail(cost_.exceeded());
                found = current_->children.emplace(std::move(name), std::make_unique<Node>()).first;
            }
            current_ = found->second.get();
        }
        if (!seen_.insert(current_).second) return fail("duplicate section");
        return true;
    }

    bool parseValue(std::string_view text) {
        if (current_ == nullptr) return fail("value before the first section");
        std::string name;
        std::size_t pos = 0;
        if (text[0] == '@') {
            pos = 1;
        } else if (!unquoteText(text, pos, name)) {
            return fail("bad value name");
        }
        if (!isValidValueName(name)) return fail("invalid value name");
        if (pos >= text.size() || text[pos] != '=') return fail("missing '=' after the value name");
        Value parsed;
        if (!parseValueData(text.substr(pos + 1), parsed)) return fail("bad value data");
        if (!cost_.addValue(name, parsed)) return fail(cost_.exceeded());
        if (!current_->values.emplace(std::move(name), std::move(parsed)).second) return fail("duplicate value");
        return true;
    }

    Node& root_;
    ParseError& error_;
    Node* current_ = nullptr;
    std::set<const Node*> seen_;
    TreeCost cost_;
};

void serializeNode(const Node& node, std::vector<std::string>& path, std::string& out) {
    if (!path.empty() || !node.values.empty()) {
        out += '\n';
        out += formatSectionLine(path);
        out += '\n';
        for (const auto& [name, value] : node.values) {
            out += formatValueLine(name, value);
            out += '\n';
        }
    }
    for (const auto& [name, child] : node.children) {
        path.push_back(name);
        serializeNode(*child, path, out);
        path.pop_back();
    }
}

} // namespace

bool parseHive(std::string_view text, Node& out, ParseError& error, const HiveLimits& limits) {
    out = Node();
    error = ParseError();
    if (text.empty()) return true;
    Parser parser(out, error, limits);
    std::size_t number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            error = {number + 1, "last line does not end with a line feed"};
            return false;
        }
        const auto line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (++number == 1) {
            if (line != kHeader) {
                error = {1, "missing header line"};
                return false;
            }
        } else if (!parser.line(number, line)) {
            return false;
        }
    }
    return true;
}

std::string serializeHive(const Node& root) {
    std::string out(kHeader);
    out += '\n';
    std::vector<std::string> path;
    serializeNode(root, path, out);
    return out;
}

} // namespace kez::reg
