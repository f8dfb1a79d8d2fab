#include "engine_sinks.h"

#include "call/call_audio.h"
#include "control/control_handlers.h"
#include "linkor/end_point.h"
#include "sonwell/wave_play.h"
#include "sonwell/wave_record.h"

namespace kez::corvane {
namespace {

using com::HRESULT;
using com::Variant;
using Message = com::Ptr<com::Object>;

class EndPointSink final : public com::Implements<linkor::_IEndPointEvents> {
public:
    EndPointSink(ControlHandlers& control, CallAudio& call) : control_(control), call_(call) {}

    HRESULT SystemStateReceived(const Message& m) override {
        control_.systemStateReceived(m);
        return com::S_OK;
    }
    HRESULT KzSetInitReceived(const Message& m) override {
        control_.setInitReceived(m);
        return com::S_OK;
    }
    HRESULT KzSetUIStateControlReceived(const Message& m) override {
        control_.uiStateReceived(m);
        return com::S_OK;
    }
    HRESULT LEDMappingReceived(const Message& m) override {
        control_.ledMappingReceived(m);
        return com::S_OK;
    }
    HRESULT PlayDTMFMsgReceived(const Message& m) override {
        control_.playDtmfReceived(m);
        return com::S_OK;
    }
    HRESULT SlaveCommandReceived(const Message& m) override {
        control_.commandReceived(m);
        return com::S_OK;
    }
    HRESULT KzSetCallStateControlReceived(const Message& m) override {
        call_.callStateReceived(m);
        return com::S_OK;
    }
    HRESULT SlavePageCmdReceived(const Message& m) override {
        call_.pageReceived(m);
        return com::S_OK;
    }
    HRESULT AudioReceived(const Message& m) override {
        call_.audioReceived(m, false);
        return com::S_OK;
    }
    HRESULT ReliableAudioReceived(const Message& m) override {
        call_.audioReceived(m, true);
        return com::S_OK;
    }

private:
    ControlHandlers& control_;
    CallAudio& call_;
};

class WavePlaySink final : public com::Implements<sonwell::_IWavePlayEvents> {
public:
    explicit WavePlaySink(CallAudio& call) : call_(call) {}
    HRESULT PlayComplete(std::int32_t lStream) override {
        call_.playComplete(lStream);
        return com::S_OK;
    }

private:
    CallAudio& call_;
};

class WaveRecordSink final : public com::Implements<sonwell::_IWaveRecordEvents> {
public:
    explicit WaveRecordSink(CallAudio& call) : call_(call) {}
    HRESULT DataReady(const Variant& data) override {
        call_.recorded(data, false);
        return com::S_OK;
    }
    HRESULT SilenceDetected(const Variant& data) override {
        call_.recorded(data, true);
        return com::S_OK;
    }

private:
    CallAudio& call_;
};

} // namespace

com::Ptr<com::Object> makeEndPointSink(ControlHandlers& control, CallAudio& call) {
    return std::make_shared<EndPointSink>(control, call);
}
com::Ptr<com::Object> makeWavePlaySink(CallAudio& call) { return std::make_shared<WavePlaySink>(call); }
com::Ptr<com::Object> makeWaveRecordSink(CallAudio& call) { return std::make_shared<WaveRecordSink>(call); }

} // namespace kez::corvane
