#pragma once
// A stand-in for the telephone engine: it keeps every call and property write in order, fails any member on
// request with a result code and an error text, and raises the engine's events through a real connection
// point, at once or posted to its window as the engine's workers post them. FakeEngineClass puts it in the
// in-process class table under the engine's class identifier, so the programs create it as they create the
// engine.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corvane/engine.h"
#include "kez/apt/hidden_window.h"
#include "kez/com/connection_point_container.h"

namespace kez::ombrel::testing {

using com::HRESULT;
using com::Variant;
using com::VariantBool;
using corvane::_IEngineEvents;

class FakeEngine final : public com::Implements<corvane::IEngine, com::IConnectionPointContainer> {
public:
    FakeEngine();

    // "Start()", "put_nCountry(3)", "put_varVuruvMac(00 11 22 33 44 55)", "get_nCountry()", ...: the member's
    // name and its arguments; Empty for an empty value, texts in double quotes, byte arrays in hexadecimal.
    std::vector<std::string> calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    // From now on `member` ("Start", "put_nCountry") fails with `hr`, `description` in its error object.
    void failOn(const std::string& member, HRESULT hr, std::string description);
    void clearFailures() { failures_.clear(); }
    // The value a property was last given, Empty when never.
    Variant property(const std::string& name) const;
    void setProperty(const std::string& name, Variant value) { properties_[name] = std::move(value); }
    // The number the next play returns as its stream.
    std::int32_t nextStream() const { return nextStream_; }

    // Raises an event now, on this thread.
    void fire(const std::function<void(_IEngineEvents&)>& event) { events_.fire(event); }
    // Raises it when this thread's apartment next delivers messages, as the engine's own events arrive.
    void post(std::function<void(_IEngineEvents&)> event);
    std::size_t sinks() const { return events_.count(); }

    HRESULT Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) override;
    HRESULT Unadvise(const com::Guid& eventsIid, com::Cookie cookie) override;

    HRESULT Start() override { return call("Start"); }
    HRESULT Stop() override { return call("Stop"); }
    HRESULT ButtonDown(std::int16_t nButton) override { return call("ButtonDown", {describe(nButton)}); }
    HRESULT get_varVuruvMac(Variant& value) override { return get("varVuruvMac", value); }
    HRESULT put_varVuruvMac(const Variant& value) override { return put("varVuruvMac", value); }
    HRESULT get_lBufferDelay(std::int32_t& value) override { return get("lBufferDelay", value); }
    HRESULT put_lBufferDelay(std::int32_t value) override { return put("lBufferDelay", value); }
    HRESULT DTMFPlayComplete(std::int16_t nID) override { return call("DTMFPlayComplete", {describe(nID)}); }
    HRESULT PlayTimedWaveFile(const std::string& sFileName, std::int16_t nDuration, std::int32_t lPriority,
                              VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT PlayCycledWaveFile(const std::string& sFileName, std::int16_t nCycles, std::int32_t lPriority,
                               VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT KillWaveStream(std::int32_t lStream) override { return call("KillWaveStream", {describe(lStream)}); }
    HRESULT get_varVuruvIP(Variant& value) override { return get("varVuruvIP", value); }
    HRESULT put_varVuruvIP(const Variant& value) override { return put("varVuruvIP", value); }
    HRESULT get_bForceLevel3(VariantBool& value) override { return get("bForceLevel3", value); }
    HRESULT put_bForceLevel3(VariantBool value) override { return put("bForceLevel3", value); }
    HRESULT get_varLocalIP(Variant& value) override { return get("varLocalIP", value); }
    HRESULT put_varLocalIP(const Variant& value) override { return put("varLocalIP", value); }
    HRESULT get_varSubnetMask(Variant& value) override { return get("varSubnetMask", value); }
    HRESULT put_varSubnetMask(const Variant& value) override { return put("varSubnetMask", value); }
    HRESULT get_varGatewayIP(Variant& value) override { return get("varGatewayIP", value); }
    HRESULT put_varGatewayIP(const Variant& value) override { return put("varGatewayIP", value); }
    HRESULT GetIPFromSocket() override { return call("GetIPFromSocket"); }
    HRESULT GetIPFromRegistry() override { return call("GetIPFromRegistry"); }
    HRESULT get_bMute(VariantBool& value) override { return get("bMute", value); }
    HRESULT put_bMute(VariantBool value) override { return put("bMute", value); }
    HRESULT ChangeVolume(std::int16_t nChange) override { return call("ChangeVolume", {describe(nChange)}); }
    // Delivers this thread's messages for `lTime` milliseconds, as the engine does while its test tone plays;
    // a call meanwhile returns at once. Its state is touched after the wait, as the engine's is.
    HRESULT TestAudio(std::int16_t nTone, std::int16_t nRecordFormat, std::int32_t lTime) override;
    HRESULT StartMikeTest() override { return call("StartMikeTest"); }
    HRESULT StopMikeTest() override { return call("StopMikeTest"); }
    HRESULT get_nMikeVolume(std::int16_t& value) override { return get("nMikeVolume", value); }
    HRESULT put_nMikeVolume(std::int16_t value) override { return put("nMikeVolume", value); }
    HRESULT get_nNoiseFloor(std::int16_t& value) override { return get("nNoiseFloor", value); }
    HRESULT put_nNoiseFloor(std::int16_t value) override { return put("nNoiseFloor", value); }
    HRESULT get_bSoftDevice(VariantBool& value) override { return get("bSoftDevice", value); }
    HRESULT put_bSoftDevice(VariantBool value) override { return put("bSoftDevice", value); }
    HRESULT get_varAdapters(Variant& value) override { return get("varAdapters", value); }
    HRESULT get_nAdapter(std::int16_t& value) override { return get("nAdapter", value); }
    HRESULT put_nAdapter(std::int16_t value) override { return put("nAdapter", value); }
    HRESULT get_lBufferMultiplier(std::int32_t& value) override { return get("lBufferMultiplier", value); }
    HRESULT put_lBufferMultiplier(std::int32_t value) override { return put("lBufferMultiplier", value); }
    HRESULT StartAudioSend(const Variant& varMac) override { return call("StartAudioSend", {describe(varMac)}); }
    HRESULT StopAudioSend() override { return call("StopAudioSend"); }
    HRESULT get_bJitter(VariantBool& value) override { return get("bJitter", value); }
    HRESULT put_bJitter(VariantBool value) override { return put("bJitter", value); }
    HRESULT get_nJitterFactor(std::int16_t& value) override { return get("nJitterFactor", value); }
    HRESULT put_nJitterFactor(std::int16_t value) override { return put("nJitterFactor", value); }
    HRESULT get_lJitterDelay(std::int32_t& value) override { return get("lJitterDelay", value); }
    HRESULT put_lJitterDelay(std::int32_t value) override { return put("lJitterDelay", value); }
    HRESULT StartAudioReceive(const Variant& varMac, std::int16_t nHash) override {
        return call("StartAudioReceive", {describe(varMac), describe(nHash)});
    }
    HRESULT StopAudioReceive() override { return call("StopAudioReceive"); }
    HRESULT get_nRecordAdapter(std::int16_t& value) override { return get("nRecordAdapter", value); }
    HRESULT put_nRecordAdapter(std::int16_t value) override { return put("nRecordAdapter", value); }
    HRESULT get_nPlayAdapter(std::int16_t& value) override { return get("nPlayAdapter", value); }
    HRESULT put_nPlayAdapter(std::int16_t value) override { return put("nPlayAdapter", value); }
    HRESULT get_varRecordAdapters(Variant& value) override { return get("varRecordAdapters", value); }
    HRESULT get_varPlayAdapters(Variant& value) override { return get("varPlayAdapters", value); }
    HRESULT StartAutoDiscover() override { return call("StartAutoDiscover"); }
    HRESULT StopAutoDiscover() override { return call("StopAutoDiscover"); }
    HRESULT CaptureMixerState(const std::string& key) override { return call("CaptureMixerState", {describe(key)}); }
    HRESULT RestoreMixerState(const std::string& key) override { return call("RestoreMixerState", {describe(key)}); }
    HRESULT CancelAutoIPConfig() override { return call("CancelAutoIPConfig"); }
    HRESULT BeepSpeaker(std::int32_t lFrequency, std::int32_t lDuration) override {
        return call("BeepSpeaker", {describe(lFrequency), describe(lDuration)});
    }
    HRESULT get_lBufferSamples(std::int32_t& value) override { return get("lBufferSamples", value); }
    HRESULT put_lBufferSamples(std::int32_t value) override { return put("lBufferSamples", value); }
    HRESULT PlayDTMFTone(std::int16_t nButton, std::int16_t nDuration, std::int16_t nGap, std::int32_t lPriority,
                         VariantBool bOverride) override {
        return call("PlayDTMFTone",
                    {describe(nButton), describe(nDuration), describe(nGap), describe(lPriority), describe(bOverride)});
    }
    HRESULT PlayCallProgTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority, VariantBool bOverride,
                             std::int32_t& lStream) override;
    HRESULT get_bAllMulticast(VariantBool& value) override { return get("bAllMulticast", value); }
    HRESULT put_bAllMulticast(VariantBool value) override { return put("bAllMulticast", value); }
    HRESULT PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                      VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT PlayWaveFile(const std::string& sFileName, std::int16_t nGap, std::int32_t lPriority,
                         VariantBool bOverride) override {
        return call("PlayWaveFile", {describe(sFileName), describe(nGap), describe(lPriority), describe(bOverride)});
    }
    HRESULT get_nCountry(std::int16_t& value) override { return get("nCountry", value); }
    HRESULT put_nCountry(std::int16_t value) override { return put("nCountry", value); }
    HRESULT get_bShareWave(VariantBool& value) override { return get("bShareWave", value); }
    HRESULT put_bShareWave(VariantBool value) override { return put("bShareWave", value); }
    HRESULT get_nToneStrength(std::int16_t& value) override { return get("nToneStrength", value); }
    HRESULT put_nToneStrength(std::int16_t value) override { return put("nToneStrength", value); }
    HRESULT get_nWaveShutdownDelay(std::int16_t& value) override { return get("nWaveShutdownDelay", value); }
    HRESULT put_nWaveShutdownDelay(std::int16_t value) override { return put("nWaveShutdownDelay", value); }
    HRESULT get_varSystemStateMCMAC(Variant& value) override { return get("varSystemStateMCMAC", value); }
    HRESULT put_varSystemStateMCMAC(const Variant& value) override { return put("varSystemStateMCMAC", value); }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return get("nProtocolRevision", value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return put("nProtocolRevision", value); }

    static std::string describe(const Variant& value);

private:
    // Logs the call; its failure when one was asked for.
    HRESULT call(const std::string& member, const std::vector<std::string>& arguments = {});
    HRESULT play(const std::string& member, const std::vector<std::string>& arguments, std::int32_t& lStream);
    HRESULT put(const std::string& name, Variant value);
    HRESULT put(const std::string& name, VariantBool value) { return put(name, Variant(value)); }
    HRESULT put(const std::string& name, std::int32_t value) { return put(name, Variant(value)); }
    HRESULT get(const std::string& name, Variant& value);
    template <class T>
    HRESULT get(const std::string& name, T& value) {
        Variant held;
        const HRESULT hr = get(name, held);
        if (const T* number = held.get<T>()) value = *number;
        return hr;
    }

    struct Failure {
        HRESULT hr;
        std::string description;
    };

    std::vector<std::string> calls_;
    std::map<std::string, Failure> failures_;
    std::map<std::string, Variant> properties_;
    std::int32_t nextStream_ = 1;
    bool testAudioPlaying_ = false;
    com::ConnectionPoint<_IEngineEvents> events_;
    apt::HiddenWindow window_;
};

// While it lives, creating the engine's class makes a FakeEngine.
class FakeEngineClass {
public:
    FakeEngineClass();
    ~FakeEngineClass();
    FakeEngineClass(const FakeEngineClass&) = delete;
    FakeEngineClass& operator=(const FakeEngineClass&) = delete;

    // The engine created last, while someone holds it; null before any.
    std::shared_ptr<FakeEngine> created() const { return state_->last.lock(); }
    // Runs on every engine created from now on, before its creator sees it (failures to be met at once).
    void prepare(std::function<void(FakeEngine&)> setUp) { state_->setUp = std::move(setUp); }

    struct State {
        std::weak_ptr<FakeEngine> last;
        std::function<void(FakeEngine&)> setUp;
    };

private:
    // Shared with the class factory in the class table.
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace kez::ombrel::testing
