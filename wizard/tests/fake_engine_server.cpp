// The stand-in engine as a component server library, for the wizard run as a program: kezregsvr registers
// it in a test's hive under the engine's class identifier. Its engines list the network adapters that
// KEZ_TEST_ADAPTERS names (separated by '|'; none when it is unset) and no sound devices.
#include <cstdlib>
#include <string_view>

#include "corvane/identifiers.h"
#include "kez/com/safe_array.h"
#include "kez/com/server.h"
#include "ombrel/testing/fake_engine.h"

namespace {

using kez::com::SafeArray;

std::vector<std::string> namedAdapters() {
    const char* names = std::getenv("KEZ_TEST_ADAPTERS");
    std::vector<std::string> adapters;
    for (std::string_view rest = names == nullptr ? "" : names; !rest.empty();) {
        const auto bar = rest.find('|');
        adapters.emplace_back(rest.substr(0, bar));
        rest = bar == std::string_view::npos ? "" : rest.substr(bar + 1);
    }
    return adapters;
}

kez::com::Ptr<kez::com::Object> makeEngine() {
    auto engine = std::make_shared<kez::ombrel::testing::FakeEngine>();
    // An engine without adapters lists an empty value, not an empty array.
    if (auto adapters = namedAdapters(); !adapters.empty())
        engine->setProperty("varAdapters", SafeArray::fromTexts(std::move(adapters)));
    engine->setProperty("varPlayAdapters", SafeArray::fromTexts({}));
    engine->setProperty("varRecordAdapters", SafeArray::fromTexts({}));
    return engine;
}

const kez::com::ServerInfo& server() {
    static const kez::com::ServerInfo info{
        "Corvane", kez::corvane::kCorvaneTypeLibrary, {{"Engine", kez::corvane::kClsidEngine, makeEngine}}};
    return info;
}

} // namespace

KEZ_SERVER_ENTRY kez::com::HRESULT KezGetClassObject(const kez::com::Guid& clsid, kez::com::ClassFactory& factory) {
    return kez::com::findClass(server(), clsid, factory);
}

KEZ_SERVER_ENTRY kez::com::HRESULT KezRegisterServer() {
    return kez::com::registerServer(server(), kez::com::modulePathOf(&server()));
}

KEZ_SERVER_ENTRY kez::com::HRESULT KezUnregisterServer() { return kez::com::unregisterServer(server()); }
