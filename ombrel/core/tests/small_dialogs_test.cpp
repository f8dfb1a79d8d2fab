// The button-properties dialog on a real simple key with its label in real hive files, and the close dialog.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

#include "forms_test_kit.h"
#include "ombrel/button_properties_form.h"
#include "ombrel/shut_down_form.h"
#include "ombrel/simple_button.h"
#include "temp_dir.h"

namespace kez::ombrel {
namespace {

struct LineKey {
    QPushButton control;
    std::shared_ptr<SimpleButtonClass> object = std::make_shared<SimpleButtonClass>();
    LineKey() {
        object->Initialize(65, ButtonType::Programmable, control, nullptr, "L1", "System Appearance #1", "", 27, 28);
    }
};

void edit(ButtonPropertiesForm& form, const char* label, const char* description, const char* button) {
    test::child<QLineEdit>(form, "txtLabel").setText(label);
    test::child<QLineEdit>(form, "txtDescription").setText(description);
    test::child<QPushButton>(form, button).click();
}

TEST(ButtonPropertiesForm, OkShowsAndStoresTheTextsEmptyOnesTooAndCancelTouchesNothing) {
    const test::FormsWorld world;
    {
        LineKey key;
        ButtonPropertiesForm form;
        form.InitializeForButton(key.object, nullptr);
        EXPECT_EQ(test::child<QLineEdit>(form, "txtLabel").text(), "");
        edit(form, "Sales", "Sales line", "cmdOk");
        EXPECT_EQ(key.control.text(), "Sales");
        EXPECT_EQ(key.control.toolTip(), "Sales line");
    }
    const auto stored = world.exportSettings("HKLM");
    EXPECT_NE(stored.find("\"65\"=sz:\"Sales\""), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"65\"=sz:\"Sales line\""), std::string::npos) << stored;

    LineKey restarted;
    EXPECT_EQ(restarted.control.text(), "Sales");
    const std::string before = kez::test::readFile(world.machineFile());
    {
        ButtonPropertiesForm form;
        form.InitializeForButton(restarted.object, nullptr);
        EXPECT_EQ(test::child<QLineEdit>(form, "txtDescription").text(), "Sales line");
        edit(form, "Other", "Other line", "cmdCancel");
    }
    EXPECT_EQ(restarted.control.text(), "Sales");
    EXPECT_EQ(kez::test::readFile(world.machineFile()), before);

    ButtonPropertiesForm form;
    form.InitializeForButton(restarted.object, nullptr);
    edit(form, "", "", "cmdOk");
    EXPECT_EQ(restarted.control.text(), "");
    EXPECT_EQ(restarted.control.toolTip(), "System Appearance #1");
}

struct CloseRow {
    const char* name;
    bool tray;
    const char* choose; // the option to pick, or null for the default
    const char* press;  // a button, or null for Escape
    int result;
};

TEST(ShutDownForm, OffersTheTrayOnlyWhileItShowsAndGivesTheChoice) {
    const CloseRow rows[] = {
        {"tray, default", true, nullptr, "cmdOkay", ShutDownForm::kMinimise},
        {"tray, shut down", true, "optShutDown", "cmdOkay", ShutDownForm::kShutDown},
        {"no tray, default", false, nullptr, "cmdOkay", ShutDownForm::kShutDown},
        {"cancel", true, "optShutDown", "cmdCancel", ShutDownForm::kCancelled},
        {"escape", true, nullptr, nullptr, ShutDownForm::kCancelled},
    };
    for (const auto& row : rows) {
        ShutDownForm form(row.tray);
        form.show();
        EXPECT_EQ(form.windowTitle(), "Close KEZ Ombrel");
        EXPECT_EQ(test::child<QRadioButton>(form, "optMinimise").isEnabled(), row.tray) << row.name;
        if (row.choose) test::child<QRadioButton>(form, row.choose).setChecked(true);
        if (row.press) {
            test::child<QPushButton>(form, row.press).click();
        } else {
            QTest::keyClick(&form, Qt::Key_Escape);
        }
        EXPECT_EQ(form.result(), row.result) << row.name;
        EXPECT_FALSE(form.isVisible()) << row.name;
    }
}

} // namespace
} // namespace kez::ombrel
