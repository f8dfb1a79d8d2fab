// Linkor as a registered server: kezregsvr writes its classes into a private registry,
// and every message class is then creatable by class identifier and by both names.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "kez/com/error_info.h"
#include "kez/reg/key.h"
#include "kez/reg/registry.h"
#include "linkor/audio_interfaces.h"
#include "linkor/end_point.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/message_factory.h"
#include "linkor/outgoing_interfaces.h"
#include "process.h"
#include "scoped_registry.h"

namespace kez::linkor {
namespace {

namespace fs = std::filesystem;
using com::ClassRegistry;
using com::Ptr;

const std::string kModule = fs::weakly_canonical(LINKOR_LIBRARY_PATH).string();

struct ClassRecord {
    std::string name;
    com::Guid clsid;
    com::Guid ownInterface;
};

const std::vector<ClassRecord> kClasses = {
    {"SystemStateMsg", kClsidSystemStateMsg, kIidISystemStateMsg},
    {"KzSetInitMsg", kClsidKzSetInitMsg, kIidIKzSetInitMsg},
    {"RealTimeAudioMsg", kClsidRealTimeAudioMsg, kIidIRealTimeAudioMsg},
    {"ReliableAudioMsg", kClsidReliableAudioMsg, kIidIReliableAudioMsg},
    {"UIStateControlMsg", kClsidUIStateControlMsg, kIidIUIStateControlMsg},
    {"CallStateControlMsg", kClsidCallStateControlMsg, kIidICallStateControlMsg},
    {"LEDMappingMsg", kClsidLEDMappingMsg, kIidILEDMappingMsg},
    {"PageCommandMsg", kClsidPageCommandMsg, kIidIPageCommandMsg},
    {"PlayDTMFMsg", kClsidPlayDTMFMsg, kIidIPlayDTMFMsg},
    {"CommandMsg", kClsidCommandMsg, kIidICommandMsg},
    {"StatusMsg", kClsidStatusMsg, kIidIStatusMsg},
    {"UnsupportedFeatureMsg", kClsidUnsupportedFeatureMsg, kIidIUnsupportedFeatureMsg},
    {"KzSetEventMsg", kClsidKzSetEventMsg, kIidIKzSetEventMsg},
    {"SlavePageCmdMsg", kClsidSlavePageCmdMsg, kIidISlavePageCmdMsg},
    {"ReportIPInfoMsg", kClsidReportIPInfoMsg, kIidIReportIPInfoMsg},
};

int runRegsvr(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), KEZREGSVR_PATH);
    return kez::test::runCommand(arguments).exitCode;
}

std::string readString(const std::string& path, const std::string& name = "") {
    reg::Key key;
    std::string value;
    if (reg::Key::open(reg::Hive::ClassesRoot, path, reg::Access::Read, key) == reg::Status::Ok) {
        key.getString(name, value);
    }
    return value;
}

class LinkorRegistration : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(runRegsvr({kModule}), 0); }

    kez::test::ScopedRegistry registry_;
};

TEST_F(LinkorRegistration, WritesEachClassWithItsNamesThreadingAndTypeLibrary) {
    for (const auto& c : kClasses) {
        SCOPED_TRACE(c.name);
        const std::string key = "CLSID\\" + c.clsid.str();
        EXPECT_EQ(readString(key), c.name + " Class");
        EXPECT_EQ(readString(key + "\\ProgID"), "Linkor." + c.name + ".1");
        EXPECT_EQ(readString(key + "\\VersionIndependentProgID"), "Linkor." + c.name);
        EXPECT_EQ(readString(key + "\\InprocServer32"), kModule);
        EXPECT_EQ(readString(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
        EXPECT_EQ(readString(key + "\\TypeLib"), "{1ED394E1-C0E6-11D2-BA6F-0000216C6CB1}");
        EXPECT_EQ(readString("Linkor." + c.name + "\\CurVer"), "Linkor." + c.name + ".1");
    }
    EXPECT_EQ(readString("TypeLib\\{1ED394E1-C0E6-11D2-BA6F-0000216C6CB1}\\1.0"), "Linkor 1.0 Type Library");
}

TEST_F(LinkorRegistration, EveryClassIsCreatableByIdentifierAndBothNames) {
    for (const auto& c : kClasses) {
        SCOPED_TRACE(c.name);
        for (const std::string& progId : {"Linkor." + c.name + ".1", "Linkor." + c.name}) {
            com::Guid clsid;
            ASSERT_EQ(ClassRegistry::clsidFromProgId(progId, clsid), com::S_OK) << progId;
            EXPECT_EQ(clsid, c.clsid);
            Ptr<IJIPMessage> message;
            EXPECT_EQ(ClassRegistry::createAs(progId, message), com::S_OK) << progId;
        }
        Ptr<com::Object> object;
        ASSERT_EQ(ClassRegistry::create(c.clsid, object), com::S_OK);
        Ptr<com::Object> own;
        EXPECT_EQ(object->queryInterface(c.ownInterface, own), com::S_OK);
        EXPECT_EQ(object->queryInterface(IJIPMessage::iid, own), com::S_OK);
        EXPECT_EQ(object->queryInterface(kIidIEndPoint, own), com::E_NOINTERFACE);
        EXPECT_EQ(object->supportsErrorInfo(c.ownInterface), com::S_OK);
        EXPECT_EQ(object->supportsErrorInfo(IJIPMessage::iid), com::S_OK);
        EXPECT_EQ(object->supportsErrorInfo(kIidIEndPoint), com::S_FALSE);
    }
}

TEST_F(LinkorRegistration, AClassAnswersNoOtherClassesInterface) {
    for (std::size_t i = 0; i < kClasses.size(); ++i) {
        Ptr<com::Object> object;
        ASSERT_EQ(ClassRegistry::create(kClasses[i].clsid, object), com::S_OK);
        const auto& other = kClasses[(i + 1) % kClasses.size()];
        Ptr<com::Object> answer;
        EXPECT_EQ(object->queryInterface(other.ownInterface, answer), com::E_NOINTERFACE) << kClasses[i].name;
        EXPECT_EQ(object->supportsErrorInfo(other.ownInterface), com::S_FALSE) << kClasses[i].name;
    }
}

TEST_F(LinkorRegistration, ErrorsOfACreatedObjectNameItsClassAndInterface) {
    Ptr<IRealTimeAudioMsg> audio;
    ASSERT_EQ(ClassRegistry::createAs("Linkor.RealTimeAudioMsg", audio), com::S_OK);
    com::setErrorInfo(std::nullopt);
    ASSERT_EQ(audio->InitPacket(), com::S_OK);
    EXPECT_EQ(audio->AddFrame(Variant(), 4, 0, 0), static_cast<com::HRESULT>(0x80046002));
    auto info = com::takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, "Invalid Format");
    EXPECT_EQ(info->source, "Linkor.RealTimeAudioMsg.1");
    EXPECT_EQ(info->interfaceId, IRealTimeAudioMsg::iid);

    Ptr<IJIPMessage> status;
    ASSERT_EQ(ClassRegistry::createAs(kClsidStatusMsg, status), com::S_OK);
    const std::uint8_t seven[7] = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(status->put_varDestMac(Variant(*com::SafeArray::fromBytes(com::ElementType::UI1, seven))), com::E_FAIL);
    info = com::takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, "GetSafeArray failed");
    EXPECT_EQ(info->source, "Linkor.StatusMsg.1");
    EXPECT_EQ(info->interfaceId, IJIPMessage::iid);
}

TEST_F(LinkorRegistration, TheEndPointIsRegisteredAndAnswersItsOwnInterfacesOnly) {
    const std::string key = "CLSID\\" + kClsidEndPoint.str();
    EXPECT_EQ(readString(key), "EndPoint Class");
    EXPECT_EQ(readString(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(readString("Linkor.EndPoint\\CurVer"), "Linkor.EndPoint.1");
    for (const std::string progId : {"Linkor.EndPoint.1", "Linkor.EndPoint"}) {
        Ptr<IEndPoint> endPoint;
        ASSERT_EQ(ClassRegistry::createAs(progId, endPoint), com::S_OK) << progId;
        Ptr<com::Object> other;
        EXPECT_EQ(endPoint->queryInterface(com::IConnectionPointContainer::iid, other), com::S_OK);
        EXPECT_EQ(endPoint->queryInterface(IJIPMessage::iid, other), com::E_NOINTERFACE);
        EXPECT_EQ(endPoint->supportsErrorInfo(IEndPoint::iid), com::S_OK);
        EXPECT_EQ(endPoint->supportsErrorInfo(com::IConnectionPointContainer::iid), com::S_FALSE);
    }
}

TEST_F(LinkorRegistration, UnregisteringRemovesTheClasses) {
    ASSERT_EQ(runRegsvr({"-u", kModule}), 0);
    for (const auto& c : kClasses) {
        Ptr<com::Object> object;
        EXPECT_EQ(ClassRegistry::create(c.clsid, object), com::REGDB_E_CLASSNOTREG) << c.name;
        EXPECT_EQ(ClassRegistry::create("Linkor." + c.name, object), com::REGDB_E_CLASSNOTREG) << c.name;
    }
}

} // namespace
} // namespace kez::linkor
