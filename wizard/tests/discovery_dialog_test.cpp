// The call-server discovery dialog on the stand-in engine: its lines from the discovered addresses, what
// Select copies to the "MAC Info" and "IP Info" boxes, every other way out, the engine calls of a run and a
// refused start.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <optional>

#include "modal_dialog.h"
#include "variant_bytes.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kMacBox = "00:11:22:33:44:55";
constexpr const char* kIpBox = "198.18.1.1";
const Bytes kDecoy{0x02, 0x00, 0x00, 0x00, 0x00, 0x09};

struct DiscoveryRun {
    DiscoveryRun() {
        control<QLineEdit>(wizard.form, "txtVuruvMacAddress").setText(kMacBox);
        control<QLineEdit>(wizard.form, "txtVuruvIPAddress").setText(kIpBox);
        world.engine()->clearCalls();
    }
    void heard(const Bytes& mac, const std::optional<Bytes>& ip = std::nullopt) {
        const com::Variant address = ip ? kez::test::byteArray(*ip) : com::Variant{};
        world.engine()->fire([&](corvane::_IEngineEvents& e) { e.XAVDiscovered(kez::test::byteArray(mac), address); });
    }
    // Presses "Aut&o Discover ..." with `act` ready for the dialog.
    void discover(std::function<void(QDialog&)> act) {
        const WhenModalShows shown(std::move(act));
        control<QPushButton>(wizard.form, "cmdAutoDiscover").click();
        EXPECT_TRUE(shown.ran());
    }
    QString box(const char* name) { return control<QLineEdit>(wizard.form, name).text(); }
    std::vector<std::string> calls() { return world.engine()->calls(); }

    WizardWorld world;
    OpenedWizard wizard;
};

std::vector<std::string> lines(const QDialog& dialog) {
    std::vector<std::string> texts;
    const auto& list = control<QListWidget>(dialog, "lstMacs");
    for (int row = 0; row < list.count(); ++row)
        texts.push_back(list.item(row)->text().toStdString());
    return texts;
}

void press(QDialog& dialog, const char* button) { control<QPushButton>(dialog, button).click(); }

std::vector<std::string> runCalls(int adapter) {
    return {"put_nAdapter(" + std::to_string(adapter) + ")",
            "put_varVuruvMac(Empty)",
            "put_varVuruvIP(Empty)",
            "StartAutoDiscover()",
            "StopAutoDiscover()",
            "StopAutoDiscover()"};
}

TEST(DiscoveryDialog, ListsEachCallServerAsHeardAndSelectCopiesItsAddresses) {
    struct {
        const char* what;
        Bytes mac;
        std::optional<Bytes> ip;
        const char* line;
        const char* ipBox;
    } const cases[] = {
        {"on Ethernet", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x05}, std::nullopt, "00:1A:2B:3C:4D:05", kIpBox},
        {"over IP",
         {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x05},
         Bytes{198, 18, 0, 10},
         "00:1A:2B:3C:4D:05   198.18.0.10",
         "198.18.0.10"},
        {"single digits",
         {0x01, 0x02, 0x0A, 0x0B, 0xF0, 0xFF},
         Bytes{10, 0, 0, 1},
         "01:02:0A:0B:F0:FF   10.0.0.1",
         "10.0.0.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DiscoveryRun run;
        run.discover([&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Auto discover KEZ System...");
            run.heard(kDecoy);
            run.heard(c.mac, c.ip);
            EXPECT_EQ(lines(dialog), (std::vector<std::string>{"02:00:00:00:00:09", c.line}));
            control<QListWidget>(dialog, "lstMacs").setCurrentRow(1);
            press(dialog, "cmdSelect");
        });
        EXPECT_EQ(run.box("txtVuruvMacAddress").toStdString(), std::string(c.line).substr(0, 17));
        EXPECT_EQ(run.box("txtVuruvIPAddress"), c.ipBox);
        EXPECT_EQ(run.calls(), runCalls(-1));
        EXPECT_TRUE(run.world.boxes().empty());
    }
}

TEST(DiscoveryDialog, EveryOtherWayOutLeavesBothBoxesAndStopsListening) {
    const auto chooseHeard = [](DiscoveryRun& run, QDialog& dialog) {
        run.heard(kDecoy, Bytes{198, 18, 0, 9});
        control<QListWidget>(dialog, "lstMacs").setCurrentRow(0);
    };
    struct {
        const char* what;
        int adapterPosition;
        std::function<void(DiscoveryRun&, QDialog&)> act;
        std::vector<std::string> boxes;
    } const cases[] = {
        {"Cancel",
         0,
         [&](DiscoveryRun& run, QDialog& dialog) {
             chooseHeard(run, dialog);
             press(dialog, "cmdCancel");
         },
         {}},
        {"close box",
         2,
         [&](DiscoveryRun& run, QDialog& dialog) {
             chooseHeard(run, dialog);
             dialog.close();
         },
         {}},
        {"Escape does nothing",
         1,
         [&](DiscoveryRun& run, QDialog& dialog) {
             chooseHeard(run, dialog);
             QTest::keyClick(&dialog, Qt::Key_Escape);
             EXPECT_TRUE(dialog.isVisible());
             EXPECT_EQ(run.world.engine()->calls().back(), "StartAutoDiscover()");
             press(dialog, "cmdCancel");
         },
         {}},
        {"Select on an empty list",
         0,
         [](DiscoveryRun&, QDialog& dialog) {
             press(dialog, "cmdSelect");
             EXPECT_TRUE(dialog.isVisible());
             press(dialog, "cmdCancel");
         },
         {"Must select an KEZ system address from the list."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DiscoveryRun run;
        control<QComboBox>(run.wizard.form, "cboAdapters").setCurrentIndex(c.adapterPosition);
        run.discover([&](QDialog& dialog) { c.act(run, dialog); });
        EXPECT_EQ(run.box("txtVuruvMacAddress"), kMacBox);
        EXPECT_EQ(run.box("txtVuruvIPAddress"), kIpBox);
        EXPECT_EQ(run.calls(), runCalls(c.adapterPosition - 1));
        EXPECT_EQ(boxTexts(run.world.boxes()), c.boxes);
    }
}

TEST(DiscoveryDialog, EachRunStartsEmptyAndHearsNothingWhileHidden) {
    DiscoveryRun run;
    run.discover([&](QDialog& dialog) {
        run.heard(kDecoy);
        press(dialog, "cmdCancel");
    });
    run.heard({0x02, 0x00, 0x00, 0x00, 0x00, 0x0A});
    run.discover([&](QDialog& dialog) {
        EXPECT_TRUE(lines(dialog).empty());
        run.heard(kDecoy);
        EXPECT_EQ(lines(dialog), std::vector<std::string>{"02:00:00:00:00:09"});
        press(dialog, "cmdCancel");
    });
}

TEST(DiscoveryDialog, ARefusedStartShowsTheWrappersBoxAndAnEmptyList) {
    DiscoveryRun run;
    run.world.engine()->failOn("StartAutoDiscover", static_cast<com::HRESULT>(0x80043001),
                               "Endpoint object create failure");
    run.discover([&](QDialog& dialog) {
        const auto boxes = run.world.boxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_EQ(boxes[0].title, "Error");
        EXPECT_EQ(boxes[0].icon, ui::Icon::Critical);
        EXPECT_NE(boxes[0].text.find("Endpoint object create failure\r\nContext: EngineWrapperClass.StartAutoDiscover"),
                  std::string::npos)
            << boxes[0].text;
        EXPECT_TRUE(lines(dialog).empty());
        press(dialog, "cmdCancel");
    });
}

} // namespace
} // namespace kez::wizard::test
