#include "kez/com/class_registry.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

#include "class_keys.h"
#include "kez/sys/ascii.h"
#include "loaded_modules.h"

namespace kez::com {

namespace {

// A name that can stand for one key directly under HKEY_CLASSES_ROOT.
bool isProgIdShape(std::string_view progId) { return !progId.empty() && progId.find('\\') == std::string_view::npos; }

class InProcessTable {
public:
    void add(const ServerInfo& server) {
        std::lock_guard lock(mutex_);
        for (const ServerClass& cls : server.classes) {
            factories_[cls.clsid] = cls.create;
            progIds_[sys::asciiLowerCopy(progIdOf(server, cls))] = cls.clsid;
            progIds_[sys::asciiLowerCopy(versionIndependentProgIdOf(server, cls))] = cls.clsid;
        }
    }

    void remove(const ServerInfo& server) {
        std::lock_guard lock(mutex_);
        for (const ServerClass& cls : server.classes) {
            factories_.erase(cls.clsid);
            progIds_.erase(sys::asciiLowerCopy(progIdOf(server, cls)));
            progIds_.erase(sys::asciiLowerCopy(versionIndependentProgIdOf(server, cls)));
        }
    }

    bool factory(const Guid& clsid, ClassFactory& out) const {
        std::lock_guard lock(mutex_);
        const auto found = factories_.find(clsid);
        if (found == factories_.end()) {
            return false;
        }
        out = found->second;
        return true;
    }

    bool clsid(std::string_view progId, Guid& out) const {
        std::lock_guard lock(mutex_);
        const auto found = progIds_.find(sys::asciiLowerCopy(progId));
        if (found == progIds_.end()) {
            return false;
        }
        out = found->second;
        return true;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<Guid, ClassFactory> factories_;
    std::unordered_map<std::string, Guid> progIds_;
};

InProcessTable& inProcessTable() {
    static InProcessTable table;
    return table;
}

HRESULT registeredFactory(const Guid& clsid, ClassFactory& factory) {
    const auto module = detail::readDefault("CLSID\\" + clsid.str() + "\\InprocServer32");
    if (!module || module->empty()) {
        return REGDB_E_CLASSNOTREG;
    }
    GetClassObjectEntry entry = nullptr;
    if (const HRESULT hr = detail::classObjectEntryOf(*module, entry); FAILED(hr)) {
        return hr;
    }
    const HRESULT hr = entry(clsid, factory);
    return SUCCEEDED(hr) && !factory ? REGDB_E_CLASSNOTREG : hr;
}

HRESULT construct(const ClassFactory& factory, Ptr<Object>& object) {
    try {
        object = factory();
    } catch (const std::bad_alloc&) {
        object.reset();
    } catch (...) {
        object.reset();
        return E_UNEXPECTED;
    }
    return object ? S_OK : E_OUTOFMEMORY;
}

std::optional<Guid> registeredClsid(const std::string& progId) {
    if (const auto text = detail::readDefault(progId + "\\CLSID")) {
        return Guid::parse(*text);
    }
    return std::nullopt;
}

} // namespace

void ClassRegistry::registerInProcess(const ServerInfo& server) { inProcessTable().add(server); }

void ClassRegistry::unregisterInProcess(const ServerInfo& server) { inProcessTable().remove(server); }

HRESULT ClassRegistry::create(const Guid& clsid, Ptr<Object>& object) {
    object.reset();
    ClassFactory factory;
    if (!inProcessTable().factory(clsid, factory)) {
        if (const HRESULT hr = registeredFactory(clsid, factory); FAILED(hr)) {
            return hr;
        }
    }
    return construct(factory, object);
}

HRESULT ClassRegistry::create(std::string_view progId, Ptr<Object>& object) {
    object.reset();
    Guid clsid;
    const HRESULT hr = clsidFromProgId(progId, clsid);
    return FAILED(hr) ? hr : create(clsid, object);
}

HRESULT ClassRegistry::clsidFromProgId(std::string_view progId, Guid& clsid) {
    if (inProcessTable().clsid(progId, clsid)) {
        return S_OK;
    }
    if (!isProgIdShape(progId)) {
        return REGDB_E_CLASSNOTREG;
    }
    const std::string name(progId);
    // A version-independent name leads to the current version through CurVer; its own CLSID
    // is the fallback when that leads nowhere.
    std::optional<Guid> found;
    const auto current = detail::readDefault(name + "\\CurVer");
    if (current && isProgIdShape(*current) && sys::asciiLowerCopy(*current) != sys::asciiLowerCopy(name)) {
        found = registeredClsid(*current);
    }
    if (!found) {
        found = registeredClsid(name);
    }
    if (!found) {
        return REGDB_E_CLASSNOTREG;
    }
    clsid = *found;
    return S_OK;
}

} // namespace kez::com
