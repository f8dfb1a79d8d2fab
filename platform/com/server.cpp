#include "kez/com/server.h"

#include <dlfcn.h>

#include <algorithm>
#include <optional>
#include <system_error>

#include "class_keys.h"

namespace kez::com {

namespace {

// One registry item that registration writes: a key, and optionally one text value in it.
struct RegistryItem {
    std::string path;
    std::string valueName;
    std::optional<std::string> text;
};

using Plan = std::vector<RegistryItem>;

void planClass(const ServerInfo& server, const ServerClass& cls, const std::string& module, Plan& plan) {
    const std::string clsidKey = "CLSID\\" + cls.clsid.str();
    const std::string progId = progIdOf(server, cls);
    const std::string independent = versionIndependentProgIdOf(server, cls);
    const std::string description = descriptionOf(cls);
    plan.insert(plan.end(), {
                                {clsidKey, "", description},
                                {clsidKey + "\\ProgID", "", progId},
                                {clsidKey + "\\VersionIndependentProgID", "", independent},
                                {clsidKey + "\\InprocServer32", "", module},
                                {clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
                                {clsidKey + "\\Programmable", "", std::nullopt},
                                {clsidKey + "\\TypeLib", "", server.typeLibrary.str()},
                                {progId, "", description},
                                {progId + "\\CLSID", "", cls.clsid.str()},
                                {independent, "", description},
                                {independent + "\\CLSID", "", cls.clsid.str()},
                                {independent + "\\CurVer", "", progId},
                            });
}

void planTypeLibrary(const ServerInfo& server, const std::filesystem::path& module, Plan& plan) {
    const std::string libraryKey = "TypeLib\\" + server.typeLibrary.str();
    const std::string versionKey = libraryKey + "\\1.0";
    plan.insert(plan.end(), {
                                {libraryKey, "", std::nullopt},
                                {versionKey, "", typeLibraryHelpOf(server)},
                                {versionKey + "\\0", "", std::nullopt},
                                {versionKey + "\\0\\linux", "", module.string()},
                                {versionKey + "\\FLAGS", "", "0"},
                                {versionKey + "\\HELPDIR", "", module.parent_path().string()},
                            });
}

Plan planServer(const ServerInfo& server, const std::filesystem::path& module) {
    Plan plan;
    for (const ServerClass& cls : server.classes) {
        planClass(server, cls, module.string(), plan);
    }
    planTypeLibrary(server, module, plan);
    return plan;
}

HRESULT write(const RegistryItem& item) {
    return item.text ? detail::writeText(item.path, item.valueName, *item.text) : detail::writeKey(item.path);
}

} // namespace

std::string progIdOf(const ServerInfo& server, const ServerClass& cls) {
    return versionIndependentProgIdOf(server, cls) + ".1";
}

std::string versionIndependentProgIdOf(const ServerInfo& server, const ServerClass& cls) {
    return server.name + "." + cls.name;
}

std::string descriptionOf(const ServerClass& cls) { return cls.name + " Class"; }

std::string typeLibraryHelpOf(const ServerInfo& server) { return server.name + " 1.0 Type Library"; }

HRESULT findClass(const ServerInfo& server, const Guid& clsid, ClassFactory& factory) {
    const auto found = std::find_if(server.classes.begin(), server.classes.end(),
                                    [&clsid](const ServerClass& cls) { return cls.clsid == clsid; });
    if (found == server.classes.end() || !found->create) {
        factory = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    factory = found->create;
    return S_OK;
}

HRESULT registerServer(const ServerInfo& server, const std::filesystem::path& modulePath) {
    if (modulePath.empty()) {
        return E_INVALIDARG;
    }
    for (const RegistryItem& item : planServer(server, modulePath)) {
        if (const HRESULT hr = write(item); FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT unregisterServer(const ServerInfo& server) {
    const Plan plan = planServer(server, {});
    std::vector<std::string> keys;
    // Values first: a key that still holds someone else's subkeys stays, without what we put in it.
    for (const RegistryItem& item : plan) {
        if (item.text) {
            if (const HRESULT hr = detail::removeValue(item.path, item.valueName); FAILED(hr)) {
                return hr;
            }
        }
        if (std::find(keys.begin(), keys.end(), item.path) == keys.end()) {
            keys.push_back(item.path);
        }
    }
    // Children were planned after their parents: remove them first.
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        if (const HRESULT hr = detail::removeKey(*key); FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

std::filesystem::path modulePathOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0') {
        return {};
    }
    std::error_code error;
    auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(info.dli_fname, error), error);
    return error ? std::filesystem::path() : path;
}

} // namespace kez::com
