#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "kez/ui/message_boxes.h"

namespace kez::ui {
namespace {

// The answer whose name starts with the letter typed (y, n, o, c, a, r, i), if the box offers it.
std::optional<Answer> answerForLetter(const std::vector<Answer>& offered, char letter) {
    for (const Answer answer : offered) {
        if (answerName(answer).front() == std::tolower(static_cast<unsigned char>(letter))) return answer;
    }
    return std::nullopt;
}

} // namespace

Answer ConsoleMessageBoxes::show(const MessageBox& box) {
    std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    const auto offered = answersOf(box.buttons);
    if (offered.size() == 1 || ::isatty(STDIN_FILENO) == 0) return offered.front();
    for (;;) {
        std::string choices;
        for (const Answer answer : offered)
            choices.append(choices.empty() ? "" : "/").append(answerName(answer));
        std::fprintf(stderr, "[%s] ", choices.c_str());
        std::string reply;
        if (!std::getline(std::cin, reply)) return offered.front();
        if (reply.empty()) return offered.front();
        if (const auto answer = answerForLetter(offered, reply.front())) return *answer;
    }
}

Answer RecordingMessageBoxes::show(const MessageBox& box) {
    std::lock_guard lock(mutex_);
    shown_.push_back(box);
    if (script_.empty()) return defaultAnswer(box.buttons);
    const Answer answer = script_.front();
    script_.pop_front();
    return answer;
}

std::vector<MessageBox> RecordingMessageBoxes::shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

void RecordingMessageBoxes::clear() {
    std::lock_guard lock(mutex_);
    shown_.clear();
}

} // namespace kez::ui
