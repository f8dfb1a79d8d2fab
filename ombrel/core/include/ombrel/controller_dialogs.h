#pragma once
// The modal dialogs the controller shows and reads back: the Options dialog, the close choice and the
// button properties. The program shows the real ones; tests answer from a script.
#include <cstdint>
#include <functional>
#include <memory>

class QLineEdit;

namespace kez::ombrel {

class ButtonInterface;
class PhoneForm;
class UIWrapperClass;

// What the Options dialog reports once it is hidden.
struct OptionsOutcome {
    bool bDirty = false;        // settings that take a restart were saved
    bool bLaunchWizard = false; // the user asked for the configuration wizard
    bool bCancel = false;       // left without a change (or dismissed by the controller)
};

// The close choice.
enum class CloseChoice { Cancel = 0, ShutDown = 1, Minimise = 2 };

class ControllerDialogs {
public:
    virtual ~ControllerDialogs() = default;

    // Prepares the Options dialog for `owner`, shows it modally and reads its flags. While one is already
    // showing, that one is brought to the front and nothing is reported here.
    virtual OptionsOutcome showOptions(UIWrapperClass& owner) = 0;
    // An Options dialog that shows reports no change and the exit choice, and hides.
    virtual void cancelOptions() = 0;
    // The close dialog; the minimise choice is offered only while the tray icon shows.
    virtual CloseChoice queryClose(bool trayIconShown) = 0;
    // The labelled key's caption and description, with its label box on the face (or null).
    virtual void showButtonProperties(std::shared_ptr<ButtonInterface> button, QLineEdit* labelBox) = 0;
};

// How the controller makes its phone forms: the simple one ("Type" 0) and the graphical face (1 large, 2 small).
struct PhoneFormFactory {
    std::function<std::unique_ptr<PhoneForm>()> simple;
    std::function<std::unique_ptr<PhoneForm>(std::int16_t type)> graphical;
};

} // namespace kez::ombrel
