#pragma once
// What the controller and the dialogs see of one key of the set and its LED. Both phone forms make one
// object per key; the controller's collections own them. Setting a property changes nothing on screen
// until RefreshButton or RefreshLEDForStep.
#include <cstdint>
#include <memory>
#include <string>

#include "ombrel/keyed_collection.h"
#include "ombrel/phone_keys.h"

class QLineEdit;

namespace kez::ombrel {

class ButtonInterface {
public:
    virtual ~ButtonInterface() = default;

    // Show the key pressed or released (bitmap keys swap their pictures).
    virtual void ImagePushDown() = 0;
    virtual void ImagePushUp() = 0;
    // Show caption and tool tip again; a labelled key also stores its label and user description. A label
    // box (the graphical form's, else null) gets the caption.
    virtual void RefreshButton(QLineEdit* labelBox) = 0;
    // Show the LED lit or dark for this blink step.
    virtual void RefreshLEDForStep(std::int16_t step) = 0;

    virtual bool bButtonPressed() const = 0;
    virtual void bButtonPressed(bool pressed) = 0;
    virtual void bEnabled(bool enabled) = 0;
    // Whether the user may edit the key's label.
    virtual bool bSupportLabels() const = 0;
    virtual LEDState eLEDState() const = 0;
    virtual void eLEDState(LEDState state) = 0;
    virtual ButtonType eButtonType() const = 0;
    virtual void eButtonType(ButtonType type) = 0;
    virtual KeyId nKeyId() const = 0;
    virtual void nKeyId(KeyId key) = 0;
    virtual std::string sCaption() const = 0;
    virtual void sCaption(std::string caption) = 0;
    // The built-in description.
    virtual std::string sDescription() const = 0;
    virtual void sDescription(std::string description) = 0;
    // One log line: "22 - Speaker button".
    virtual std::string sDump() const = 0;
    // The user's own description; when not empty it is the tool tip instead of the built-in one.
    virtual std::string sUserDescription() const = 0;
    virtual void sUserDescription(std::string description) = 0;
};

// The controller's two collections, keyed by key tag; the LEDs collection holds the very objects of the
// buttons collection that have an LED.
using ButtonCollection = KeyedCollection<std::shared_ptr<ButtonInterface>>;

} // namespace kez::ombrel
