#include "ombrel/bitmap_button.h"

#include <QLineEdit>

namespace kez::ombrel {

void BitmapButtonClass::Initialize(KeyId key, ButtonType type, FacePicture& up, FacePicture& down, FacePicture* ledOff,
                                   FacePicture* ledOn, std::string description, std::string userDescription,
                                   std::int16_t keyHelpTopic, std::int16_t ledHelpTopic, QLineEdit* labelBox) {
    guarded("Initialize", [&] {
        keep(key, type, std::move(description), std::move(userDescription));
        up_ = &up;
        down_ = &down;
        ledOff_ = ledOff;
        ledOn_ = ledOn;
        if (isLabelled() && labelBox) labelBox_ = labelBox;
        if (isLabelled()) {
            loadLabel();
            if (labelBox_) labelBox_->setText(QString::fromStdString(sCaption()));
        }
        RefreshButton(nullptr);
        up.setHelpTopic(keyHelpTopic);
        down.setHelpTopic(keyHelpTopic);
        if (ledOff_) {
            ledOff_->setHelpTopic(ledHelpTopic);
            if (ledOn_) ledOn_->setHelpTopic(ledHelpTopic);
        }
    });
}

void BitmapButtonClass::swap(FacePicture* from, FacePicture* to) {
    if (from) from->hide();
    if (to) {
        to->show();
        to->repaint();
    }
}

void BitmapButtonClass::ImagePushDown() {
    guarded("ButtonInterface_ImagePushDown", [&] { swap(up_, down_); });
}

void BitmapButtonClass::ImagePushUp() {
    guarded("ButtonInterface_ImagePushUp", [&] { swap(down_, up_); });
}

void BitmapButtonClass::RefreshButton(QLineEdit* labelBox) {
    guarded("ButtonInterface_RefreshButton", [&] {
        if (up_) up_->setToolTip(toolTip());
        if (!isLabelled()) return;
        if (labelBox) labelBox->setText(QString::fromStdString(sCaption()));
        storeLabel();
    });
}

void BitmapButtonClass::bEnabled(bool enabled) {
    guarded("ButtonInterface_bEnabled", [&] {
        if (up_) up_->setEnabled(enabled);
        if (down_) down_->setEnabled(enabled);
    });
}

void BitmapButtonClass::showLed(bool lit) {
    if (!ledOff_ || !ledOn_) return;
    if (lit) {
        ledOn_->show();
        ledOff_->hide();
    } else {
        ledOff_->show();
        ledOn_->hide();
    }
}

} // namespace kez::ombrel
