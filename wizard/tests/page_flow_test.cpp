// The page flow through real clicks on the buttons and the tabs: which page each move reaches, which buttons
// it leaves usable and default, and that a refused move shows its page's message exactly once.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "wizard_test_kit.h"

namespace kez::wizard::test {
namespace {

enum class Move { Next, Back, Tab, CtrlTab, TurnToPage };

struct FlowCase {
    int from;
    Move move;
    int page; // the tab clicked or turned to
    bool macValid;
    bool ipValid;
    int reached;
    std::size_t messages;
};

const FlowCase kFlow[] = {
    {0, Move::Next, 0, true, true, 1, 0},       {1, Move::Back, 0, true, true, 0, 0},
    {2, Move::Next, 0, false, true, 3, 0},      {0, Move::Tab, 5, false, false, 5, 0},
    {5, Move::Tab, 3, false, true, 3, 0},       {5, Move::Back, 0, true, false, 4, 0},
    {6, Move::Next, 0, true, true, 7, 0},       {7, Move::Back, 0, true, true, 6, 0},
    {0, Move::TurnToPage, 5, true, true, 5, 0}, {3, Move::Next, 0, true, true, 4, 0},
    {3, Move::Back, 0, true, true, 2, 0},       {3, Move::Tab, 7, true, true, 7, 0},
    {3, Move::Next, 0, false, true, 3, 1},      {3, Move::Back, 0, false, true, 3, 1},
    {3, Move::Tab, 2, false, true, 3, 1},       {3, Move::Tab, 0, false, true, 3, 1},
    {3, Move::CtrlTab, 0, false, true, 3, 1},   {4, Move::Next, 0, true, true, 5, 0},
    {4, Move::Back, 0, true, true, 3, 0},       {4, Move::Tab, 7, true, true, 7, 0},
    {4, Move::Next, 0, true, false, 4, 1},      {4, Move::Back, 0, true, false, 4, 1},
    {4, Move::Tab, 1, true, false, 4, 1},       {4, Move::TurnToPage, 6, true, false, 4, 1},
};

void clickTab(QTabWidget& tabs, int page) {
    QTabBar& bar = *tabs.tabBar();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(page).center());
}

void move(ConfigWizardForm& form, Move how, int page) {
    auto& tabs = control<QTabWidget>(form, "sstWizard");
    switch (how) {
    case Move::Next: QTest::mouseClick(&control<QPushButton>(form, "cmdNext"), Qt::LeftButton); break;
    case Move::Back: QTest::mouseClick(&control<QPushButton>(form, "cmdBack"), Qt::LeftButton); break;
    case Move::Tab: clickTab(tabs, page); break;
    case Move::CtrlTab: QTest::keyClick(&tabs, Qt::Key_Tab, Qt::ControlModifier); break;
    case Move::TurnToPage: form.TurnToPage(static_cast<std::int16_t>(page)); break;
    }
}

// Back and Next as the state allows, Cancel always; Enter presses Finish on the last page, Next elsewhere.
void expectButtonsOf(const ConfigWizardForm& form, int state) {
    EXPECT_EQ(control<QPushButton>(form, "cmdBack").isEnabled(), state != 0);
    EXPECT_EQ(control<QPushButton>(form, "cmdNext").isEnabled(), state != 7);
    EXPECT_TRUE(control<QPushButton>(form, "cmdCancel").isEnabled());
    EXPECT_EQ(control<QPushButton>(form, "cmdNext").isDefault(), state != 7);
    EXPECT_EQ(control<QPushButton>(form, "cmdFinish").isDefault(), state == 7);
}

TEST(PageFlow, EachMoveReachesItsPageAndARefusedOneShowsOneMessage) {
    for (const auto& c : kFlow) {
        SCOPED_TRACE(testing::Message() << "from " << c.from << " move " << static_cast<int>(c.move) << " page "
                                        << c.page << (c.macValid ? "" : ", MAC bad") << (c.ipValid ? "" : ", IP bad"));
        WizardWorld world;
        OpenedWizard wizard;
        ASSERT_TRUE(wizard.initialised);
        clickTab(control<QTabWidget>(wizard.form, "sstWizard"), c.from);
        ASSERT_EQ(wizard.form.state(), c.from);
        control<QLineEdit>(wizard.form, "txtVuruvMacAddress").setText(c.macValid ? "00:1A:2B:3C:4D:5E" : "00:1A:2B");
        control<QLineEdit>(wizard.form, "txtVuruvIPAddress").setText(c.ipValid ? "" : "198.18.0");

        move(wizard.form, c.move, c.page);
        EXPECT_EQ(wizard.form.state(), c.reached);
        EXPECT_EQ(control<QTabWidget>(wizard.form, "sstWizard").currentIndex(), c.reached);
        expectButtonsOf(wizard.form, c.reached);
        EXPECT_EQ(world.boxes().size(), c.messages);
    }
}

TEST(PageFlow, NextOnTheLastPageAndBackOnTheFirstOnlyLog) {
    WizardWorld world;
    OpenedWizard wizard;
    wizard.form.PrevButton();
    EXPECT_EQ(wizard.form.state(), 0);
    wizard.form.TurnToPage(7);
    wizard.form.NextButton();
    EXPECT_EQ(wizard.form.state(), 7);
    expectButtonsOf(wizard.form, 7);
    EXPECT_EQ(world.logTexts(), (std::vector<std::string>{"Unknown state in ConfigWizardForm.PrevButton()",
                                                          "Unknown state in ConfigWizardForm.NextButton()"}));
    EXPECT_TRUE(world.boxes().empty());
}

} // namespace
} // namespace kez::wizard::test
