#pragma once
// The label boxes of the programmable keys and their editing: the text a box had when it got the focus comes
// back on Escape; Enter, or the focus leaving, stores the box's text as its key's caption. Focus that only
// follows the window's activation or a pop-up menu is no edit's beginning or end.
#include <array>
#include <functional>
#include <string>

#include <QObject>

#include "ombrel/button_interface.h"

class QKeyEvent;
class QLineEdit;
class QWidget;

namespace kez::ombrel {

class FaceLabels : public QObject {
public:
    static constexpr int kBoxes = 18;
    // What a user may type into a box; text set by code may be longer.
    static constexpr int kTypingLimit = 15;

    struct Hooks {
        std::function<void()> editStarts; // the face's shortcuts let go of their keys
        std::function<void()> editEnds;   // the focus back to the face
        std::function<ButtonCollection*()> buttons;
    };

    FaceLabels(QWidget& canvas, Hooks hooks);

    // Null for an index outside 0 to 17.
    QLineEdit* box(int index) const;
    const std::array<QLineEdit*, kBoxes>& boxes() const { return boxes_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool boxEvent(int index, QEvent& event);
    void txtLineLabels_LostFocus(int index);
    bool txtLineLabels_KeyPress(int index, const QKeyEvent& key);

    Hooks hooks_;
    std::array<QLineEdit*, kBoxes> boxes_{};
    std::string msSavedLabel_;
};

} // namespace kez::ombrel
