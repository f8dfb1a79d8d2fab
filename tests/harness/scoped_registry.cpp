#include "scoped_registry.h"

#include <cstdlib>

namespace kez::test {

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    if (value) {
        ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (old_) {
        ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

ScopedRegistry::ScopedRegistry() { reopen(); }

ScopedRegistry::DefaultsAtEnd::~DefaultsAtEnd() { reg::configure(reg::defaultSettings()); }

void ScopedRegistry::reopen() const { reg::configure(settings()); }

std::vector<std::string> ScopedRegistry::environment() const {
    return {"KEZ_REGISTRY_DIR=" + folder().string(), "KEZ_SYSTEM_REGISTRY_DIR=", "XDG_CONFIG_HOME=" + folder().string(),
            "KEZ_REGISTRY_READONLY="};
}

} // namespace kez::test
