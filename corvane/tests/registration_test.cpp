// libcorvane.so as a registered server: kezregsvr writes the engine's keys into a private
// registry, and the engine is then creatable by its class identifier and both names, from the
// shared library, with the creation failures of its collaborators reported in its own words.
#include <gtest/gtest.h>

#include <filesystem>

#include "corvane/engine.h"
#include "kez/com/class_registry.h"
#include "kez/com/error_info.h"
#include "kez/reg/key.h"
#include "kez/reg/registry.h"
#include "net_namespace.h"
#include "process.h"
#include "scoped_audio_devices.h"
#include "scoped_registry.h"

namespace kez::corvane {
namespace {

namespace fs = std::filesystem;

const std::string kModule = fs::weakly_canonical(CORVANE_LIBRARY_PATH).string();

std::string readString(const std::string& path, const std::string& name = "") {
    reg::Key key;
    std::string value;
    if (reg::Key::open(reg::Hive::ClassesRoot, path, reg::Access::Read, key) == reg::Status::Ok)
        key.getString(name, value);
    return value;
}

class CorvaneRegistration : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(kez::test::runCommand({KEZREGSVR_PATH, kModule}).exitCode, 0); }

    kez::test::ScopedRegistry registry_;
};

TEST_F(CorvaneRegistration, WritesTheEngineClassWithItsNamesAndTypeLibrary) {
    const std::string key = "CLSID\\{CE14818E-C102-11D2-BA6F-0000216C6CB1}";
    EXPECT_EQ(readString(key), "Engine Class");
    EXPECT_EQ(readString(key + "\\ProgID"), "Corvane.Engine.1");
    EXPECT_EQ(readString(key + "\\VersionIndependentProgID"), "Corvane.Engine");
    EXPECT_EQ(readString(key + "\\InprocServer32"), kModule);
    EXPECT_EQ(readString(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(readString(key + "\\TypeLib"), "{CE148181-C102-11D2-BA6F-0000216C6CB1}");
    EXPECT_EQ(readString("Corvane.Engine\\CurVer"), "Corvane.Engine.1");
    EXPECT_EQ(readString("TypeLib\\{CE148181-C102-11D2-BA6F-0000216C6CB1}\\1.0"), "Corvane 1.0 Type Library");
}

TEST_F(CorvaneRegistration, TheEngineComesFromTheLibraryByEveryNameAndNamesItsMissingParts) {
    for (const char* name : {"Corvane.Engine", "Corvane.Engine.1"}) {
        com::Ptr<IEngine> engine;
        ASSERT_EQ(com::ClassRegistry::createAs(name, engine), com::S_OK) << name;
        EXPECT_EQ(engine->supportsErrorInfo(kIidIEngine), com::S_OK);
        // Nothing else is registered here: the play object cannot be made.
        EXPECT_EQ(engine->Start(), com::REGDB_E_CLASSNOTREG);
        const auto info = com::takeErrorInfo();
        ASSERT_TRUE(info);
        EXPECT_EQ(info->description, "Wave Play object create failure");
        EXPECT_EQ(info->source, "Corvane.Engine.1");
        EXPECT_EQ(engine->Stop(), com::S_OK);
        com::Variant adapters;
        EXPECT_EQ(engine->get_varAdapters(adapters), com::REGDB_E_CLASSNOTREG);
        EXPECT_EQ(com::takeErrorInfo()->description, "Endpoint object create failure");
    }
}

TEST_F(CorvaneRegistration, StartsWithTheRegisteredEndpointAndWaveObjects) {
    for (const char* server : {LINKOR_LIBRARY_PATH, SONWELL_LIBRARY_PATH})
        ASSERT_EQ(kez::test::runCommand({KEZREGSVR_PATH, fs::weakly_canonical(server).string()}).exitCode, 0);
    const kez::test::ScopedAudioDevices devices("virtual:Headset");
    const kez::test::ScopedEnv adapters("KEZ_ADAPTERS", "vwire:" + kez::test::uniqueName("cr") + "@02:00:00:00:00:05");
    com::Ptr<IEngine> engine;
    ASSERT_EQ(com::ClassRegistry::createAs("Corvane.Engine", engine), com::S_OK);
    com::Variant offered;
    ASSERT_EQ(engine->get_varAdapters(offered), com::S_OK) << "through an endpoint made for the call";
    ASSERT_TRUE(offered.get<com::SafeArray>());
    EXPECT_EQ(offered.get<com::SafeArray>()->count(), 1u);
    ASSERT_EQ(engine->Start(), com::S_OK) << com::takeErrorInfo().value_or(com::ErrorInfo{}).description;
    EXPECT_EQ(engine->ButtonDown(4), com::S_OK);
    EXPECT_EQ(engine->Stop(), com::S_OK);
}

} // namespace
} // namespace kez::corvane
