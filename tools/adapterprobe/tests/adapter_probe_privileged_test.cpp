// adapterprobe as a technician runs it, in private network namespaces: its listing against ip and
// ethtool, every form of the "Adapter" setting, and the user nobody with and without the helper's
// capability. Standard error stays empty and the exit status is 0 throughout.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kez/reg/key.h"
#include "net_namespace.h"
#include "privileged.h"
#include "process.h"
#include "scoped_registry.h"
#include "unprivileged_copy.h"

namespace kez::adapterprobe {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCommunicationsKey = "SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Communications";
const std::string kOpened = "Adaptor was opened successfully\nPacket Filter set successfully\n";
const std::string kInvalid = "Invalid adaptor selected\n";

// What the listing must show, from the kernel's own tools: Ethernet links in interface-index order
// with the driver ethtool names.
constexpr const char* kListingOracle = R"(
import json, subprocess
links = json.loads(subprocess.run(['ip', '-j', 'link', 'show'], capture_output=True, check=True).stdout)
position = 0
for link in sorted(links, key=lambda link: link['ifindex']):
    if link.get('link_type') != 'ether':
        continue
    info = subprocess.run(['ethtool', '-i', link['ifname']], capture_output=True, text=True).stdout
    drivers = [line[len('driver: '):] for line in info.splitlines() if line.startswith('driver: ')]
    print(f"Adaptor:{position}  Raw:{link['ifname']}  Desc:{drivers[0] if drivers else 'No Description Found'}")
    position += 1
if position == 0:
    print('No adaptors found')
)";

class AdapterProbeAsRoot : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        if (::getpwnam("nobody") == nullptr) KEZ_SKIP_OR_FAIL("needs the user nobody");
        if (!space_.valid() || !link_.valid()) KEZ_SKIP_OR_FAIL(space_.error() + link_.error());
    }
    void TearDown() override { test::runCommand({"groupdel", group_}); }

    // nullopt: no "Adapter" value; `withKey` false: no communications key either.
    void setAdapter(const std::optional<std::string>& value, bool withKey = true) {
        reg::Key::deleteTree(reg::Hive::LocalMachine, kCommunicationsKey);
        if (!withKey) return;
        reg::Key key;
        ASSERT_EQ(reg::Key::create(reg::Hive::LocalMachine, kCommunicationsKey, reg::Access::ReadWrite, key),
                  reg::Status::Ok);
        if (value) {
            ASSERT_EQ(key.setString("Adapter", *value), reg::Status::Ok);
        }
    }

    std::string listing(const test::NetNamespace& space) const {
        return test::runCommand(space.exec({KEZ_PYTHON, "-c", kListingOracle})).out;
    }

    // The probe's standard output; its error output must be empty and its status 0.
    std::string probe(const test::NetNamespace& space, const std::vector<std::string>& asUser = {}) const {
        std::vector<std::string> argv = asUser;
        argv.push_back(asUser.empty() ? KEZ_ADAPTERPROBE : (copy_.folder() / "adapterprobe").string());
        argv.push_back("--ignored-argument");
        std::vector<std::string> environment = registry_.environment();
        if (!asUser.empty()) environment.push_back("LD_LIBRARY_PATH=" + copy_.folder().string());
        const test::CommandResult result = test::runCommand(space.exec(argv), environment);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.err, "");
        return result.out;
    }

    // setpriv's arguments that run the copied probe as nobody, in the helper's group when asked.
    std::vector<std::string> asNobody(bool inHelperGroup) const {
        const group* found = inHelperGroup ? ::getgrnam(group_.c_str()) : nullptr;
        const std::string groups = found != nullptr ? "--groups=" + std::to_string(found->gr_gid) : "--clear-groups";
        return {"setpriv", "--reuid=nobody", "--regid=nogroup", groups, "--inh-caps=-all"};
    }

    // The hives readable by nobody, as an installed system's are.
    void shareRegistry() const {
        for (const fs::path& path : {registry_.folder(), registry_.machineFile()})
            fs::permissions(path, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    }

    test::ScopedRegistry registry_;
    test::NetNamespace space_{"ap"};
    test::VethPair link_{space_, space_};
    test::UnprivilegedCopy copy_{"kez-probe", {KEZ_ADAPTERPROBE, KEZ_RAWSOCK_PROGRAM, KEZPLAT_LIBRARY}};
    std::string group_ = test::uniqueName("kp");
};

TEST_F(AdapterProbeAsRoot, EachFormOfTheSettingOnTwoAdapters) {
    struct Case {
        std::optional<std::string> value;
        std::string expected; // after the listing
    };
    const std::vector<Case> cases{
        {"-1", "Ombrel has default(0) adaptor selected\n" + kOpened},
        {"0", "Ombrel has adaptor 0 selected\n" + kOpened},
        {"1", "Ombrel has adaptor 1 selected\n" + kOpened},
        {"2", "Ombrel has adaptor 2 selected\n" + kInvalid},
        {"-2", "Ombrel has adaptor -2 selected\n" + kInvalid},
        {" 1", "Ombrel has adaptor  1 selected\n" + kOpened},
        {"1abc", "Ombrel has adaptor 1abc selected\n" + kOpened},
        {"abc", "Ombrel has adaptor abc selected\n" + kOpened},
        {"4294967296", "Ombrel has adaptor 4294967296 selected\n" + kInvalid},
        {std::string(40, '1'), "RegQueryValueEx fail on Ombrel Comm Adaptor value 234\n"},
        {std::nullopt, "RegQueryValueEx fail on Ombrel Comm Adaptor value 2\n"},
    };
    const std::string adapters = listing(space_);
    ASSERT_NE(adapters.find("Adaptor:1  Raw:"), std::string::npos) << adapters;
    for (const Case& c : cases) {
        setAdapter(c.value);
        EXPECT_EQ(probe(space_), adapters + c.expected) << "Adapter = " << c.value.value_or("(none)");
    }
    setAdapter(std::nullopt, false);
    EXPECT_EQ(probe(space_), adapters + "RegOpenKeyEx fail on Ombrel Comm Key 2\n");
}

TEST_F(AdapterProbeAsRoot, AnEmptyNamespaceHasNoAdapterToOpen) {
    const test::NetNamespace empty("ae");
    ASSERT_EQ(listing(empty), "No adaptors found\n");
    setAdapter("-1");
    EXPECT_EQ(probe(empty),
              "No adaptors found\nOmbrel has default(0) adaptor selected\nKezPacketOpenAdapter:CreateFile fail 19");
    setAdapter("0");
    EXPECT_EQ(probe(empty), "No adaptors found\nOmbrel has adaptor 0 selected\n" + kInvalid);
}

TEST_F(AdapterProbeAsRoot, NobodyOpensTheAdapterOnlyOnceSetaidHasInstalledTheHelper) {
    setAdapter("1");
    shareRegistry();
    const std::string adapters = listing(space_);
    EXPECT_EQ(probe(space_, asNobody(false)),
              adapters + "Ombrel has adaptor 1 selected\nKezPacketOpenAdapter:CreateFile fail 1");

    ASSERT_TRUE(test::writeFile(copy_.folder() / "KEZPacket.inf", "[Bind]\nProgram=kez-rawsock\nGroup=" + group_ + "\n"));
    std::vector<std::string> install{"env"};
    for (const std::string& entry : registry_.environment())
        install.push_back(entry);
    install.insert(install.end(), {KEZ_SETAID_PROGRAM, "install", "KEZPacket.inf", copy_.folder().string()});
    const test::CommandResult installed = test::runCommand(install);
    ASSERT_EQ(installed.exitCode, 0) << installed.err;
    shareRegistry();
    EXPECT_EQ(probe(space_, asNobody(true)), adapters + "Ombrel has adaptor 1 selected\n" + kOpened);
}

} // namespace
} // namespace kez::adapterprobe
