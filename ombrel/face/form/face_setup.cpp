// The face's set-up at load: the screen density, the window's size, the label boxes and display lines, the
// background and the 131 pictures from the face's folder, and the place of every control.
#include <QLabel>
#include <QLineEdit>

#include <cmath>

#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "form/picture_files.h"
#include "form/procedure_errors.h"
#include "layout/bitmap_files.h"
#include "layout/positions.h"
#include "layout/window_tables.h"

namespace kez::ombrel {

namespace {

using face::Control;
using face::FaceSize;

QRect qrect(const face::Rect& r) { return {r.x, r.y, r.width, r.height}; }

// The original's frame, caption and menu bar around its client area, in pixels.
constexpr QSize kFrameAndMenus{8, 46};

} // namespace

void KzSetPhoneForm::mDetermineSystemFontSize() {
    runReported("mDetermineSystemFontSize",
                [this] { mnSystemFontSize_ = face::isLargeFontsDensity(logicalDpiX()) ? 0 : 1; });
}

void KzSetPhoneForm::mLoadAndPositionControls() {
    runReported("mLoadAndPositionControls", [this] {
        canvas_->setBackground(loadPicture(faceFile(backgroundImage_)));
        mTextboxSetup();
        mLabelSetup();
        mLoadControlBitmaps();
        mPositionControls(size_);
    });
}

void KzSetPhoneForm::applyWindowSize(face::Size twips) {
    const int dpi = logicalDpiX();
    const auto pixels = [dpi](int value) { return static_cast<int>(std::lround(value * dpi / 1440.0)); };
    const QSize outer(pixels(twips.width), pixels(twips.height));
    canvas_->setFixedSize(outer - kFrameAndMenus);
}

void KzSetPhoneForm::mTextboxSetup() {
    runReported("mTextboxSetup", [this] {
        const int dpi = logicalDpiX();
        applyWindowSize(face::windowTwips(size_, dpi));
        const face::Size box = face::labelBoxSize(size_, dpi);
        for (QLineEdit* label : labels_->boxes())
            label->setFixedSize(box.width, box.height);
    });
}

void KzSetPhoneForm::mLabelSetup() {
    runReported("mLabelSetup", [this] {
        const face::DisplayLines lines = face::displayLines(size_, logicalDpiX());
        lblDisplay1_->setGeometry(qrect(lines.line1));
        lblDisplay2_->setGeometry(qrect(lines.line2));
        if (!lines.font) return;
        QFont font(QString::fromUtf8(lines.font->family.data(), static_cast<int>(lines.font->family.size())));
        font.setBold(true);
        font.setPointSize(lines.font->points);
        lblDisplay1_->setFont(font);
        lblDisplay2_->setFont(font);
    });
}

void KzSetPhoneForm::mLoadControlBitmaps() {
    runReported("mLoadControlBitmaps", [this] {
        for (const auto& load : face::pictureLoads())
            picture(load.picture)->setPixmap(loadPicture(faceFile(load.file)));
    });
}

void KzSetPhoneForm::mPositionControls(FaceSize size) {
    runReported(size == FaceSize::Large ? "mPositionLargeControls" : "mPositionSmallControls", [&] {
        for (const auto& placed : face::placedControls(size)) {
            const QPoint at(placed.at.x, placed.at.y);
            if (placed.control == Control::LineLabels) {
                labels_->boxes().at(static_cast<std::size_t>(placed.index))->move(at);
            } else if (placed.control == Control::DummyTextbox) {
                txtDummyTextbox_->move(at);
            } else {
                for (face::Side side : {face::Side::Up, face::Side::Down}) {
                    if (PictureItem* item = picture({placed.control, side, placed.index})) item->move(at);
                }
            }
        }
    });
}

} // namespace kez::ombrel
