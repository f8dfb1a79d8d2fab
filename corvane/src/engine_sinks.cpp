#include "engine_sinks.h"

#include "engine_object.h"
#include "sonwell/wave_play.h"
#include "sonwell/wave_record.h"

namespace kez::corvane {
namespace {

class EndPointSink final : public linkor::EndPointEventsByNumber {
public:
    explicit EndPointSink(Engine& engine) : engine_(engine) {}
    HRESULT Invoke(com::DispId id, const com::Ptr<com::Object>& message) override {
        engine_.onEndPointEvent(id, message);
        return com::S_OK;
    }

private:
    Engine& engine_;
};

class WavePlaySink final : public com::Implements<sonwell::_IWavePlayEvents> {
public:
    explicit WavePlaySink(Engine& engine) : engine_(engine) {}
    HRESULT PlayComplete(std::int32_t lStream) override {
        engine_.onPlayComplete(lStream);
        return com::S_OK;
    }

private:
    Engine& engine_;
};

class WaveRecordSink final : public com::Implements<sonwell::_IWaveRecordEvents> {
public:
    explicit WaveRecordSink(Engine& engine) : engine_(engine) {}
    HRESULT DataReady(const Variant& data) override {
        engine_.onRecorded(data, false);
        return com::S_OK;
    }
    HRESULT SilenceDetected(const Variant& data) override {
        engine_.onRecorded(data, true);
        return com::S_OK;
    }

private:
    Engine& engine_;
};

} // namespace

com::Ptr<com::Object> makeEndPointSink(Engine& engine) { return std::make_shared<EndPointSink>(engine); }
com::Ptr<com::Object> makeWavePlaySink(Engine& engine) { return std::make_shared<WavePlaySink>(engine); }
com::Ptr<com::Object> makeWaveRecordSink(Engine& engine) { return std::make_shared<WaveRecordSink>(engine); }

} // namespace kez::corvane
