#include "loaded_modules.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>

#include "kez/sys/trace.h"

namespace kez::com::detail {

namespace {

struct LibraryCloser {
    // RTLD_NODELETE keeps the code mapped; this only drops the handle's count.
    void operator()(void* handle) const { dlclose(handle); }
};
using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

struct LoadedLibrary {
    LibraryHandle handle;
    GetClassObjectEntry entry = nullptr;
};

class Libraries {
public:
    HRESULT entryOf(const std::string& path, GetClassObjectEntry& entry) {
        std::lock_guard lock(mutex_);
        auto found = libraries_.find(path);
        if (found == libraries_.end()) {
            LoadedLibrary library;
            if (const HRESULT hr = load(path, library); FAILED(hr)) {
                return hr;
            }
            found = libraries_.emplace(path, std::move(library)).first;
        }
        entry = found->second.entry;
        return S_OK;
    }

private:
    static HRESULT load(const std::string& path, LoadedLibrary& library) {
        dlerror();
        library.handle.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
        if (!library.handle) {
            return refuse(path, dlerror());
        }
        void* symbol = dlsym(library.handle.get(), kGetClassObjectEntry);
        if (symbol == nullptr) {
            return refuse(path, "no entry KezGetClassObject");
        }
        library.entry = reinterpret_cast<GetClassObjectEntry>(symbol);
        return S_OK;
    }

    static HRESULT refuse(const std::string& path, const char* why) {
        sys::trace("com", "cannot serve classes from " + path + ": " + (why != nullptr ? why : "unknown"));
        return REGDB_E_CLASSNOTREG;
    }

    std::mutex mutex_;
    std::map<std::string, LoadedLibrary> libraries_;
};

} // namespace

HRESULT classObjectEntryOf(const std::string& path, GetClassObjectEntry& entry) {
    static Libraries libraries;
    return libraries.entryOf(path, entry);
}

} // namespace kez::com::detail
