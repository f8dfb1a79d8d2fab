#include "ombrel/testing/fake_engine.h"

#include "corvane/identifiers.h"
#include "kez/apt/apartment.h"
#include "kez/com/class_registry.h"
#include "kez/com/error_info.h"
#include "kez/vb/conversions.h"

namespace kez::ombrel::testing {
namespace {

using EventCall = std::function<void(_IEngineEvents&)>;
constexpr apt::MessageId kPostedEvent = apt::WM_USER + 1;

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const auto byte : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

std::string joined(const std::string& member, const std::vector<std::string>& arguments) {
    std::string text = member + "(";
    for (std::size_t i = 0; i < arguments.size(); ++i)
        text += (i == 0 ? "" : ", ") + arguments[i];
    return text + ")";
}

com::ServerInfo fakeServer(std::shared_ptr<FakeEngineClass::State> state) {
    return {"Corvane", corvane::kCorvaneTypeLibrary, {{"Engine", corvane::kClsidEngine, [state] {
                                                           auto engine = std::make_shared<FakeEngine>();
                                                           if (state->setUp) state->setUp(*engine);
                                                           state->last = engine;
                                                           return com::Ptr<com::Object>(engine);
                                                       }}}};
}

} // namespace

FakeEngine::FakeEngine()
    : window_("FakeEngineWindow", [this](apt::Message& message) -> apt::Result {
          if (message.id != kPostedEvent) return 0;
          events_.fire(message.payload.take<EventCall>());
          return 0;
      }) {}

std::string FakeEngine::describe(const Variant& value) {
    switch (value.type()) {
    case com::VarType::Empty: return "Empty";
    case com::VarType::I2: return vb::decimalText(*value.get<std::int16_t>());
    case com::VarType::I4: return vb::decimalText(*value.get<std::int32_t>());
    case com::VarType::Bool: return vb::decimalText(value.get<com::Bool>()->value);
    case com::VarType::Text: return "\"" + *value.get<std::string>() + "\"";
    case com::VarType::Array: return hexBytes(value.get<com::SafeArray>()->bytes());
    default: return "?";
    }
}

void FakeEngine::failOn(const std::string& member, HRESULT hr, std::string description) {
    failures_[member] = {hr, std::move(description)};
}

Variant FakeEngine::property(const std::string& name) const {
    const auto found = properties_.find(name);
    return found == properties_.end() ? Variant{} : found->second;
}

void FakeEngine::post(std::function<void(_IEngineEvents&)> event) {
    window_.post({kPostedEvent, 0, 0, apt::Payload::of(EventCall(std::move(event)))});
}

HRESULT FakeEngine::Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) {
    cookie = com::kNoCookie;
    if (eventsIid != _IEngineEvents::iid) return com::CONNECT_E_NOCONNECTION;
    return com::adviseObject(events_, sink, cookie);
}

HRESULT FakeEngine::Unadvise(const com::Guid& eventsIid, com::Cookie cookie) {
    if (eventsIid != _IEngineEvents::iid) return com::CONNECT_E_NOCONNECTION;
    return events_.unadvise(cookie);
}

HRESULT FakeEngine::call(const std::string& member, const std::vector<std::string>& arguments) {
    calls_.push_back(joined(member, arguments));
    const auto failure = failures_.find(member);
    if (failure == failures_.end()) return com::S_OK;
    return com::reportError(failure->second.hr, failure->second.description, corvane::kEngineProgId,
                            corvane::IEngine::iid);
}

HRESULT FakeEngine::play(const std::string& member, const std::vector<std::string>& arguments, std::int32_t& lStream) {
    const HRESULT hr = call(member, arguments);
    if (com::SUCCEEDED(hr)) lStream = nextStream_++;
    return hr;
}

HRESULT FakeEngine::put(const std::string& name, Variant value) {
    const HRESULT hr = call("put_" + name, {describe(value)});
    if (com::SUCCEEDED(hr)) properties_[name] = std::move(value);
    return hr;
}

HRESULT FakeEngine::get(const std::string& name, Variant& value) {
    const HRESULT hr = call("get_" + name);
    if (com::SUCCEEDED(hr)) value = property(name);
    return hr;
}

HRESULT FakeEngine::PlayTimedWaveFile(const std::string& sFileName, std::int16_t nDuration, std::int32_t lPriority,
                                      VariantBool bOverride, std::int32_t& lStream) {
    return play("PlayTimedWaveFile",
                {describe(sFileName), describe(nDuration), describe(lPriority), describe(bOverride)}, lStream);
}

HRESULT FakeEngine::PlayCycledWaveFile(const std::string& sFileName, std::int16_t nCycles, std::int32_t lPriority,
                                       VariantBool bOverride, std::int32_t& lStream) {
    return play("PlayCycledWaveFile",
                {describe(sFileName), describe(nCycles), describe(lPriority), describe(bOverride)}, lStream);
}

HRESULT FakeEngine::PlayCallProgTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority,
                                     VariantBool bOverride, std::int32_t& lStream) {
    return play("PlayCallProgTone", {describe(nTone), describe(nDuration), describe(lPriority), describe(bOverride)},
                lStream);
}

HRESULT FakeEngine::PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                              VariantBool bOverride, std::int32_t& lStream) {
    return play("PlayAlert",
                {describe(nAlert), describe(nCadence), describe(nCycles), describe(lPriority), describe(bOverride)},
                lStream);
}

HRESULT FakeEngine::TestAudio(std::int16_t nTone, std::int16_t nRecordFormat, std::int32_t lTime) {
    const HRESULT hr = call("TestAudio", {describe(nTone), describe(nRecordFormat), describe(lTime)});
    if (com::FAILED(hr) || testAudioPlaying_) return hr;
    testAudioPlaying_ = true;
    apt::Apartment::current().pumpFor(std::chrono::milliseconds(lTime));
    testAudioPlaying_ = false;
    return hr;
}

FakeEngineClass::FakeEngineClass() { com::ClassRegistry::registerInProcess(fakeServer(state_)); }

FakeEngineClass::~FakeEngineClass() { com::ClassRegistry::unregisterInProcess(fakeServer(state_)); }

} // namespace kez::ombrel::testing
