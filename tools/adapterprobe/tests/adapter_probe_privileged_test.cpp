// adapterprobe as a technician runs it, in private network namespaces: its listing against ip and
// ethtool, each form of the "Adapter" setting, and the user nobody before and after Setaid installs
// the helper. Standard error stays empty and the exit status is 0 throughout.
#include <grp.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kez/reg/key.h"
#include "net_namespace.h"
#include "privileged.h"
#include "process.h"
#include "root_owned_tmp.h"
#include "scoped_registry.h"
#include "unprivileged_copy.h"

namespace kez::adapterprobe {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCommunicationsKey = "SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Communications";
const std::string kOpened = "Adaptor was opened successfully\nPacket Filter set successfully\n";
const std::string kInvalid = "Invalid adaptor selected\n";

// The expected listing: Ethernet links in interface-index order with the driver ethtool names.
constexpr const char* kListingOracle = R"(
import json, subprocess
links = json.loads(subprocess.run(['ip', '-j', 'link', 'show'], capture_output=True, check=True).stdout)
ether = [link['ifname'] for link in sorted(links, key=lambda link: link['ifindex']) if link.get('link_type') == 'ether']
for position, name in enumerate(ether):
    info = subprocess.run(['ethtool', '-i', name], capture_output=True, text=True, check=True).stdout
    print(f"Adaptor:{position}  Raw:{name}  Desc:{info.split('driver: ')[1].splitlines()[0]}")
if not ether:
    print('No adaptors found')
)";

// The helper's copy lies in root's own /tmp: Setaid grants only a helper no one else can change.
class AdapterProbeAsRoot : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::rootOwnedTmpForSuite(); }
    void SetUp() override {
        if (const auto shortfall = test::rootOwnedTmpForSuite()) KEZ_SKIP_OR_FAIL(*shortfall);
        if (!space_.valid() || !link_.valid()) KEZ_SKIP_OR_FAIL(space_.error() + link_.error());
    }
    void TearDown() override { test::runCommand({"groupdel", group_}); }

    // nullopt: no value; `withKey` false: no key either. An unterminated value fills its whole buffer.
    void setAdapter(const std::optional<std::string>& value, bool withKey = true, bool terminated = true) {
        reg::Key::deleteTree(reg::Hive::LocalMachine, kCommunicationsKey);
        reg::Key key;
        if (withKey) reg::Key::create(reg::Hive::LocalMachine, kCommunicationsKey, reg::Access::ReadWrite, key);
        if (!value) return;
        const std::vector<std::uint8_t> bytes(value->begin(), value->end());
        EXPECT_EQ(terminated ? key.setString("Adapter", *value) : key.setValue("Adapter", reg::Type::Binary, bytes),
                  reg::Status::Ok);
    }

    std::string listing(const test::NetNamespace& space) const {
        return test::runCommand(space.exec({KEZ_PYTHON, "-c", kListingOracle})).out;
    }

    // The probe's standard output, run as root or (with setpriv's arguments) as another user.
    std::string probe(const test::NetNamespace& space, std::vector<std::string> argv = {}) const {
        argv.push_back(argv.empty() ? KEZ_ADAPTERPROBE : (copy_.folder() / "adapterprobe").string());
        argv.push_back("--ignored-argument");
        std::vector<std::string> environment = registry_.environment();
        environment.push_back("LD_LIBRARY_PATH=" + copy_.folder().string());
        const test::CommandResult result = test::runCommand(space.exec(argv), environment);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.err, "");
        return result.out;
    }

    // setpriv's arguments for the user nobody, in the helper's group or in none; the hives readable to it.
    std::vector<std::string> asNobody(const std::string& groups) const {
        for (const fs::path& path : {registry_.folder(), registry_.machineFile()})
            fs::permissions(path, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        return {"setpriv", "--reuid=nobody", "--regid=nogroup", groups, "--inh-caps=-all"};
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
        bool terminated = true;
    };
    const std::string blanks(31, ' ');
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
        {blanks + "7", "Ombrel has adaptor " + blanks + " selected\n" + kOpened, false},
        {std::string(40, '1'), "RegQueryValueEx fail on Ombrel Comm Adaptor value 234\n"},
        {std::nullopt, "RegQueryValueEx fail on Ombrel Comm Adaptor value 2\n"},
    };
    const std::string adapters = listing(space_);
    ASSERT_NE(adapters.find("Adaptor:1  Raw:"), std::string::npos) << adapters;
    for (const Case& c : cases) {
        setAdapter(c.value, true, c.terminated);
        EXPECT_EQ(probe(space_), adapters + c.expected) << "Adapter = " << c.value.value_or("(none)");
    }
    setAdapter(std::nullopt, false);
    EXPECT_EQ(probe(space_), adapters + "RegOpenKeyEx fail on Ombrel Comm Key 2\n");
}

TEST_F(AdapterProbeAsRoot, AnEmptyNamespaceHasNoAdapterToOpen) {
    const test::NetNamespace empty("ae");
    ASSERT_EQ(listing(empty), "No adaptors found\n");
    setAdapter("-1");
    EXPECT_EQ(probe(empty), "No adaptors found\nOmbrel has default(0) adaptor selected\n"
                            "KezPacketOpenAdapter:CreateFile fail 19");
    setAdapter("0");
    EXPECT_EQ(probe(empty), "No adaptors found\nOmbrel has adaptor 0 selected\n" + kInvalid);
}

TEST_F(AdapterProbeAsRoot, NobodyOpensTheAdapterOnlyOnceSetaidHasInstalledTheHelper) {
    setAdapter("1");
    const std::string expected = listing(space_) + "Ombrel has adaptor 1 selected\n";
    EXPECT_EQ(probe(space_, asNobody("--clear-groups")), expected + "KezPacketOpenAdapter:CreateFile fail 1");

    ASSERT_TRUE(
        test::writeFile(copy_.folder() / "KEZPacket.inf", "[Bind]\nProgram=kez-rawsock\nGroup=" + group_ + "\n"));
    const std::vector<std::string> install{KEZ_SETAID_PROGRAM, "install", "KEZPacket.inf", copy_.folder().string()};
    ASSERT_EQ(test::runCommand(install, registry_.environment()).exitCode, 0);
    const group* helperGroup = ::getgrnam(group_.c_str());
    ASSERT_NE(helperGroup, nullptr);
    EXPECT_EQ(probe(space_, asNobody("--groups=" + std::to_string(helperGroup->gr_gid))), expected + kOpened);
}

} // namespace
} // namespace kez::adapterprobe
