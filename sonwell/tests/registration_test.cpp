// libsonwell.so as a registered server: kezregsvr writes both classes into a private registry,
// and each is then creatable by name and answers for its interface with its error object.
#include "sonwell/wave_play.h"
#include "sonwell/wave_record.h"

#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "kez/reg/key.h"
#include "kez/reg/registry.h"
#include "process.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

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

// Clients reach the events through the container, for the object's own events interface only.
template <class OtherEvents, class Source>
void expectEventsRefusedFor(const com::Ptr<Source>& source) {
    const auto container = com::query<com::IConnectionPointContainer>(source);
    ASSERT_TRUE(container);
    com::Cookie cookie = com::kNoCookie;
    EXPECT_EQ(container->Advise(OtherEvents::iid, source, cookie), com::CONNECT_E_NOCONNECTION);
}

TEST(SonwellRegistration, BothClassesAreRegisteredAndCreatable) {
    const kez::test::ScopedRegistry registry;
    const std::string module = fs::weakly_canonical(SONWELL_LIBRARY_PATH).string();
    const auto registered = kez::test::runCommand({KEZREGSVR_PATH, module});
    ASSERT_TRUE(registered.ok()) << registered.err;

    const struct {
        std::string name, clsid;
    } classes[] = {{"WavePlay", "{E71A7272-CDA7-11D2-A9FC-0050040527B4}"},
                   {"WaveRecord", "{0769EEB0-CD73-11D2-BA80-0000216C6CB1}"}};
    for (const auto& c : classes) {
        const std::string key = "CLSID\\" + c.clsid;
        EXPECT_EQ(readString(key), c.name + " Class");
        EXPECT_EQ(readString(key + "\\ProgID"), "Sonwell." + c.name + ".1");
        EXPECT_EQ(readString(key + "\\InprocServer32"), module);
        EXPECT_EQ(readString("Sonwell." + c.name + "\\CurVer"), "Sonwell." + c.name + ".1");
    }
    EXPECT_EQ(readString("TypeLib\\{0769EEA3-CD73-11D2-BA80-0000216C6CB1}\\1.0"), "Sonwell 1.0 Type Library");

    com::Ptr<IWavePlay> play;
    ASSERT_EQ(com::ClassRegistry::createAs("Sonwell.WavePlay", play), com::S_OK);
    EXPECT_EQ(play->supportsErrorInfo(IWavePlay::iid), com::S_OK);
    expectEventsRefusedFor<_IWaveRecordEvents>(play);
    std::int16_t strength = 0;
    EXPECT_EQ(play->get_nToneStrength(strength), com::S_OK);
    EXPECT_EQ(strength, 100);
    play.reset();
    com::Ptr<IWaveRecord> record;
    ASSERT_EQ(com::ClassRegistry::createAs("Sonwell.WaveRecord", record), com::S_OK);
    EXPECT_EQ(record->supportsErrorInfo(IWaveRecord::iid), com::S_OK);
    expectEventsRefusedFor<_IWavePlayEvents>(record);
    std::int16_t noiseFloor = 0;
    EXPECT_EQ(record->get_nNoiseFloor(noiseFloor), com::S_OK);
    EXPECT_EQ(noiseFloor, 50);
    record.reset();
}

} // namespace
} // namespace kez::sonwell
