#include "loaded_modules.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>

#include "kez/com/error_info.h"
#include "kez/sys/fd.h"
#include "kez/sys/trace.h"
#include "kez/sys/trusted_file.h"

namespace kez::com::detail {

namespace {

struct LibraryCloser {
    // RTLD_NODELETE keeps the code mapped; this only drops the handle's count.
    void operator()(void* handle) const { dlclose(handle); }
};
using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

struct LoadedLibrary {
    sys::UniqueFd folder; // the library was loaded through it; its $ORIGIN names it as long as the process lives
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
    // Only code no one but root (or this user) can have written is loaded, and it is loaded through the checked
    // folder's descriptor, so a folder swapped after the check is not the one loaded from.
    static HRESULT load(const std::string& path, LoadedLibrary& library) {
        auto trusted = sys::openTrustedFile(path);
        if (!trusted) {
            return refuseUntrusted(trusted.refusal);
        }
        dlerror();
        library.handle.reset(dlopen(trusted.throughFolder().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
        if (!library.handle) {
            return refuse(path, dlerror());
        }
        library.folder = std::move(trusted.folder);
        void* symbol = dlsym(library.handle.get(), kGetClassObjectEntry);
        if (symbol == nullptr) {
            return refuse(path, "no entry KezGetClassObject");
        }
        library.entry = reinterpret_cast<GetClassObjectEntry>(symbol);
        return S_OK;
    }

    // Said to the caller through the error object, since the creator would not know why otherwise.
    static HRESULT refuseUntrusted(const std::string& why) {
        sys::trace("com", "refused to load " + why);
        return reportError(REGDB_E_CLASSNOTREG, why, {}, {});
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
