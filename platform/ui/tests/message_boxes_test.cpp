// The message-box service: titles, the box log, and the recording and console presenters.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kez/ui/message_boxes.h"
#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::ui {
namespace {

TEST(MessageBoxes, FillInTheProgramTitleLogEachBoxAndAnswerFromTheScript) {
    const kez::test::TempDir folder("kez-boxes");
    const auto log = folder / "boxes.log";
    std::optional<kez::test::ScopedEnv> boxLog(std::in_place, "KEZ_UI_BOX_LOG", log.string());
    setProgramTitle("OmbrelWizard");
    const auto boxes = std::make_shared<RecordingMessageBoxes>(std::deque<Answer>{Answer::No});
    const auto previous = setMessageBoxes(boxes);

    EXPECT_EQ(showMessageBox("Restart now?", "Restart?", Icon::Question, Buttons::YesNo), Answer::No);
    EXPECT_EQ(showMessageBox("Line 1\r\nLine\t2 \\ end", {}, Icon::Information), Answer::Ok);
    EXPECT_EQ(showMessageBox("Again?", "", Icon::None, Buttons::RetryCancel), Answer::Retry);

    setMessageBoxes(previous);
    boxLog.reset();
    const std::vector<MessageBox> expected{
        {"Restart now?", "Restart?", Icon::Question, Buttons::YesNo},
        {"Line 1\r\nLine\t2 \\ end", "OmbrelWizard", Icon::Information, Buttons::Ok},
        {"Again?", "OmbrelWizard", Icon::None, Buttons::RetryCancel},
    };
    EXPECT_EQ(boxes->shown(), expected);
    EXPECT_EQ(kez::test::readFile(log), "question\tyesno\tRestart?\tRestart now?\n"
                                        "information\tok\tOmbrelWizard\tLine 1\\r\\nLine\\t2 \\\\ end\n"
                                        "none\tretrycancel\tOmbrelWizard\tAgain?\n");
}

TEST(MessageBoxes, TheConsoleTakesTheDefaultAnswerWithoutATerminal) {
    const int saved = ::dup(STDIN_FILENO); // standard input as an installer or a service has it
    ::close(STDIN_FILENO);
    ASSERT_EQ(::open("/dev/null", O_RDONLY), STDIN_FILENO);
    ConsoleMessageBoxes console;
    EXPECT_EQ(console.show({"Remove the driver?", "Setaid", Icon::Question, Buttons::YesNoCancel}), Answer::Yes);
    EXPECT_EQ(console.show({"Retry?", "Setaid", Icon::Critical, Buttons::AbortRetryIgnore}), Answer::Abort);
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
}

} // namespace
} // namespace kez::ui
