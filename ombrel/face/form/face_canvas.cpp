#include "form/face_canvas.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

#include "kez/ui/plain_text.h"

namespace kez::ombrel {

FaceCanvas::FaceCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    // Clicks on keys and the background leave the focus where it is, in a label box being edited too.
    setFocusPolicy(Qt::NoFocus);
}

void FaceCanvas::setBackground(const DeferredPicture& background) {
    background_ = background;
    update();
}

PictureItem& FaceCanvas::addPicture(face::PictureRef ref) {
    pictures_.push_back(std::make_unique<PictureItem>(*this, ref));
    return *pictures_.back();
}

PictureItem* FaceCanvas::pictureAt(QPoint point) const {
    const auto found = std::find_if(pictures_.rbegin(), pictures_.rend(), [&](const auto& picture) {
        return picture->isVisible() && picture->isEnabled() && picture->rect().contains(point);
    });
    return found == pictures_.rend() ? nullptr : found->get();
}

bool FaceCanvas::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const PictureItem* picture = pictureAt(help->pos());
    if (picture == nullptr || picture->toolTip().empty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), ui::plainToolTip(QString::fromStdString(picture->toolTip())), this,
                           picture->rect());
    }
    return true;
}

void FaceCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.fillRect(rect(), palette().window());
    painter.drawPixmap(0, 0, background_.pixmap());
    for (const auto& picture : pictures_) {
        if (picture->isVisible() && picture->rect().intersects(event->rect())) {
            painter.drawPixmap(picture->pos(), picture->pixmap());
        }
    }
}

void FaceCanvas::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    // A second button pressed while one is held goes where the first one went. A press of one button alone
    // starts afresh: a pop-up or dialog opened inside an earlier press may have taken its release.
    if (event->buttons() == event->button()) {
        pressed_ = pictureAt(at);
        pressOnBackground_ = pressed_ == nullptr;
    }
    if (pressed_ != nullptr) {
        emit pictureMouseDown(pressed_, event->button(), event->modifiers(), at);
    } else {
        emit backgroundMouseDown(event->button(), event->buttons(), event->modifiers(),
                                 event->globalPosition().toPoint());
    }
}

void FaceCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (pressOnBackground_)
        emit backgroundMouseMove(event->buttons(), event->modifiers(), event->globalPosition().toPoint());
}

void FaceCanvas::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    PictureItem* picture = pressed_;
    const bool lastButton = event->buttons() == Qt::NoButton;
    if (lastButton) {
        pressed_ = nullptr;
        pressOnBackground_ = false;
    }
    if (picture != nullptr) {
        emit pictureMouseUp(picture, event->button(), event->modifiers(), at);
    } else {
        emit backgroundMouseUp(event->button(), event->modifiers(), event->globalPosition().toPoint());
    }
}

void FaceCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click: a press like any other, then the double click of the background.
    mousePressEvent(event);
    if (pressed_ == nullptr) emit backgroundDoubleClicked();
}

} // namespace kez::ombrel
