#pragma once
// A key of the simple phone form: a push button, and for a key with an LED a check box that the user cannot
// tick (only the LED state does).
#include <cstdint>
#include <string>

#include <QPointer>

#include "ombrel/button_base.h"

class QCheckBox;
class QPushButton;

namespace kez::ombrel {

// The dynamic property that carries a control's context-help topic number.
inline constexpr char kHelpTopicProperty[] = "helpTopicId";

class SimpleButtonClass final : public ButtonBase {
public:
    SimpleButtonClass() : ButtonBase("SimpleButtonClass") {}

    // A labelled key takes its caption from the stored label, not from `caption`: empty when none is stored.
    void Initialize(KeyId key, ButtonType type, QPushButton& button, QCheckBox* led, std::string caption,
                    std::string description, std::string userDescription, std::int16_t keyHelpTopic,
                    std::int16_t ledHelpTopic);

    void ImagePushDown() override {}
    void ImagePushUp() override {}
    // The label box is not used: the simple form has none.
    void RefreshButton(QLineEdit* labelBox) override;
    void bEnabled(bool enabled) override;

private:
    void showLed(bool lit) override;

    QPointer<QPushButton> button_;
    QPointer<QCheckBox> led_;
};

} // namespace kez::ombrel
