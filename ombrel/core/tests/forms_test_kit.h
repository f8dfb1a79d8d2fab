#pragma once
// The dialogs and the simple form under test: a private world with a recording box presenter, boxes titled as
// ombrel's.
#include <QObject>

#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "kez/ui/message_boxes.h"
#include "ombrel_test_env.h"

namespace kez::ombrel::test {

class FormsWorld : public OmbrelWorld {
public:
    explicit FormsWorld(std::deque<ui::Answer> answers = {});
    ~FormsWorld();

    std::vector<ui::MessageBox> boxes() const { return boxes_->shown(); }
    void clearBoxes() { boxes_->clear(); }

private:
    std::shared_ptr<ui::RecordingMessageBoxes> boxes_;
    std::shared_ptr<ui::MessageBoxes> previous_;
};

// The named child of `parent`; fails the test when there is none.
template <class T>
T& child(const QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *found;
}

} // namespace kez::ombrel::test
