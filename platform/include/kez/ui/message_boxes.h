#pragma once
// Message boxes: every box of the programs, Setaid and the tools goes through showMessageBox, which
// fills in the program's title, logs the box when KEZ_UI_BOX_LOG names a file, and hands it to the
// process's presenter (the console by default; the programs install a windowed one, tests a recording one).
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kez::ui {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class Answer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageBox {
    std::string text;
    std::string title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    bool operator==(const MessageBox&) const = default;
};

// What pressing Enter gives: the first button of the set.
Answer defaultAnswer(Buttons buttons);
// The answers a set of buttons offers, in button order.
std::vector<Answer> answersOf(Buttons buttons);
// Lower-case words for logs and the console: "exclamation", "yesno", "cancel".
std::string_view iconName(Icon icon);
std::string_view buttonsName(Buttons buttons);
std::string_view answerName(Answer answer);

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows the box (its title already filled in) and returns the user's answer.
    virtual Answer show(const MessageBox& box) = 0;
};

// Writes the box to standard error. A box that offers a choice asks on the terminal when standard
// input is one; otherwise (installers, services, scripts) it takes the default answer.
class ConsoleMessageBoxes : public MessageBoxes {
public:
    Answer show(const MessageBox& box) override;
};

// Keeps every box it is given and answers from a script, then with each box's default. Thread-safe.
class RecordingMessageBoxes : public MessageBoxes {
public:
    explicit RecordingMessageBoxes(std::deque<Answer> script = {}) : script_(std::move(script)) {}
    Answer show(const MessageBox& box) override;
    std::vector<MessageBox> shown() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::deque<Answer> script_;
    std::vector<MessageBox> shown_;
};

// The process's presenter; null puts the console one back. Returns the one it replaces.
std::shared_ptr<MessageBoxes> setMessageBoxes(std::shared_ptr<MessageBoxes> presenter);
// The title a box without one is given ("Ombrel", "OmbrelWizard", a tool's name).
void setProgramTitle(std::string title);
std::string programTitle();

Answer showMessageBox(std::string_view text, std::string_view title = {}, Icon icon = Icon::None,
                      Buttons buttons = Buttons::Ok);

// The line KEZ_UI_BOX_LOG gets for a box: icon, buttons, title and text separated by tabs, with
// backslash, tab, carriage return and line feed written \\ \t \r \n.
std::string boxLogLine(const MessageBox& box);

} // namespace kez::ui
