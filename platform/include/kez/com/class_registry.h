#pragma once
// Creation of component objects by class identifier or programmatic identifier.
//
// A class is looked up in the in-process table first; otherwise
// HKCR\CLSID\{clsid}\InprocServer32 names the shared library that serves it. That
// library is loaded once (and stays loaded) and asked for the class through its entry
// KezGetClassObject (server.h). A programmatic identifier resolves through
// HKCR\<progid>\CurVer to the current version when it has one (the version-independent
// name), else through HKCR\<progid>\CLSID.

#include <string_view>

#include "kez/com/object.h"
#include "kez/com/server.h"

namespace kez::com {

class ClassRegistry {
public:
    // Makes the classes of a server creatable without the registry (a program that links the
    // server in, tests). A class already in the table is replaced.
    static void registerInProcess(const ServerInfo& server);
    // Removes the server's classes from the in-process table.
    static void unregisterInProcess(const ServerInfo& server);

    // REGDB_E_CLASSNOTREG for an unknown class or one whose library cannot serve it;
    // E_OUTOFMEMORY when the class makes no object.
    static HRESULT create(const Guid& clsid, Ptr<Object>& object);
    static HRESULT create(std::string_view progId, Ptr<Object>& object);

    // Creates and asks for interface T; E_NOINTERFACE when the object lacks it.
    template <class T>
    static HRESULT createAs(const Guid& clsid, Ptr<T>& object) {
        Ptr<Object> created;
        return asInterface(create(clsid, created), created, object);
    }
    template <class T>
    static HRESULT createAs(std::string_view progId, Ptr<T>& object) {
        Ptr<Object> created;
        return asInterface(create(progId, created), created, object);
    }

    // REGDB_E_CLASSNOTREG when the name leads to no class identifier.
    static HRESULT clsidFromProgId(std::string_view progId, Guid& clsid);

private:
    template <class T>
    static HRESULT asInterface(HRESULT created, const Ptr<Object>& object, Ptr<T>& result) {
        if (FAILED(created)) {
            result.reset();
            return created;
        }
        return query(object, result);
    }
};

} // namespace kez::com
