#pragma once
// The drag of the face's window by its background with the left button, and the tray menu the right button
// pops up there. Any of Shift, Ctrl and Alt held makes a press or move no drag.
#include <functional>

#include <QPoint>

class QWidget;

namespace kez::ombrel {

class FaceDrag {
public:
    // `popUpMenu` shows the tray's menu.
    FaceDrag(QWidget& window, std::function<void()> popUpMenu);

    void Form_MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint global);
    void Form_MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint global);
    void Form_MouseUp() { mbDragging_ = false; }

private:
    QWidget& window_;
    std::function<void()> popUpMenu_;
    // Where the pointer and the window were at the press.
    bool mbDragging_ = false;
    QPoint dragPointerStart_;
    QPoint dragWindowStart_;
};

} // namespace kez::ombrel
