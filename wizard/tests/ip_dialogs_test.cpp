// The two dialogs of the PC's own addresses on the stand-in engine and temporary hives: the automatic probe's
// result, error and every way to end it, what keeps it from opening, and late events; the override dialog's
// checks, its store at once and its Cancel.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <optional>

#include "modal_dialog.h"
#include "override_ip_settings_form.h"
#include "variant_bytes.h"
#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

constexpr std::int32_t kWinsockError = static_cast<std::int32_t>(0x80043002);
constexpr const char* kServer = "198.18.0.2";

QString text(const QWidget& root, const char* name) { return control<QLineEdit>(root, name).text(); }
void press(QWidget& root, const char* button) { control<QPushButton>(root, button).click(); }

std::vector<std::string> fields(const QDialog& dialog) {
    return {text(dialog, "txtIPAddress").toStdString(), text(dialog, "txtSubnet").toStdString(),
            text(dialog, "txtGateway").toStdString()};
}

std::string caption(const QDialog& dialog) { return control<QPushButton>(dialog, "cmdOK").text().toStdString(); }
bool waiting(const QDialog& dialog) { return !control<QLabel>(dialog, "lblWait").isHidden(); }

struct IpTest {
    explicit IpTest(const char* server = kServer) {
        control<QLineEdit>(wizard.form, "txtVuruvIPAddress").setText(server);
        engine().clearCalls();
        stored = world.machineBytes();
    }
    ombrel::testing::FakeEngine& engine() { return *world.engine(); }
    // Presses "&Test ..." with `act` ready for the dialog: whether one showed.
    bool test(std::function<void(QDialog&)> act) {
        const WhenModalShows shown(std::move(act));
        press(wizard.form, "cmdTestAutoRetrieve");
        return shown.ran();
    }
    void complete() {
        engine().setProperty("varLocalIP", kez::test::byteArray({198, 18, 0, 1}));
        engine().setProperty("varSubnetMask", kez::test::byteArray({255, 255, 255, 0}));
        engine().setProperty("varGatewayIP", kez::test::byteArray({198, 18, 0, 254}));
        engine().fire([](corvane::_IEngineEvents& e) { e.AutoIPComplete(); });
    }
    void fail() {
        engine().fire([](corvane::_IEngineEvents& e) { e.Error(kWinsockError, "connect failed 111"); });
    }
    long cancels() {
        const auto calls = engine().calls();
        return std::count(calls.begin(), calls.end(), "CancelAutoIPConfig()");
    }

    WizardWorld world;
    OpenedWizard wizard;
    std::string stored;
};

// The main window's box, then the dialog's.
void expectErrorBoxes(const std::vector<ui::MessageBox>& boxes) {
    ASSERT_EQ(boxes.size(), 2U);
    EXPECT_EQ(boxes[0], (ui::MessageBox{"Error code [80043002H]\r\n\r\nconnect failed 111", "Internal engine error",
                                        ui::Icon::Critical}));
    EXPECT_EQ(boxes[1].title, "Error");
    EXPECT_NE(boxes[1].text.find("Error message: connect failed 111\r\nContext: Auto IP Configuration"),
              std::string::npos)
        << boxes[1].text;
}

TEST(AutoIPConfigDialog, ShowsTheResultOrTheErrorAndEveryWayOutCancelsOnlyARunningProbe) {
    struct {
        const char* what;
        std::function<void(IpTest&, QDialog&)> act;
        std::vector<std::string> fields;
        long cancels;
    } const cases[] = {
        {"result, then OK",
         [](IpTest& t, QDialog& dialog) {
             t.complete();
             EXPECT_EQ(caption(dialog), "OK");
             EXPECT_FALSE(waiting(dialog));
             EXPECT_TRUE(t.world.boxes().empty());
             press(dialog, "cmdOK");
         },
         {"198.18.0.1", "255.255.255.0", "198.18.0.254"},
         0},
        {"error, then OK",
         [](IpTest& t, QDialog& dialog) {
             t.fail();
             EXPECT_EQ(caption(dialog), "OK");
             EXPECT_FALSE(waiting(dialog));
             expectErrorBoxes(t.world.boxes());
             press(dialog, "cmdOK");
         },
         {"", "", ""},
         0},
        {"Cancel while running", [](IpTest&, QDialog& dialog) { press(dialog, "cmdOK"); }, {"", "", ""}, 1},
        {"close box while running", [](IpTest&, QDialog& dialog) { dialog.close(); }, {"", "", ""}, 1},
        {"Escape while running",
         [](IpTest&, QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
         {"", "", ""},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IpTest t;
        std::vector<std::string> shown;
        EXPECT_TRUE(t.test([&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Automatic IP Configuration");
            EXPECT_EQ(caption(dialog), "Cancel");
            EXPECT_TRUE(waiting(dialog));
            EXPECT_EQ(t.engine().calls().at(1), "GetIPFromSocket()");
            c.act(t, dialog);
            shown = fields(dialog);
        }));
        EXPECT_EQ(t.engine().calls().front(), "put_varVuruvIP(C6 12 00 02)");
        EXPECT_EQ(shown, c.fields);
        EXPECT_EQ(t.cancels(), c.cancels);
        EXPECT_EQ(t.world.machineBytes(), t.stored) << "the test stores nothing";
    }
}

TEST(AutoIPConfigDialog, OpensOnlyForAValidCallServerAddressAndAProbeUnderWay) {
    struct {
        const char* server;
        bool refused;
        const char* box;
    } const cases[] = {
        {"", false, "You must enter a valid KEZ system IP Address."},
        {"198.18.0", false, "You must enter a valid KEZ system IP Address."},
        {kServer, true,
         "Error code:   [80043002H]\r\nError message: socket error 24\r\nContext: "
         "EngineWrapperClass.bAutoConfigureIP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        IpTest t(c.server);
        if (c.refused) t.engine().failOn("GetIPFromSocket", kWinsockError, "socket error 24");
        EXPECT_FALSE(t.test([](QDialog&) {}));
        const auto boxes = t.world.boxes();
        ASSERT_EQ(boxes.size(), 1U);
        EXPECT_TRUE(boxes[0].text.starts_with(c.box)) << boxes[0].text;
        const auto calls = t.engine().calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "GetIPFromSocket()"), c.refused ? 1 : 0);
    }
}

TEST(AutoIPConfigDialog, AResultOrAnErrorAfterTheDialogIsGoneReachesOnlyTheMainWindow) {
    IpTest t;
    EXPECT_TRUE(t.test([](QDialog& dialog) { dialog.close(); }));
    t.complete();
    t.fail();
    EXPECT_EQ(t.world.boxes(), (std::vector<ui::MessageBox>{{"Error code [80043002H]\r\n\r\nconnect failed 111",
                                                             "Internal engine error", ui::Icon::Critical}}));
}

struct OverrideTest {
    OverrideTest() {
        world.seed({{"Communications", "ReadIPInfoAutomatically", "False"},
                    {"Communications", "RirovuruzIP", "198.18.0.77"},
                    {"Communications", "RirovuruzNetMask", "255.255.254.0"},
                    {"Communications", "RirovuruzGateway", "198.18.0.1"}});
        wizard.emplace();
    }
    QDialog& dialog() { return wizard->form.overrideIPSettingsForm(); }
    void type(const char* ip, const char* mask, const char* gateway) {
        for (const auto& [name, value] : {std::pair{"txtSoftphoneIPAddress", ip},
                                          {"txtSoftphoneSubnetMask", mask},
                                          {"txtSoftphoneGateway", gateway}}) {
            auto& box = control<QLineEdit>(dialog(), name);
            box.clear();
            QTest::keyClicks(&box, value);
        }
    }
    void open(std::function<void(QDialog&)> act) {
        const WhenModalShows shown(std::move(act));
        press(wizard->form, "cmdIPOverrideSettings");
        EXPECT_TRUE(shown.ran());
    }
    std::vector<std::string> overrides() {
        auto stored = world.stored();
        return {stored["Communications\\RirovuruzIP"], stored["Communications\\RirovuruzNetMask"],
                stored["Communications\\RirovuruzGateway"]};
    }

    WizardWorld world;
    std::optional<OpenedWizard> wizard;
};

TEST(OverrideIPSettingsDialog, OkChecksTheBoxesInOrderAndFocusesTheFirstThatFails) {
    constexpr const char* kIpMessage = "You must enter a valid \"IP Address\".";
    constexpr const char* kMaskMessage = "You must enter a valid \"Subnet mask\" IP Address.";
    constexpr const char* kGatewayMessage = "You must enter a valid \"Default gateway\" IP Address.";
    struct {
        const char* ip;
        const char* mask;
        const char* gateway;
        const char* message;
        const char* focused;
    } const cases[] = {
        {"", "", "", kIpMessage, "txtSoftphoneIPAddress"},
        {"198.18.0.80", "", "", kMaskMessage, "txtSoftphoneSubnetMask"},
        {"198.18.0.80", "255.255.0", "198.18.0.1", kMaskMessage, "txtSoftphoneSubnetMask"},
        {"198.18.0.80", "255.255.255.0", "  ", kGatewayMessage, "txtSoftphoneGateway"},
        {"198.18.0.80", "255.255.255.0", "198.18.0.256", kGatewayMessage, "txtSoftphoneGateway"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + "|" + c.mask + "|" + c.gateway);
        OverrideTest t;
        const auto before = t.world.machineBytes();
        t.open([&](QDialog& dialog) {
            t.type(c.ip, c.mask, c.gateway);
            press(dialog, "cmdOkay");
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.focusWidget(), &control<QLineEdit>(dialog, c.focused));
            press(dialog, "cmdCancel");
        });
        EXPECT_EQ(t.world.boxes(), (std::vector<ui::MessageBox>{{c.message, "OmbrelWizard", ui::Icon::Information}}));
        EXPECT_EQ(t.world.machineBytes(), before);
    }
}

TEST(OverrideIPSettingsDialog, OkStoresTheTrimmedValuesAtOnceAndTheWizardsCancelKeepsThem) {
    OverrideTest t;
    t.open([&](QDialog& dialog) {
        t.type(" 198.18.0.80 ", "255.0.255.0", "198.18.0.1 ");
        press(dialog, "cmdOkay");
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_TRUE(t.world.boxes().empty());
    const std::vector<std::string> typed{"198.18.0.80", "255.0.255.0", "198.18.0.1"};
    EXPECT_EQ(t.overrides(), typed);
    press(t.wizard->form, "cmdCancel");
    EXPECT_EQ(t.wizard->ended, 1);
    t.wizard.reset();
    EXPECT_EQ(t.overrides(), typed);
}

TEST(OverrideIPSettingsDialog, CancelEscapeAndTheCloseBoxPutTheStoredValuesBack) {
    const std::pair<const char*, std::function<void(QDialog&)>> ways[] = {
        {"Cancel", [](QDialog& dialog) { press(dialog, "cmdCancel"); }},
        {"Escape", [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }},
        {"close box", [](QDialog& dialog) { dialog.close(); }},
    };
    for (const auto& [what, leave] : ways) {
        SCOPED_TRACE(what);
        OverrideTest t;
        const auto before = t.world.machineBytes();
        t.open([&](QDialog& dialog) {
            t.type("1.2.3.4", "x", "");
            leave(dialog);
        });
        t.open([&](QDialog& dialog) {
            EXPECT_EQ(text(dialog, "txtSoftphoneIPAddress"), "198.18.0.77");
            EXPECT_EQ(text(dialog, "txtSoftphoneSubnetMask"), "255.255.254.0");
            EXPECT_EQ(text(dialog, "txtSoftphoneGateway"), "198.18.0.1");
            press(dialog, "cmdCancel");
        });
        EXPECT_EQ(t.world.machineBytes(), before);
        EXPECT_TRUE(t.world.boxes().empty());
    }
}

} // namespace
} // namespace kez::wizard::test
