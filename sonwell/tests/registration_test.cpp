// libsonwell.so as a registered server: kezregsvr writes WavePlay into a private registry, and
// the class is then creatable by both names and answers for IWavePlay with its error object.
#include "sonwell/wave_play.h"

#include "kez/com/class_registry.h"
#include "kez/reg/key.h"
#include "kez/reg/registry.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kez::sonwell {
namespace {

namespace fs = std::filesystem;

std::string readString(const std::string& path, const std::string& name = "") {
    reg::Key key;
    std::string value;
    if (reg::Key::open(reg::Hive::ClassesRoot, path, reg::Access::Read, key) == reg::Status::Ok)
        key.getString(name, value);
    return value;
}

TEST(SonwellRegistration, WavePlayIsRegisteredAndCreatable) {
    const fs::path dir = fs::temp_directory_path() / ("kez-sonwell-registry-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    ::setenv("KEZ_REGISTRY_DIR", dir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    reg::configure(reg::defaultSettings());
    const std::string module = fs::weakly_canonical(SONWELL_LIBRARY_PATH).string();
    const int status = std::system(("'" KEZREGSVR_PATH "' '" + module + "' >/dev/null 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::string key = "CLSID\\{E71A7272-CDA7-11D2-A9FC-0050040527B4}";
    EXPECT_EQ(readString(key), "WavePlay Class");
    EXPECT_EQ(readString(key + "\\ProgID"), "Sonwell.WavePlay.1");
    EXPECT_EQ(readString(key + "\\InprocServer32"), module);
    EXPECT_EQ(readString("Sonwell.WavePlay\\CurVer"), "Sonwell.WavePlay.1");
    EXPECT_EQ(readString("TypeLib\\{0769EEA3-CD73-11D2-BA80-0000216C6CB1}\\1.0"), "Sonwell 1.0 Type Library");

    com::Ptr<IWavePlay> play;
    ASSERT_EQ(com::ClassRegistry::createAs("Sonwell.WavePlay", play), com::S_OK);
    EXPECT_EQ(play->supportsErrorInfo(IWavePlay::iid), com::S_OK);
    std::int16_t strength = 0;
    EXPECT_EQ(play->get_nToneStrength(strength), com::S_OK);
    EXPECT_EQ(strength, 100);
    play.reset();
    fs::remove_all(dir);
}

} // namespace
} // namespace kez::sonwell
