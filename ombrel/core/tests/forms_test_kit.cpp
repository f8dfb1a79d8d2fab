#include "forms_test_kit.h"

#include "ombrel/titles.h"

namespace kez::ombrel::test {

FormsWorld::FormsWorld(std::deque<ui::Answer> answers)
    : boxes_(std::make_shared<ui::RecordingMessageBoxes>(std::move(answers))), previous_(ui::setMessageBoxes(boxes_)) {
    ui::setProgramTitle(std::string(kOmbrelTitle));
}

FormsWorld::~FormsWorld() { ui::setMessageBoxes(previous_); }

} // namespace kez::ombrel::test
