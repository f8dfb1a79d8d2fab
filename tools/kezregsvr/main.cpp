// kezregsvr [-u] <module>: registers (or with -u unregisters) the component classes of a
// server library by calling its KezRegisterServer (KezUnregisterServer) entry. The registrations go to the
// root-only store; a library that the class registry would refuse to load is refused here too.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "kez/com/error_info.h"
#include "kez/com/server.h"
#include "kez/reg/write_batch.h"
#include "kez/sys/trusted_file.h"

namespace {

enum ExitCode { kOk = 0, kUsage = 1, kLoadFailed = 2, kNoEntry = 3, kEntryFailed = 4 };

struct Request {
    bool unregister = false;
    std::filesystem::path module;
};

std::optional<Request> parse(int argc, char** argv) {
    Request request;
    int index = 1;
    if (index < argc && std::string_view(argv[index]) == "-u") {
        request.unregister = true;
        ++index;
    }
    if (index + 1 != argc || std::string_view(argv[index]).empty() || argv[index][0] == '-') {
        return std::nullopt;
    }
    request.module = argv[index];
    return request;
}

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

int run(const Request& request) {
    std::error_code error;
    const auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(request.module, error), error);
    const std::string shown = request.module.string();
    // A bare name would make dlopen search the library path instead of the file meant.
    const auto trusted = kez::sys::openTrustedFile(error ? std::filesystem::path() : path);
    if (!trusted) {
        std::fprintf(stderr, "kezregsvr: cannot load %s: %s\n", shown.c_str(), trusted.refusal.c_str());
        return kLoadFailed;
    }
    const Library library(dlopen(trusted.throughFolder().c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!library) {
        const char* why = dlerror();
        std::fprintf(stderr, "kezregsvr: cannot load %s: %s\n", shown.c_str(), why != nullptr ? why : "not found");
        return kLoadFailed;
    }
    const char* entryName = request.unregister ? kez::com::kUnregisterServerEntry : kez::com::kRegisterServerEntry;
    void* symbol = dlsym(library.get(), entryName);
    if (symbol == nullptr) {
        std::fprintf(stderr, "kezregsvr: %s has no entry %s\n", shown.c_str(), entryName);
        return kNoEntry;
    }
    kez::com::setErrorInfo(std::nullopt);
    // The entry's writes are saved together, once, when it returns.
    kez::reg::WriteBatch batch;
    kez::com::HRESULT hr = reinterpret_cast<kez::com::RegisterServerEntry>(symbol)();
    if (const auto saved = batch.commit(); saved != kez::reg::Status::Ok && kez::com::SUCCEEDED(hr)) {
        hr = kez::com::makeHresult(0x80070000u | static_cast<std::uint32_t>(kez::reg::code(saved)));
    }
    if (kez::com::FAILED(hr)) {
        const auto info = kez::com::takeErrorInfo();
        std::fprintf(stderr, "kezregsvr: %s in %s failed: 0x%08X%s%s\n", entryName, shown.c_str(),
                     static_cast<unsigned>(hr), info ? " " : "", info ? info->description.c_str() : "");
        return kEntryFailed;
    }
    std::printf("kezregsvr: %s in %s succeeded\n", entryName, path.c_str());
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    const auto request = parse(argc, argv);
    if (!request) {
        std::fprintf(stderr, "usage: kezregsvr [-u] <module.so>\n");
        return kUsage;
    }
    return run(*request);
}
