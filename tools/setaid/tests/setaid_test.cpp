// Setaid's install and removal over a temporary machine hive, capabilities in memory and recorded boxes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fake_file_caps.h"
#include "kez/reg/key.h"
#include "kez/reg/registry.h"
#include "kez/svc/service_store.h"
#include "kez/ui/message_boxes.h"
#include "manifest.h"
#include "packet_driver.h"
#include "process.h"
#include "scoped_registry.h"
#include "setaid/setaid.h"

namespace kez::setaid {
namespace {

using namespace std::chrono_literals;
using reg::Hive;
using testing::ElementsAre;
using testing::IsEmpty;

const std::string kHelper = "/opt/kez/kez-rawsock";
const std::string kSecondHelper = "/opt/kez2/kez-rawsock";
const std::string kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\KEZPacket";

class SetaidTest : public ::testing::Test {
public: // the case tables arrange through the fixture
    void SetUp() override {
        ui::setMessageBoxes(boxes_);
        writeManifest(
            "[Service]\nDisplayName=KEZ Packet Driver v1.0\nCapability=cap_net_raw\n[Bind]\nProgram=" + kHelper + "\n");
    }
    void TearDown() override { ui::setMessageBoxes(nullptr); }

    void writeManifest(const std::string& text) { kez::test::writeFile(setupFolder() + "/KEZPacket.inf", text); }
    std::string setupFolder() const { return registry_.folder().string(); }

    std::int32_t install() { return installPacketProtocol(services_, setupFolder().c_str()); }
    std::int32_t remove() { return removePacketService(services_); }

    bool recorded() {
        reg::Key key;
        return reg::Key::open(Hive::LocalMachine, kServiceKey, reg::Access::Read, key) == reg::Status::Ok;
    }
    svc::ServiceRecord record() {
        svc::ServiceRecord out;
        EXPECT_EQ(svc::ServiceStore(caps_).read(kServiceName, out), 0);
        return out;
    }
    void writeRecord(const std::vector<std::string>& programs) {
        svc::ServiceRecord bound;
        bound.boundPrograms = programs;
        bound.capability = "cap_net_raw";
        ASSERT_EQ(svc::ServiceStore(caps_).write(kServiceName, bound), 0);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> texts;
        for (const ui::MessageBox& box : boxes_->shown())
            texts.push_back(box.text);
        return texts;
    }

    kez::test::ScopedRegistry registry_;
    test::FakeFileCaps caps_;
    std::vector<std::chrono::milliseconds> sleeps_;
    Services services_{caps_, [this](std::chrono::milliseconds pause) { sleeps_.push_back(pause); }};
    std::shared_ptr<ui::RecordingMessageBoxes> boxes_ = std::make_shared<ui::RecordingMessageBoxes>();
};

TEST_F(SetaidTest, InstallRecordsTheServiceRestrictsAndGrants) {
    ASSERT_EQ(install(), 0);
    EXPECT_THAT(texts(), IsEmpty());
    svc::ServiceRecord expected;
    expected.displayName = "KEZ Packet Driver v1.0";
    expected.boundPrograms = {kHelper};
    expected.capability = "cap_net_raw";
    EXPECT_EQ(record(), expected);
    EXPECT_EQ(caps_.groups[kHelper], "kez-ombrel");
    EXPECT_TRUE(caps_.has(kHelper, "cap_net_raw"));
}

// Every failure shows the failing step's own code, returns -1 and leaves nothing behind.
TEST_F(SetaidTest, FailedInstallsChangeNothing) {
    struct Case {
        const char* name;
        std::function<void(SetaidTest&)> arrange;
        int code;
    };
    const std::vector<Case> cases{
        {"hive read-only", [](SetaidTest&) { reg::setReadOnly(Hive::LocalMachine, true); }, 5},
        {"may not set capabilities", [](SetaidTest& t) { t.caps_.mayChange = false; }, 5},
        {"no manifest", [](SetaidTest& t) { std::filesystem::remove(t.setupFolder() + "/KEZPacket.inf"); }, ENOENT},
        {"other program", [](SetaidTest& t) { t.writeManifest("[Bind]\nProgram=/usr/bin/ping\n"); }, EPERM},
        {"helper others may write", [](SetaidTest& t) { t.caps_.untrusted.insert(kHelper); }, EPERM},
        {"nosuid mount", [](SetaidTest& t) { t.caps_.grantErrors[kHelper] = EOPNOTSUPP; }, EOPNOTSUPP},
        {"second grant fails",
         [](SetaidTest& t) {
             t.writeManifest("[Bind]\nProgram=" + kHelper + "\nProgram=" + kSecondHelper + "\n");
             t.caps_.grantErrors[kSecondHelper] = EROFS;
         },
         EROFS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        caps_ = test::FakeFileCaps();
        c.arrange(*this);
        EXPECT_EQ(install(), kFailed);
        EXPECT_THAT(texts(), ElementsAre("fnInstallPacket InstallProtocol failed. Error: " + std::to_string(c.code)));
        reg::setReadOnly(Hive::LocalMachine, false);
        EXPECT_FALSE(recorded());
        EXPECT_TRUE(caps_.held.empty());
        boxes_->clear();
    }
}

TEST_F(SetaidTest, FailedRefreshRestoresTheEarlierRecord) {
    ASSERT_EQ(install(), 0);
    writeManifest("[Service]\nDisplayName=Renamed\n[Bind]\nProgram=" + kHelper + "\nProgram=" + kSecondHelper + "\n");
    caps_.grantErrors[kSecondHelper] = EROFS;
    EXPECT_EQ(install(), kFailed);
    EXPECT_EQ(record().displayName, "KEZ Packet Driver v1.0");
    EXPECT_EQ(record().boundPrograms, std::vector<std::string>{kHelper});
}

TEST_F(SetaidTest, SetupFolderPastTheLimitIsRefused) {
    const std::string folder = "/" + std::string(259 - std::string("/KEZPacket.inf").size() - 1, 'f');
    ASSERT_EQ(folder.size() + 14, 259u);
    EXPECT_EQ(installPacketProtocol(services_, (folder + "f").c_str()), kFailed);
    EXPECT_THAT(texts(), ElementsAre("fnInstallPacket InstallProtocol failed. Error: " + std::to_string(ENAMETOOLONG)));
    boxes_->clear();
    installPacketProtocol(services_, folder.c_str()); // fits: fails later, on the missing manifest
    EXPECT_THAT(texts(), ElementsAre("fnInstallPacket InstallProtocol failed. Error: " + std::to_string(ENOENT)));
}

TEST_F(SetaidTest, RemovalRevokesAndDeletesEveryKey) {
    ASSERT_EQ(install(), 0);
    for (const char* path : {"SOFTWARE\\Microsoft\\KEZPacket\\CurrentVersion\\NetRules",
                             "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\KEZPacket"}) {
        reg::Key key;
        ASSERT_EQ(reg::Key::create(Hive::LocalMachine, path, reg::Access::ReadWrite, key), reg::Status::Ok);
    }
    EXPECT_EQ(remove(), 0);
    EXPECT_THAT(texts(), IsEmpty());
    EXPECT_FALSE(caps_.has(kHelper, "cap_net_raw"));
    EXPECT_FALSE(recorded());
    reg::Key key;
    EXPECT_EQ(reg::Key::open(Hive::LocalMachine, "SOFTWARE\\Microsoft\\KEZPacket", reg::Access::Read, key),
              reg::Status::FileNotFound);
    EXPECT_EQ(reg::Key::open(Hive::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\KEZPacket",
                             reg::Access::Read, key),
              reg::Status::FileNotFound);
    EXPECT_EQ(reg::Key::open(Hive::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System",
                             reg::Access::Read, key),
              reg::Status::Ok);
    EXPECT_THAT(sleeps_, IsEmpty());
}

// Each refusal shows its step's own code, returns -1 and keeps the record. A service that never stops
// is polled 60 times, one second apart.
TEST_F(SetaidTest, FailedRemovalsKeepTheRecord) {
    struct Case {
        const char* name;
        std::function<void(SetaidTest&)> arrange;
        std::string text;
    };
    const std::vector<Case> cases{
        {"hive read-only", [](SetaidTest&) { reg::setReadOnly(Hive::LocalMachine, true); },
         "OpenSCManager failed. Error: 5"},
        {"may not set capabilities", [](SetaidTest& t) { t.caps_.mayChange = false; },
         "OpenSCManager failed. Error: 5"},
        {"stop refused", [](SetaidTest& t) { t.caps_.revokeError = EROFS; },
         "ControlService failed. Error: " + std::to_string(EROFS)},
        {"never stops", [](SetaidTest& t) { t.caps_.stopIgnored = true; },
         "QueryServiceStatus > 60 seconds failed. Error: 1053"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        caps_ = test::FakeFileCaps();
        ASSERT_EQ(install(), 0);
        c.arrange(*this);
        EXPECT_EQ(remove(), kFailed);
        EXPECT_THAT(texts(), ElementsAre(c.text));
        reg::setReadOnly(Hive::LocalMachine, false);
        EXPECT_TRUE(recorded());
        boxes_->clear();
    }
    EXPECT_EQ(sleeps_, std::vector<std::chrono::milliseconds>(kStopPolls - 1, 1000ms));
}

// A group member who may write the machine hive must not make a root-run removal strip another program.
TEST_F(SetaidTest, RemovalLeavesProgramsItMayNotTouch) {
    const std::string other = "/usr/bin/ping";
    const std::string untrustedHelper = "/home/user/kez-rawsock";
    writeRecord({other, untrustedHelper, kHelper});
    caps_.untrusted.insert(untrustedHelper);
    for (const std::string& program : {other, untrustedHelper, kHelper})
        caps_.held[program] = "cap_net_raw";
    EXPECT_EQ(remove(), 0);
    EXPECT_TRUE(caps_.has(other, "cap_net_raw"));
    EXPECT_TRUE(caps_.has(untrustedHelper, "cap_net_raw"));
    EXPECT_FALSE(caps_.has(kHelper, "cap_net_raw"));
    EXPECT_FALSE(recorded());
}

TEST_F(SetaidTest, DeleteRegistryRecursive) {
    EXPECT_EQ(deleteRegistryRecursive(Hive::LocalMachine, "SOFTWARE\\Absent"), 0);
    for (const char* path : {"SOFTWARE\\Tree\\A\\A1\\A11", "SOFTWARE\\Tree\\A\\A2", "SOFTWARE\\Tree\\B"}) {
        reg::Key key;
        ASSERT_EQ(reg::Key::create(Hive::LocalMachine, path, reg::Access::ReadWrite, key), reg::Status::Ok);
        ASSERT_EQ(key.setDword("Value", 1), reg::Status::Ok);
    }
    reg::setReadOnly(Hive::LocalMachine, true);
    EXPECT_EQ(deleteRegistryRecursive(Hive::LocalMachine, "SOFTWARE\\Tree"), 5);
    reg::setReadOnly(Hive::LocalMachine, false);
    EXPECT_EQ(deleteRegistryRecursive(Hive::LocalMachine, "SOFTWARE\\Tree"), 0);
    reg::Key key;
    EXPECT_EQ(reg::Key::open(Hive::LocalMachine, "SOFTWARE\\Tree", reg::Access::Read, key), reg::Status::FileNotFound);
    EXPECT_EQ(reg::Key::open(Hive::LocalMachine, "SOFTWARE", reg::Access::Read, key), reg::Status::Ok);
}

TEST_F(SetaidTest, MessagesAreWarningsCutAt500Bytes) {
    showError((std::string(600, 'x') + "%d").c_str(), 5);
    ASSERT_EQ(boxes_->shown().size(), 1u);
    EXPECT_EQ(boxes_->shown()[0].text, std::string(499, 'x'));
    EXPECT_EQ(boxes_->shown()[0].title, "Error: KEZ Packet Driver");
    EXPECT_EQ(boxes_->shown()[0].icon, ui::Icon::Exclamation);
}

TEST_F(SetaidTest, ExportsThatNeedNoPrivilege) {
    EXPECT_EQ(UninstInitialize(1, 2, 3), 0);
    const SetaidVersion& version = *SetaidVersionInfo();
    EXPECT_STREQ(version.fileVersion, "1.0.0.8");
    EXPECT_STREQ(version.productVersion, "4.0.0.0");
    EXPECT_STREQ(version.fileDescription, "Setaid");
    EXPECT_STREQ(version.internalName, "Setaid");
    EXPECT_STREQ(version.originalFilename, "Setaid.dll");
    EXPECT_STREQ(version.productName, "Ombrel Install Support Functions");
}

TEST(SetaidLibrary, ExportsExactlyItsFourFunctions) {
    const ::kez::test::CommandResult symbols =
        ::kez::test::runCommand({"nm", "-D", "--defined-only", KEZ_SETAID_LIBRARY});
    ASSERT_TRUE(symbols.ok()) << symbols.err;
    std::istringstream lines(symbols.out);
    std::vector<std::string> names;
    for (std::string address, kind, name; lines >> address >> kind >> name;)
        names.push_back(name);
    EXPECT_THAT(names, testing::UnorderedElementsAre("InstallPacketDriver", "UninstInitialize", "UninstUnInitialize",
                                                     "SetaidVersionInfo"));
}

TEST(SetaidManifest, Parsing) {
    struct Case {
        const char* text;
        int error;
        std::vector<std::string> programs;
    };
    const std::vector<Case> cases{
        {"; set-up\n[service]\ncapability = CAP_NET_RAW\n[BIND]\nprogram=kez-rawsock ; the helper\n"
         "Program=/abs/../usr/kez-rawsock\n",
         0,
         {"/setup/kez-rawsock", "/usr/kez-rawsock"}},
        {"[Bind]\nProgram=sub/./kez-rawsock\r\n", 0, {"/setup/sub/kez-rawsock"}},
        {"[Service]\nCapability=cap_sys_admin\n[Bind]\nProgram=kez-rawsock\n", EINVAL, {}},
        {"[Service]\nDisplayName=only\n", EINVAL, {}},
        {"Program=kez-rawsock\n", EINVAL, {}},
        {"[Bind\nProgram=kez-rawsock\n", EINVAL, {}},
        {"[Bind]\nkez-rawsock\n", EINVAL, {}},
        {"[Bind]\nProgram=\n", EINVAL, {}},
        {"[Bind]\nProgram=kez-rawsock\nGroup=--help\n", EINVAL, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Manifest manifest;
        EXPECT_EQ(parseManifest(c.text, "/setup", manifest), c.error);
        if (c.error == 0) {
            EXPECT_EQ(manifest.programs, c.programs);
        }
    }
}

} // namespace
} // namespace kez::setaid
