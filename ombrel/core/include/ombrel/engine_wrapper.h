#pragma once
// EngineWrapperClass: the programs' only road to the telephone engine. It creates the engine by its class
// identifier, copies the settings into it, forwards every request, and turns the engine's events into its
// own for any number of observers. Every failing member ends in the engine error box; a function then
// returns false. Runs on the user-interface thread, where the engine raises its events.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/engine.h"
#include "kez/com/connection_point.h"
#include "ombrel/phone_keys.h"

namespace kez::ombrel {

class OptionsClass;

// The wrapper's events, each delivered to every observer in registration order before the wrapper goes on.
class EngineWrapperEvents {
public:
    virtual ~EngineWrapperEvents() = default;

    virtual void AlertUpdate(std::int16_t /*nTone*/, std::int16_t /*nMode*/, std::int16_t /*nCadence*/,
                             std::int16_t /*nCycles*/) {}
    // The PC's address, mask and gateway as the engine found them.
    virtual void AutoIPComplete(com::Variant& /*ip*/, com::Variant& /*mask*/, com::Variant& /*gateway*/) {}
    virtual void CallProgressUpdate(std::int16_t /*nTone*/, std::int16_t /*nMode*/, std::int16_t /*nDuration*/) {}
    virtual void DisplayUpdate(std::int16_t /*nTODMode*/, const std::string& /*sLine1*/, const std::string& /*sLine2*/,
                               std::int16_t /*nDeviceIdleStatus*/) {}
    virtual void Error(std::int32_t /*lNumber*/, const std::string& /*sDescription*/) {}
    virtual void InitReceived() {}
    virtual void KeyControlUpdate(bool /*bProgUp*/, bool /*bFixedUp*/, bool /*bDTMFUp*/, bool /*bProgDown*/,
                                  bool /*bFixedDown*/, bool /*bDTMFDown*/) {}
    virtual void LEDUpdate(std::int16_t /*nProgram*/, std::int16_t /*nSpeaker*/, std::int16_t /*nHandsFree*/,
                           std::int16_t /*nVM*/, std::int16_t /*nFwdVM*/, const com::Variant& /*varLEDs*/) {}
    virtual void XAVDiscovered(const com::Variant& /*pvarMac*/, const com::Variant& /*pVarIP*/) {}
    // The digits to play; the engine hears DTMFPlayComplete once every observer has returned, or, when one
    // took it over with deferDTMFPlayComplete, once that one says so.
    virtual void PlayDTMFReceived(const com::Variant& /*varCodes*/) {}
    virtual void KEZSystemTime(com::Date /*dtSystem*/) {}
};

class EngineWrapperClass {
public:
    EngineWrapperClass();
    ~EngineWrapperClass();
    EngineWrapperClass(const EngineWrapperClass&) = delete;
    EngineWrapperClass& operator=(const EngineWrapperClass&) = delete;

    // Observers are not owned; each must be removed before it goes.
    void addObserver(EngineWrapperEvents& observer);
    void removeObserver(EngineWrapperEvents& observer);

    void bMute(bool muted);
    bool bSharedWave();
    com::Variant varNetworkAdapters();
    com::Variant varPlayAdapters();
    com::Variant varRecordAdapters();

    // Creates the engine and copies the settings into it; `roOptions` is kept for bStart.
    bool bInitialize(OptionsClass& roOptions);
    // Logs the settings, then starts the engine.
    bool bStart();
    // Stops the engine when bInitialize finished, then releases it.
    void Deinitialize();

    // Mute never reaches the engine; volume up and down become volume changes.
    void ButtonDown(KeyId rnButton);
    void ButtonUp(KeyId rnButton);
    void PlayDTMFTone(std::int16_t rnButton, std::int16_t rnDuration, std::int16_t rnGap, std::int32_t rlPriority,
                      bool rbOverride);
    // A DTMF tone that does not wait for its end: it sounds for rnDuration ms and is held until StopDTMFTone.
    void StartDTMFTone(std::int16_t rnButton, std::int16_t rnDuration, std::int32_t rlPriority, bool rbOverride);
    void StopDTMFTone();
    // Called inside PlayDTMFReceived by an observer that plays the digits later: the engine hears
    // DTMFPlayComplete when the returned function runs, not before. It does nothing once the wrapper is gone.
    std::function<void()> deferDTMFPlayComplete();
    void PlayCallProgTone(std::int16_t rnTone, std::int16_t rnDuration, std::int32_t rlPriority, bool rbOverride);
    void StopCallProgTone();
    void PlayAlert(std::int16_t rnAlert, std::int16_t rnCadence, std::int16_t rnCycles, std::int32_t rlPriority,
                   bool rbOverride);
    void StopAlert();
    // The wave plays do nothing for a missing file, and the timed and cycled ones while their last stream is
    // held; PlayWaveFile waits for the timed one too.
    void PlayTimedWaveFile(const std::string& rsFile, std::int16_t rnDuration, std::int32_t rlPriority,
                           bool rbOverride);
    void PlayCycledWaveFile(const std::string& rsFile, std::int16_t rnCycles, std::int32_t rlPriority, bool rbOverride);
    void PlayWaveFile(const std::string& rsFile, std::int16_t rnGap, std::int32_t rlPriority, bool rbOverride);
    void StopTimedWavePlay();
    void StopCycledWavePlay();
    // False when the engine could not capture it (the error box was shown).
    bool CaptureMixerState(const std::string& rsRegistrykey);
    void RestoreMixerState(const std::string& rsRegistrykey);
    void TestAudio(OptionsClass& roOptions, std::int16_t rnTone, std::int16_t rnFormat, std::int32_t rlTime);
    void StartMikeTest(OptionsClass& roOptions);
    void StopMikeTest();
    void StartAutoDiscover(std::int16_t rnAdapter);
    void StopAutoDiscover();
    // Asks the engine for the PC's own addresses; the out arguments are filled only when a call-server
    // address is given.
    bool bAutoConfigureIP(const com::Variant& rvarVuruvIP, com::Variant& rvarLocalIP, com::Variant& rvarSubnetMask,
                          com::Variant& rvarGateway);
    void CancelAutoIPConfig();
    void BeepSpeaker(std::int32_t rlFrequency, std::int32_t rlDuration);

    // The critical "Error" box with the number, the message, the context and the class of the error; logged.
    void DisplayEngineError(std::int32_t rlErrorNum, std::string_view rsContext, std::string_view rsErrorMessage);

private:
    friend class corvane::EngineEventsTo<EngineWrapperClass>;

    // Runs `body`; an engine failure or run-time error ends it in the error box under `context`.
    bool guard(std::string_view context, const std::function<void()>& body);
    bool member(std::string_view name, const std::function<void()>& body);
    corvane::IEngine& engine() const;
    void copyAudioSettings(const OptionsClass& options);
    void configure(const OptionsClass& options);
    void release();
    void stopStream(std::int32_t& handle);
    void raise(const std::function<void(EngineWrapperEvents&)>& event);
    void clearStreams();

    // What the engine raises, on arrival; its sink hands every event to the member named after it.
    void onInitReceived();
    void onPlayDTMFReceived(std::int16_t nID, const com::Variant& varCodes, const com::Variant& varTimes);
    void onError(std::int32_t lNumber, const std::string& sDescription);
    void onResetReceived();
    void onCallProgressUpdate(std::int16_t nTone, std::int16_t nMode, std::int16_t nDuration);
    void onAlertUpdate(std::int16_t nTone, std::int16_t nMode, std::int16_t nCadence, std::int16_t nCycles);
    void onDisplayUpdate(std::int16_t nTODMode, const std::string& sLine1, const std::string& sLine2,
                         std::int16_t nDeviceIdleStatus);
    void onKeyControlUpdate(com::VariantBool bProgUp, com::VariantBool bFixedUp, com::VariantBool bDTMFUp,
                            com::VariantBool bProgDown, com::VariantBool bFixedDown, com::VariantBool bDTMFDown);
    void onLEDUpdate(std::int16_t nProgram, std::int16_t nSpeaker, std::int16_t nHandsFree, std::int16_t nVM,
                     std::int16_t nFwdVM, const com::Variant& varLEDs);
    void onXAVDiscovered(const com::Variant& pvarMac, const com::Variant& pVarIP);
    void onAutoIPComplete();
    void onSystemDateUpdate(com::Date dtSystem);

    com::Ptr<corvane::IEngine> moJ5Engine;
    OptionsClass* options_ = nullptr;
    bool initialised_ = false;
    std::int32_t timedStream_ = 0;
    std::int32_t cycledStream_ = 0;
    std::int32_t callProgressStream_ = 0;
    std::int32_t alertStream_ = 0;
    std::int32_t dtmfStream_ = 0;
    // The play-DTMF request being raised, and whether an observer took its completion over.
    std::int16_t dtmfRequest_ = 0;
    bool dtmfCompletionDeferred_ = false;
    // Expires with the wrapper: a deferred completion that runs later then does nothing.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
    std::int16_t lastCallProgressTone_ = 0;
    std::int16_t lastCallProgressMode_ = 0;
    std::int16_t lastAlertTone_ = 0;
    std::int16_t lastAlertMode_ = 0;
    std::vector<EngineWrapperEvents*> observers_;
    // Advised on the engine, which owns it; it holds a plain reference back, since the wrapper owns the engine.
    com::Ptr<corvane::_IEngineEvents> sink_;
    com::Cookie cookie_ = com::kNoCookie;
};

} // namespace kez::ombrel
