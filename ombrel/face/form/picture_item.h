#pragma once
// One picture of the face: a key at rest or pressed, an LED unlit or lit, or the logo. It is not a widget
// but an item the canvas draws and hit-tests, so hiding it inside its own mouse press loses no release and a
// disabled key looks exactly like an enabled one.
#include <QPixmap>

#include "form/deferred_picture.h"
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "layout/face_types.h"
#include "ombrel/face_picture.h"

namespace kez::ombrel {

class FaceCanvas;

class PictureItem : public FacePicture {
public:
    PictureItem(FaceCanvas& canvas, face::PictureRef ref) : canvas_(canvas), ref_(ref) {}
    PictureItem(const PictureItem&) = delete;
    PictureItem& operator=(const PictureItem&) = delete;

    face::PictureRef ref() const { return ref_; }

    // The picture takes the pixel size of its bitmap; it is never stretched.
    void setPixmap(const DeferredPicture& pixmap);
    const QPixmap& pixmap() const { return pixmap_.pixmap(); }
    void move(QPoint topLeft);
    QPoint pos() const { return pos_; }
    QRect rect() const { return {pos_, pixmap_.size()}; }

    void setVisible(bool visible);
    void show() override { setVisible(true); }
    void hide() override { setVisible(false); }
    bool isVisible() const { return visible_; }
    // A disabled picture is drawn as it is but takes no mouse input: the press goes to the background.
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const { return enabled_; }
    void repaint() override;

    // The key a key at rest or an unlit LED stands for.
    void setKey(KeyId key) { key_ = key; }
    std::optional<KeyId> key() const { return key_; }
    void setToolTip(std::string_view text) override { toolTip_ = text; }
    const std::string& toolTip() const { return toolTip_; }
    // Carried for a context help of our own; nothing opens a topic by number.
    void setHelpTopic(std::int16_t topic) override { helpTopic_ = topic; }
    std::int16_t helpTopic() const { return helpTopic_; }

private:
    void update(const QRect& area);

    FaceCanvas& canvas_;
    face::PictureRef ref_;
    DeferredPicture pixmap_;
    QPoint pos_;
    bool visible_ = true;
    bool enabled_ = true;
    std::optional<KeyId> key_;
    std::string toolTip_;
    std::int16_t helpTopic_ = 0;
};

} // namespace kez::ombrel
