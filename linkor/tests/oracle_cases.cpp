#include "oracle_cases.h"

#include <sstream>

#include "bytes.h"
#include "kez/com/array_routines.h"
#include "message_accessors.h"
#include "process.h"

namespace kez::linkor::test {
namespace {

std::string runPipeline() {
    const auto piped =
        kez::test::runCommand(kez::test::shellCommand("\"$1\" \"$2\" | \"$1\" \"$3\"",
                                                      {KEZ_PYTHON, KEZ_SOURCE_DIR "/tests/peers/jipmsg/gen_payloads.py",
                                                       KEZ_SOURCE_DIR "/linkor/tests/payload_cases.py"}),
                              {"PYTHONDONTWRITEBYTECODE=1"});
    return piped.out;
}

Value parseValue(const std::string& token) {
    Value v;
    const std::string body = token.size() > 2 ? token.substr(2) : std::string();
    switch (token.empty() ? 'n' : token[0]) {
    case 'i':
        v.kind = Value::Kind::Integer;
        v.integer = std::stoll(body);
        break;
    case 'f':
        v.kind = Value::Kind::Real;
        v.real = std::stod(body);
        break;
    case 's': {
        v.kind = Value::Kind::Text;
        const auto bytes = kez::test::hex(body);
        v.text.assign(bytes.begin(), bytes.end());
        break;
    }
    case 'l': {
        v.kind = Value::Kind::List;
        std::stringstream items(body);
        std::string item;
        while (std::getline(items, item, ',')) {
            v.list.push_back(std::stoll(item));
        }
        break;
    }
    default: break;
    }
    return v;
}

Expected parseExpected(const std::string& token) {
    Expected e;
    if (token == "ok") {
        return e;
    }
    e.ok = false;
    const auto second = token.find(':', 4);
    e.hr = static_cast<com::HRESULT>(std::stoll(token.substr(4, second - 4)));
    const std::string text = token.substr(second + 1);
    if (text != "-") {
        const auto bytes = kez::test::hex(text);
        e.text = std::string(bytes.begin(), bytes.end());
    }
    return e;
}

Probe parseProbe(std::istringstream& words) {
    Probe p;
    std::string index;
    words >> p.getter >> index >> p.kind;
    if (index != "-") {
        p.index = static_cast<std::int16_t>(std::stoi(index));
    }
    if (p.kind == "value") {
        std::string token;
        words >> token;
        p.value = parseValue(token);
    } else if (p.kind == "error") {
        std::string hr;
        std::string text;
        words >> hr >> text;
        p.error = parseExpected("err:" + hr + ":" + text);
    }
    return p;
}

Step parseStep(bool isPut, std::istringstream& words) {
    Step s;
    s.isPut = isPut;
    std::string expected;
    words >> s.name >> expected;
    s.expected = parseExpected(expected);
    std::string token;
    if (isPut) {
        words >> token;
        s.arguments.push_back(parseValue(token));
        if (words >> token) {
            s.index = static_cast<std::int16_t>(std::stoi(token));
        }
        return s;
    }
    while (words >> token) {
        s.arguments.push_back(parseValue(token));
    }
    return s;
}

void parseLine(const std::string& line, std::vector<OracleCase>& cases) {
    std::istringstream words(line);
    std::string tag;
    words >> tag;
    if (tag == "case") {
        OracleCase c;
        std::string mode;
        words >> c.name >> c.className >> mode;
        c.decode = mode == "decode";
        cases.push_back(std::move(c));
        return;
    }
    if (cases.empty()) {
        return;
    }
    OracleCase& c = cases.back();
    std::string a;
    std::string b;
    if (tag == "in" && words >> a) {
        c.payloadIn = kez::test::hex(a);
    } else if (tag == "out" && words >> a) {
        c.payloadOut = kez::test::hex(a);
    } else if (tag == "header" && words >> a >> b) {
        c.header.emplace_back(a, std::stoll(b));
    } else if (tag == "call" || tag == "put") {
        c.steps.push_back(parseStep(tag == "put", words));
    } else if (tag == "get") {
        c.probes.push_back(parseProbe(words));
    }
}

} // namespace

com::Variant Value::toVariant() const {
    switch (kind) {
    case Kind::Integer: return com::Variant(static_cast<std::int32_t>(integer));
    case Kind::Real: return com::Variant(com::Date{real});
    case Kind::Text: return com::Variant(text);
    case Kind::List: {
        std::vector<std::uint8_t> bytes(list.begin(), list.end());
        auto array = com::SafeArray::fromBytes(com::ElementType::UI1, bytes);
        return array ? com::Variant(*array) : com::Variant();
    }
    case Kind::Empty: break;
    }
    return com::Variant();
}

std::vector<OracleCase> loadOracleCases(std::string& error) {
    const std::string output = runPipeline();
    std::vector<OracleCase> cases;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        parseLine(line, cases);
    }
    if (cases.empty()) {
        error = "the oracle produced no cases";
    }
    return cases;
}

std::optional<com::HRESULT> applyStep(MessageClass messageClass, const com::Ptr<com::Object>& object,
                                      const Step& step) {
    const Accessors& accessors = accessorsOf(messageClass);
    if (step.isPut) {
        const auto it = accessors.setters.find(step.name);
        if (it == accessors.setters.end()) return std::nullopt;
        return it->second(object, step.index, step.arguments.at(0).toVariant());
    }
    const auto it = accessors.methods.find(step.name);
    if (it == accessors.methods.end()) return std::nullopt;
    std::vector<Variant> arguments;
    for (const auto& a : step.arguments) {
        arguments.push_back(a.toVariant());
    }
    return it->second(object, arguments);
}

} // namespace kez::linkor::test
