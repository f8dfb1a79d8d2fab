#pragma once
// What the wizard's pages ask of the window that holds them: the settings being edited and the engine, the
// two dialogs that outlive a page, the audio tests, and the Finish button, which the address checks enable.
#include <cstdint>

namespace kez::ombrel {
class EngineWrapperClass;
class OptionsClass;
} // namespace kez::ombrel

namespace kez::wizard {

class AudioBufferForm;
class OverrideIPSettingsForm;

class WizardPageHost {
public:
    virtual ombrel::OptionsClass* oOptions() const = 0;
    virtual ombrel::EngineWrapperClass& engine() const = 0;
    virtual AudioBufferForm& audioBufferForm() const = 0;
    virtual OverrideIPSettingsForm& overrideIPSettingsForm() const = 0;
    // True while an audio test plays: every button that calls the engine then does nothing.
    virtual bool busy() const = 0;
    // True while the settings are put on the pages: a check box set then explains nothing.
    virtual bool refreshing() const = 0;
    virtual void AudioDriverTest(std::int16_t rnTone, std::int16_t rnAudioFormat) = 0;
    virtual void StopMikeTest() = 0;
    virtual void enableFinish(bool enabled) = 0;

protected:
    ~WizardPageHost() = default;
};

} // namespace kez::wizard
