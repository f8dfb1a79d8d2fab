#pragma once
// The Engine class: IEngine, its events through IConnectionPointContainer, the engine window,
// the endpoint and wave objects it creates, and its worker threads. It keeps the properties
// and forwards the work to its cores (control, call, local audio, IP configuration), whose
// services it supplies.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "call/call_audio.h"
#include "control/control_handlers.h"
#include "corvane/engine.h"
#include "engine_window.h"
#include "ipconfig/ip_config.h"
#include "kez/com/connection_point_container.h"
#include "linkor/end_point.h"
#include "local_audio/local_audio.h"
#include "shared/engine_state.h"
#include "shared/wave_objects.h"
#include "shared/worker.h"

namespace kez::corvane {

class Engine final : public com::Implements<IEngine, com::IConnectionPointContainer>,
                     private EngineWindowOwner,
                     private CallServices,
                     private LocalAudioServices,
                     private IpConfigServices {
public:
    Engine();
    // Stops first, then drops (and frees) whatever is still posted to the window.
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    bool created() const { return window_.created(); }

    HRESULT Start() override;
    HRESULT Stop() override;
    HRESULT ButtonDown(std::int16_t nButton) override;
    HRESULT get_varVuruvMac(Variant& value) override;
    HRESULT put_varVuruvMac(const Variant& value) override;
    HRESULT get_lBufferDelay(std::int32_t& value) override;
    HRESULT put_lBufferDelay(std::int32_t value) override;
    HRESULT DTMFPlayComplete(std::int16_t nID) override;
    HRESULT PlayTimedWaveFile(const std::string& sFileName, std::int16_t nDuration, std::int32_t lPriority,
                              VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT PlayCycledWaveFile(const std::string& sFileName, std::int16_t nCycles, std::int32_t lPriority,
                               VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT KillWaveStream(std::int32_t lStream) override;
    HRESULT get_varVuruvIP(Variant& value) override;
    HRESULT put_varVuruvIP(const Variant& value) override;
    HRESULT get_bForceLevel3(VariantBool& value) override;
    HRESULT put_bForceLevel3(VariantBool value) override;
    HRESULT get_varLocalIP(Variant& value) override;
    HRESULT put_varLocalIP(const Variant& value) override;
    HRESULT get_varSubnetMask(Variant& value) override;
    HRESULT put_varSubnetMask(const Variant& value) override;
    HRESULT get_varGatewayIP(Variant& value) override;
    HRESULT put_varGatewayIP(const Variant& value) override;
    HRESULT GetIPFromSocket() override;
    HRESULT GetIPFromRegistry() override;
    HRESULT get_bMute(VariantBool& value) override;
    HRESULT put_bMute(VariantBool value) override;
    HRESULT ChangeVolume(std::int16_t nChange) override;
    HRESULT TestAudio(std::int16_t nTone, std::int16_t nRecordFormat, std::int32_t lTime) override;
    HRESULT StartMikeTest() override;
    HRESULT StopMikeTest() override;
    HRESULT get_nMikeVolume(std::int16_t& value) override;
    HRESULT put_nMikeVolume(std::int16_t value) override;
    HRESULT get_nNoiseFloor(std::int16_t& value) override;
    HRESULT put_nNoiseFloor(std::int16_t value) override;
    HRESULT get_bSoftDevice(VariantBool& value) override;
    HRESULT put_bSoftDevice(VariantBool value) override;
    HRESULT get_varAdapters(Variant& value) override;
    HRESULT get_nAdapter(std::int16_t& value) override;
    HRESULT put_nAdapter(std::int16_t value) override;
    HRESULT get_lBufferMultiplier(std::int32_t& value) override;
    HRESULT put_lBufferMultiplier(std::int32_t value) override;
    HRESULT StartAudioSend(const Variant& varMac) override;
    HRESULT StopAudioSend() override;
    HRESULT get_bJitter(VariantBool& value) override;
    HRESULT put_bJitter(VariantBool value) override;
    HRESULT get_nJitterFactor(std::int16_t& value) override;
    HRESULT put_nJitterFactor(std::int16_t value) override;
    HRESULT get_lJitterDelay(std::int32_t& value) override;
    HRESULT put_lJitterDelay(std::int32_t value) override;
    HRESULT StartAudioReceive(const Variant& varMac, std::int16_t nHash) override;
    HRESULT StopAudioReceive() override;
    HRESULT get_nRecordAdapter(std::int16_t& value) override;
    HRESULT put_nRecordAdapter(std::int16_t value) override;
    HRESULT get_nPlayAdapter(std::int16_t& value) override;
    HRESULT put_nPlayAdapter(std::int16_t value) override;
    HRESULT get_varRecordAdapters(Variant& value) override;
    HRESULT get_varPlayAdapters(Variant& value) override;
    HRESULT StartAutoDiscover() override;
    HRESULT StopAutoDiscover() override;
    HRESULT CaptureMixerState(const std::string& sRegistryKey) override;
    HRESULT RestoreMixerState(const std::string& sRegistryKey) override;
    HRESULT CancelAutoIPConfig() override;
    HRESULT BeepSpeaker(std::int32_t lFrequency, std::int32_t lDuration) override;
    HRESULT get_lBufferSamples(std::int32_t& value) override;
    HRESULT put_lBufferSamples(std::int32_t value) override;
    HRESULT PlayDTMFTone(std::int16_t nButton, std::int16_t nDuration, std::int16_t nGap, std::int32_t lPriority,
                         VariantBool bOverride) override;
    HRESULT PlayCallProgTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority, VariantBool bOverride,
                             std::int32_t& lStream) override;
    HRESULT get_bAllMulticast(VariantBool& value) override;
    HRESULT put_bAllMulticast(VariantBool value) override;
    HRESULT PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                      VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT PlayWaveFile(const std::string& sFileName, std::int16_t nGap, std::int32_t lPriority,
                         VariantBool bOverride) override;
    HRESULT get_nCountry(std::int16_t& value) override;
    HRESULT put_nCountry(std::int16_t value) override;
    HRESULT get_bShareWave(VariantBool& value) override;
    HRESULT put_bShareWave(VariantBool value) override;
    HRESULT get_nToneStrength(std::int16_t& value) override;
    HRESULT put_nToneStrength(std::int16_t value) override;
    HRESULT get_nWaveShutdownDelay(std::int16_t& value) override;
    HRESULT put_nWaveShutdownDelay(std::int16_t value) override;
    HRESULT get_varSystemStateMCMAC(Variant& value) override;
    HRESULT put_varSystemStateMCMAC(const Variant& value) override;
    HRESULT get_nProtocolRevision(std::int16_t& value) override;
    HRESULT put_nProtocolRevision(std::int16_t value) override;

    HRESULT Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) override;
    HRESULT Unadvise(const com::Guid& eventsIid, com::Cookie cookie) override;
    HRESULT supportsErrorInfo(const com::Guid& interfaceId) const override;

private:
    enum class Run { Stopped, Partial, Running };

    // Properties only the creating thread uses.
    struct Settings {
        WaveSettings wave;
        std::int16_t adapter = -1;
        std::int32_t jitterDelay = 50, bufferSamples = 192;
        VariantBool allMulticast = com::VARIANT_FALSE, shareWave = com::VARIANT_FALSE;
        std::int16_t waveShutdownDelay = 5;
        Variant systemStateMcMac;
    };

    // EngineWindowOwner
    com::Date systemDate() const override;
    void waveIdleTick() override;
    void flowControlTick() override;

    // Start's steps.
    HRESULT startAudio();
    HRESULT startEndPoint();
    HRESULT startWorker(Worker& worker, sys::Event::Reset mode, const char* name, const char* eventText,
                        const char* threadText, std::function<void(sys::Event&)> body);
    HRESULT openEndPoint();

    // The worker threads the engine's own work runs on.
    void statusLoop(sys::Event& wake);
    void waveIdleLoop(sys::Event& wake);
    void sendStatus();

    // ControlServices
    bool allMulticast() const override;
    HRESULT setAllMulticast(bool on) override;
    HRESULT joinGroup(GroupKind kind, const Variant& address) override;
    HRESULT leaveGroup(GroupKind kind, const Variant& address) override;
    HRESULT setChannelParameters(const Variant& callServerMac) override;
    HRESULT sendReportIpInfo() override;
    HRESULT sendToCallServer(const com::Ptr<com::Object>& message) override;
    bool sharedWave() const override;
    HRESULT openPlayDevice() override;
    HRESULT openRecordDevice() override;
    bool waveDevicesOpen() const override;
    void setStatusPeriod(std::int64_t milliseconds) override;
    void wakeStatus() override;
    void post(apt::Message message) override;
    void postError(HRESULT hr, std::string text) override;
    void postCalleeError(HRESULT hr, const com::Guid& iid) override;
    bool pageActive() const override;
    void endPage() override;
    com::Ptr<com::Object> keptCallState() const override;

    // CallServices
    com::Ptr<sonwell::IWavePlay> playObject() const override;
    com::Ptr<sonwell::IWaveRecord> recordObject() const override;
    com::Ptr<linkor::IEndPoint> endPoint() const override;
    std::int16_t keptAlertMode() const override;
    bool discovering() const override;
    bool loopToSpeaker(const Variant& data, bool silence, std::uint16_t framesCollected) override;
    HRESULT openDiagnosticEndPoint(bool events) override;
    HRESULT closeEndPoint() override;
    void closePlayDevice() override;
    void closeRecordDevice() override;

    // LocalAudioServices (and IpConfigServices: post and postError above)
    HRESULT openWaveDevices(bool autoSetupMixer) override;
    void closeWaveDevices() override;

    HRESULT sendControlEvent(KzSetEventId id, std::int16_t info1);
    HRESULT notStarted() const;

    Settings settings_;
    EngineState state_;
    ControlHandlers control_{state_, *this};
    CallAudio call_{state_, *this};
    EngineEvents events_;
    const Variant defaultDestinationMac_;
    com::Ptr<linkor::IEndPoint> endPoint_;
    const com::Ptr<com::Object> endPointSink_;
    com::Cookie endPointCookie_ = com::kNoCookie;
    WaveObjects waves_;
    LocalAudio localAudio_{waves_, *this};
    Worker status_, flowControl_, bindingCheck_, layer3_, waveIdle_;
    std::atomic<bool> statusRunning_{false};
    std::atomic<std::int64_t> statusPeriodMs_{0};
    Run run_ = Run::Stopped;
    EngineWindow window_;
    const apt::WindowHandle windowHandle_;
    // Last, so that its probe's thread ends before anything it uses goes.
    IpConfig ipConfig_{state_, *this};
};

// A new engine on the calling thread, or null when its window could not be made.
com::Ptr<com::Object> makeEngine();

} // namespace kez::corvane
