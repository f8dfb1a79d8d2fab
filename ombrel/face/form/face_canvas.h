#pragma once
// The face's client area: the background picture at (0,0), unscaled, and the picture items over it in the
// order they were added. The canvas takes every mouse event itself and reports it for the topmost visible,
// enabled item under the pointer, or for the background; a release goes to the item that took the press,
// whatever became of it meanwhile, and so does a second button pressed while the first is held. The second
// press of a double click is a press like the first. The canvas never takes the keyboard focus.
#include <QPixmap>
#include <QWidget>

#include <memory>
#include <vector>

#include "form/deferred_picture.h"
#include "form/picture_item.h"

namespace kez::ombrel {

class FaceCanvas : public QWidget {
    Q_OBJECT

public:
    explicit FaceCanvas(QWidget* parent = nullptr);

    void setBackground(const DeferredPicture& background);
    const QPixmap& background() const { return background_.pixmap(); }

    // Adds a picture on top of those already there.
    PictureItem& addPicture(face::PictureRef ref);
    const std::vector<std::unique_ptr<PictureItem>>& pictures() const { return pictures_; }
    // The topmost visible, enabled picture at `point`; null for the background.
    PictureItem* pictureAt(QPoint point) const;

signals:
    void pictureMouseDown(PictureItem* picture, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);
    void pictureMouseUp(PictureItem* picture, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);
    // The background's events carry the pointer's place on the screen: the window moves under it in a drag.
    void backgroundMouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                             QPoint global);
    void backgroundMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint global);
    void backgroundMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint global);
    void backgroundDoubleClicked();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    DeferredPicture background_;
    std::vector<std::unique_ptr<PictureItem>> pictures_;
    PictureItem* pressed_ = nullptr; // the picture that took the press the pointer still holds
    bool pressOnBackground_ = false;
};

} // namespace kez::ombrel
