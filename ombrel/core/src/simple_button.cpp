#include "ombrel/simple_button.h"

#include <QCheckBox>
#include <QPushButton>

#include "kez/ui/plain_text.h"

namespace kez::ombrel {

void SimpleButtonClass::Initialize(KeyId key, ButtonType type, QPushButton& button, QCheckBox* led, std::string caption,
                                   std::string description, std::string userDescription, std::int16_t keyHelpTopic,
                                   std::int16_t ledHelpTopic) {
    guarded("Initialize", [&] {
        keep(key, type, std::move(description), std::move(userDescription));
        sCaption(std::move(caption));
        button_ = &button;
        led_ = led;
        if (led_) {
            // The LED shows the engine's state; a click must not change it, even for a moment.
            led_->setAttribute(Qt::WA_TransparentForMouseEvents);
            led_->setFocusPolicy(Qt::NoFocus);
        }
        if (isLabelled()) loadLabel();
        RefreshButton(nullptr);
        button.setProperty(kHelpTopicProperty, keyHelpTopic);
        if (led_) led_->setProperty(kHelpTopicProperty, ledHelpTopic);
    });
}

void SimpleButtonClass::RefreshButton(QLineEdit*) {
    guarded("ButtonInterface_RefreshButton", [&] {
        if (button_) {
            button_->setText(QString::fromStdString(sCaption()));
            button_->setToolTip(ui::plainToolTip(QString::fromStdString(toolTip())));
        }
        if (isLabelled()) storeLabel();
    });
}

void SimpleButtonClass::bEnabled(bool enabled) {
    if (button_) button_->setEnabled(enabled);
}

void SimpleButtonClass::showLed(bool lit) {
    if (led_) led_->setChecked(lit);
}

} // namespace kez::ombrel
