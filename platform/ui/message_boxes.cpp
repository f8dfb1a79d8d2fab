#include "kez/ui/message_boxes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "kez/sys/fd.h"

namespace kez::ui {
namespace {

struct Presenter {
    std::mutex mutex;
    std::shared_ptr<MessageBoxes> boxes;
    std::string title;
};

Presenter& presenter() {
    static Presenter instance;
    return instance;
}

std::shared_ptr<MessageBoxes> currentBoxes() {
    auto& state = presenter();
    std::lock_guard lock(state.mutex);
    if (!state.boxes) state.boxes = std::make_shared<ConsoleMessageBoxes>();
    return state.boxes;
}

void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
}

// One append per box, so boxes of several processes sharing the file never interleave.
void logBox(const MessageBox& box) {
    const char* file = ::secure_getenv("KEZ_UI_BOX_LOG");
    if (file == nullptr || *file == '\0') return;
    const sys::UniqueFd fd(::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
    if (fd) sys::writeAll(fd.get(), boxLogLine(box) + '\n');
}

} // namespace

Answer defaultAnswer(Buttons buttons) { return answersOf(buttons).front(); }

std::vector<Answer> answersOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok: return {Answer::Ok};
    case Buttons::OkCancel: return {Answer::Ok, Answer::Cancel};
    case Buttons::AbortRetryIgnore: return {Answer::Abort, Answer::Retry, Answer::Ignore};
    case Buttons::YesNoCancel: return {Answer::Yes, Answer::No, Answer::Cancel};
    case Buttons::YesNo: return {Answer::Yes, Answer::No};
    case Buttons::RetryCancel: return {Answer::Retry, Answer::Cancel};
    }
    return {Answer::Ok};
}

std::string_view iconName(Icon icon) {
    switch (icon) {
    case Icon::None: return "none";
    case Icon::Critical: return "critical";
    case Icon::Question: return "question";
    case Icon::Exclamation: return "exclamation";
    case Icon::Information: return "information";
    }
    return "none";
}

std::string_view buttonsName(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok: return "ok";
    case Buttons::OkCancel: return "okcancel";
    case Buttons::AbortRetryIgnore: return "abortretryignore";
    case Buttons::YesNoCancel: return "yesnocancel";
    case Buttons::YesNo: return "yesno";
    case Buttons::RetryCancel: return "retrycancel";
    }
    return "ok";
}

std::string_view answerName(Answer answer) {
    switch (answer) {
    case Answer::Ok: return "ok";
    case Answer::Cancel: return "cancel";
    case Answer::Abort: return "abort";
    case Answer::Retry: return "retry";
    case Answer::Ignore: return "ignore";
    case Answer::Yes: return "yes";
    case Answer::No: return "no";
    }
    return "ok";
}

std::string boxLogLine(const MessageBox& box) {
    std::string line;
    line.append(iconName(box.icon)).append("\t").append(buttonsName(box.buttons)).append("\t");
    appendEscaped(line, box.title);
    line += '\t';
    appendEscaped(line, box.text);
    return line;
}

std::shared_ptr<MessageBoxes> setMessageBoxes(std::shared_ptr<MessageBoxes> boxes) {
    auto& state = presenter();
    std::lock_guard lock(state.mutex);
    auto previous = std::move(state.boxes);
    state.boxes = std::move(boxes);
    return previous;
}

void setProgramTitle(std::string title) {
    auto& state = presenter();
    std::lock_guard lock(state.mutex);
    state.title = std::move(title);
}

std::string programTitle() {
    auto& state = presenter();
    std::lock_guard lock(state.mutex);
    return state.title;
}

Answer showMessageBox(std::string_view text, std::string_view title, Icon icon, Buttons buttons) {
    MessageBox box{std::string(text), title.empty() ? programTitle() : std::string(title), icon, buttons};
    logBox(box);
    return currentBoxes()->show(box);
}

} // namespace kez::ui
