// The desktop tools' table against stand-ins on PATH: which program of each row starts, with which
// arguments, and the box when none can; the system-information tool's arguments; the registry reader.
#include <gtest/gtest.h>

#include <memory>

#include "eventually.h"
#include "kez/reg/key.h"
#include "kez/ui/desktop_tools.h"
#include "kez/ui/message_boxes.h"
#include "scoped_registry.h"
#include "stub_programs.h"

namespace kez::ui {
namespace {

using Arguments = std::vector<std::string>;

class RecordedBoxes {
public:
    RecordedBoxes() : previous_(setMessageBoxes(boxes_)) {}
    ~RecordedBoxes() { setMessageBoxes(previous_); }
    std::vector<MessageBox> shown() const { return boxes_->shown(); }

private:
    std::shared_ptr<RecordingMessageBoxes> boxes_ = std::make_shared<RecordingMessageBoxes>();
    std::shared_ptr<MessageBoxes> previous_;
};

TEST(DesktopTools, StartTheFirstProgramOfTheirRowThatIsThereOrSaySo) {
    const std::string terminal = "x-terminal-emulator";
    struct {
        DesktopTool tool;
        std::vector<std::string> present; // the stand-ins on PATH
        std::string started;              // empty: none
        Arguments arguments;
        std::string box;
    } const cases[] = {
        {DesktopTool::SoundSettings, {"pavucontrol", terminal}, "pavucontrol", {}, ""},
        {DesktopTool::SoundSettings, {terminal}, terminal, {"-e", "alsamixer"}, ""},
        {DesktopTool::SoundSettings, {}, "", {}, "Could not start pavucontrol."},
        {DesktopTool::VolumeControl, {"pavucontrol", terminal}, "pavucontrol", {"--tab=3"}, ""},
        {DesktopTool::VolumeControl, {terminal}, terminal, {"-e", "alsamixer"}, ""},
        {DesktopTool::VolumeControl, {}, "", {}, "Could not start pavucontrol."},
        {DesktopTool::NetworkSettings,
         {"nm-connection-editor", "gnome-control-center"},
         "nm-connection-editor",
         {},
         ""},
        {DesktopTool::NetworkSettings, {"gnome-control-center"}, "gnome-control-center", {"network"}, ""},
        {DesktopTool::NetworkSettings, {}, "", {}, "Could not start nm-connection-editor."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box.empty() ? c.started : c.box);
        test::StubPrograms stubs(test::StubPrograms::Path::Only);
        for (const auto& name : c.present)
            stubs.add(name);
        const RecordedBoxes boxes;
        EXPECT_EQ(startDesktopTool(c.tool), !c.started.empty());
        if (!c.started.empty()) {
            EXPECT_EQ(stubs.awaitCall(c.started), c.arguments);
        }
        for (const auto& name : c.present) {
            if (name != c.started) {
                EXPECT_TRUE(stubs.calls(name).empty()) << name;
            }
        }
        const std::vector<MessageBox> expected{{c.box, programTitle(), Icon::Exclamation}};
        EXPECT_EQ(boxes.shown(), c.box.empty() ? std::vector<MessageBox>{} : expected);
    }
}

TEST(DesktopTools, TheSystemInformationToolIsGivenItsCategoryAndFolderWhenAsked) {
    const test::ScopedRegistry hives;
    test::StubPrograms stubs(test::StubPrograms::Path::Only);
    stubs.add("sysinfo");
    EXPECT_FALSE(startSystemInformation("KEZ Ombrel DLL's", "/opt/kez ombrel/bin"));
    reg::Key key;
    ASSERT_EQ(reg::Key::create(reg::Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                               reg::Access::ReadWrite, key),
              reg::Status::Ok);
    key.setString("PATH", (stubs / "sysinfo").string());
    EXPECT_TRUE(startSystemInformation("KEZ Ombrel DLL's", "/opt/kez ombrel/bin"));
    EXPECT_EQ(stubs.awaitCall("sysinfo"), (Arguments{"/c", "[KEZ Ombrel DLL's]", "/opt/kez ombrel/bin"}));
    EXPECT_TRUE(startSystemInformation());
    ASSERT_TRUE(test::eventually([&] { return stubs.calls("sysinfo").size() == 2; }));
    EXPECT_EQ(stubs.calls("sysinfo")[1], Arguments{});
    key.setString("PATH", (stubs / "missing").string());
    EXPECT_FALSE(startSystemInformation());
}

// A member may write the machine hive and its own files, never root's store or a program it names.
TEST(DesktopTools, TheSystemInformationToolIsTakenOnlyFromTheRootOnlyStoreAndOnlyWhenNoOneElseCanChangeIt) {
    const test::ScopedRegistry hives;
    test::StubPrograms stubs(test::StubPrograms::Path::Only);
    stubs.add("sysinfo");
    const auto program = (stubs / "sysinfo").string();
    test::writeFile(hives.machineFile(), "KEZ-REGISTRY-HIVE 1\n[SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
                                         "\"PATH\"=sz:\"" +
                                             program + "\"\n");
    hives.reopen();
    EXPECT_FALSE(startSystemInformation());

    reg::Key key;
    ASSERT_EQ(reg::Key::create(reg::Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                               reg::Access::ReadWrite, key),
              reg::Status::Ok);
    key.setString("PATH", program);
    std::filesystem::permissions(program, std::filesystem::perms::group_write, std::filesystem::perm_options::add);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(startSystemInformation());
    EXPECT_NE(testing::internal::GetCapturedStderr().find(program + ": writable by others"), std::string::npos);
    EXPECT_TRUE(stubs.calls("sysinfo").empty()); // refused before anything was started
}

TEST(DesktopTools, ReadsTextAndNumbersAndNothingLarger) {
    const test::ScopedRegistry hives;
    const std::string name = "SOFTWARE\\Test\\About";
    reg::Key key;
    ASSERT_EQ(reg::Key::create(reg::Hive::LocalMachine, name, reg::Access::ReadWrite, key), reg::Status::Ok);
    key.setString("text", "C:\\tool");
    key.setDword("number", 70000);
    key.setString("large", std::string(1100, 'x'));
    key.setValue("bytes", {reg::Type::Binary, {1, 2}});
    std::string value = "before";
    EXPECT_TRUE(GetKeyValue(reg::Hive::LocalMachine, name, "text", value));
    EXPECT_EQ(value, "C:\\tool");
    EXPECT_TRUE(GetKeyValue(reg::Hive::LocalMachine, name, "number", value));
    EXPECT_EQ(value, "70000");
    EXPECT_TRUE(GetKeyValue(reg::Hive::LocalMachine, name, "bytes", value));
    EXPECT_EQ(value, "70000");
    EXPECT_FALSE(GetKeyValue(reg::Hive::LocalMachine, name, "large", value));
    EXPECT_EQ(value, "");
    value = "before";
    EXPECT_FALSE(GetKeyValue(reg::Hive::LocalMachine, name + "\\missing", "text", value));
    EXPECT_EQ(value, "");
}

} // namespace
} // namespace kez::ui
