#pragma once
// What a component server (a shared library of creatable classes) tells the platform
// about itself, and the entries every server library exports.
//
// For server "Linkor" and class "EndPoint" the names follow one pattern: programmatic
// identifiers "Linkor.EndPoint.1" (current) and "Linkor.EndPoint" (version independent),
// description "EndPoint Class", type library "Linkor 1.0 Type Library", version 1.0.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kez/com/object.h"

namespace kez::com {

using ClassFactory = std::function<Ptr<Object>()>;

struct ServerClass {
    std::string name; // "EndPoint"
    Guid clsid;
    ClassFactory create;
};

struct ServerInfo {
    std::string name; // "Linkor"
    Guid typeLibrary;
    std::vector<ServerClass> classes;
};

std::string progIdOf(const ServerInfo& server, const ServerClass& cls);                   // "Linkor.EndPoint.1"
std::string versionIndependentProgIdOf(const ServerInfo& server, const ServerClass& cls); // "Linkor.EndPoint"
std::string descriptionOf(const ServerClass& cls);                                        // "EndPoint Class"
std::string typeLibraryHelpOf(const ServerInfo& server);                                  // "Linkor 1.0 Type Library"

// The class's factory, or REGDB_E_CLASSNOTREG when the server has no such class.
HRESULT findClass(const ServerInfo& server, const Guid& clsid, ClassFactory& factory);

// Writes the registration of every class and of the type library under HKEY_CLASSES_ROOT,
// naming `modulePath` as the library that serves them.
HRESULT registerServer(const ServerInfo& server, const std::filesystem::path& modulePath);
// Removes exactly the keys registerServer writes; keys someone else added below them stay.
HRESULT unregisterServer(const ServerInfo& server);

// The absolute path of the loaded library (or program) that holds `address`; empty when unknown.
std::filesystem::path modulePathOf(const void* address);

// The entries of a server library, all with C linkage so that dlsym finds them by name, and
// marked KEZ_SERVER_ENTRY so that a server built with hidden visibility still exports them:
//   HRESULT KezGetClassObject(const Guid& clsid, ClassFactory& factory);
//   HRESULT KezRegisterServer();   // registerServer(kServer, modulePathOf(&kServer))
//   HRESULT KezUnregisterServer(); // unregisterServer(kServer)
#define KEZ_SERVER_ENTRY extern "C" __attribute__((visibility("default")))
using GetClassObjectEntry = HRESULT (*)(const Guid& clsid, ClassFactory& factory);
using RegisterServerEntry = HRESULT (*)();
inline constexpr char kGetClassObjectEntry[] = "KezGetClassObject";
inline constexpr char kRegisterServerEntry[] = "KezRegisterServer";
inline constexpr char kUnregisterServerEntry[] = "KezUnregisterServer";

} // namespace kez::com
