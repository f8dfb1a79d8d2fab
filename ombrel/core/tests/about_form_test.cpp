// The About dialog: its texts, its arrangement, and where System Info finds the tool to start.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include <filesystem>
#include <optional>

#include "eventually.h"
#include "forms_test_kit.h"
#include "kez/reg/registry.h"
#include "ombrel/about_form.h"
#include "ombrel/registry.h"
#include "temp_dir.h"

namespace kez::ombrel {
namespace {

namespace fs = std::filesystem;

TEST(AboutForm, ShowsTitleVersionAndWarningSideBySide) {
    const test::FormsWorld world;
    AboutForm about;
    EXPECT_EQ(about.windowTitle(), "About Ombrel");
    EXPECT_EQ(test::child<QLabel>(about, "lblTitle").text(), "Ombrel");
    const QString version = test::child<QLabel>(about, "lblVersion").text();
    EXPECT_EQ(version, "Version R" + QString::fromStdString(programVersionText()));
    EXPECT_TRUE(QRegularExpression("^Version R\\d+\\.\\d+\\.\\d+$").match(version).hasMatch()) << version.toStdString();
    EXPECT_EQ(test::child<QLabel>(about, "lblWarning").text(),
              "Use of this program is subject to its licence. Do not rely on it alone for emergency calls.");
    const QRect picture = test::child<QLabel>(about, "Picture1").geometry();
    const QRect warning = test::child<QLabel>(about, "lblWarning").geometry();
    EXPECT_LT(picture.right(), warning.left());
    EXPECT_TRUE(about.rect().contains(test::child<QPushButton>(about, "cmdSysInfo").geometry()));
}

struct SysInfoRow {
    const char* name;
    bool path;            // "PATH" names the tool
    bool folder;          // "MSINFO" names a folder
    bool toolInFolder;    // MSINFO32.EXE is in it
    bool machineReadOnly; // the machine hive cannot be written
    bool runs;
};

TEST(AboutForm, SystemInfoStartsTheToolTheMachineHiveNamesOrSaysThereIsNone) {
    const SysInfoRow rows[] = {
        {"neither value", false, false, false, false, false},
        {"folder without the tool", false, true, false, false, false},
        {"folder with the tool", false, true, true, false, true},
        {"PATH", true, false, false, false, true},
        {"PATH, read-only machine hive", true, false, false, true, true},
    };
    for (const auto& row : rows) {
        const test::FormsWorld world;
        const kez::test::TempDir tools("kez-sysinfo");
        const fs::path tool = row.path ? tools / "sysinfo" : tools / "MSINFO32.EXE";
        if (row.path || row.toolInFolder) {
            kez::test::writeFile(tool, "#!/bin/sh\ntouch \"$0.ran\"\n");
            fs::permissions(tool, fs::perms::owner_all);
        }
        if (row.path)
            gSetRegParam(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", tool.string());
        if (row.folder) {
            gSetRegParam(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                         tools.path().string());
        }
        reg::setReadOnly(Hive::LocalMachine, row.machineReadOnly);
        AboutForm about;
        about.show();
        test::child<QPushButton>(about, "cmdSysInfo").click();
        reg::setReadOnly(Hive::LocalMachine, false);
        const fs::path ran = tool.string() + ".ran";
        if (row.runs) {
            EXPECT_TRUE(kez::test::eventually([&] { return fs::exists(ran); })) << row.name;
            EXPECT_TRUE(world.boxes().empty()) << row.name;
        } else {
            ASSERT_EQ(world.boxes().size(), 1u) << row.name;
            EXPECT_EQ(world.boxes()[0].text, "System Information Is Unavailable At This Time");
            EXPECT_EQ(world.boxes()[0].title, "Ombrel");
            EXPECT_FALSE(fs::exists(ran)) << row.name;
            EXPECT_TRUE(about.isVisible()) << row.name;
        }
    }
}

} // namespace
} // namespace kez::ombrel
