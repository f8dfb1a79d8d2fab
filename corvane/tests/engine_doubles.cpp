#include "engine_doubles.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "kez/com/array_routines.h"
#include "kez/com/class_registry.h"
#include "kez/com/date.h"
#include "kez/com/error_info.h"
#include "linkor/identifiers.h"
#include "linkor/jip_message.h"
#include "linkor/server.h"
#include "sonwell/identifiers.h"
#include "wave_doubles.h"

namespace kez::corvane::test {

com::HRESULT CallLog::record(const std::string& call, const std::string& arguments) {
    std::lock_guard hold(lock_);
    calls_.push_back(arguments.empty() ? call : call + " " + arguments);
    ticks_.push_back(sys::tickMs());
    const auto failure = failures_.find(call);
    if (failure == failures_.end()) return com::S_OK;
    return com::reportError(failure->second, call + " failed", "Test.Double", com::Object::iid);
}

void CallLog::failOn(const std::string& call, com::HRESULT hr) {
    std::lock_guard hold(lock_);
    failures_[call] = hr;
}

void CallLog::clearFailures() {
    std::lock_guard hold(lock_);
    failures_.clear();
}

std::vector<std::string> CallLog::calls() const {
    std::lock_guard hold(lock_);
    return calls_;
}

std::vector<std::string> CallLog::callsStartingWith(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const auto& entry : calls())
        if (entry.rfind(prefix, 0) == 0) matching.push_back(entry);
    return matching;
}

std::vector<sys::Tick> CallLog::ticks() const {
    std::lock_guard hold(lock_);
    return ticks_;
}

void CallLog::clear() {
    std::lock_guard hold(lock_);
    calls_.clear();
    ticks_.clear();
}

Doubles::Doubles(bool realEndPoint) {
    auto refused = [this](const std::string& name) {
        return std::find(refuse.begin(), refuse.end(), name) != refuse.end();
    };
    linkorDoubles_ = {"Linkor", linkor::kLinkorTypeLibrary, {}};
    linkorDoubles_.classes.push_back({"EndPoint", linkor::kClsidEndPoint, [this, refused]() -> com::Ptr<com::Object> {
                                          if (refused("EndPoint")) return nullptr;
                                          auto made = std::make_shared<FakeEndPoint>(*this);
                                          std::lock_guard hold(lock_);
                                          endPoint_ = made;
                                          return made;
                                      }});
    sonwellDoubles_ = {"Sonwell", sonwell::kSonwellTypeLibrary, {}};
    sonwellDoubles_.classes.push_back({"WavePlay", sonwell::kClsidWavePlay, [this, refused]() -> com::Ptr<com::Object> {
                                           if (refused("WavePlay")) return nullptr;
                                           std::lock_guard hold(lock_);
                                           return wavePlay_ = std::make_shared<FakeWavePlay>(log);
                                       }});
    sonwellDoubles_.classes.push_back(
        {"WaveRecord", sonwell::kClsidWaveRecord, [this, refused]() -> com::Ptr<com::Object> {
             if (refused("WaveRecord")) return nullptr;
             std::lock_guard hold(lock_);
             return waveRecord_ = std::make_shared<FakeWaveRecord>(log);
         }});
    com::ClassRegistry::registerInProcess(linkor::server());
    if (realEndPoint) linkorDoubles_.classes.clear();
    com::ClassRegistry::registerInProcess(linkorDoubles_);
    com::ClassRegistry::registerInProcess(sonwellDoubles_);
}

Doubles::~Doubles() {
    com::ClassRegistry::unregisterInProcess(sonwellDoubles_);
    com::ClassRegistry::unregisterInProcess(linkorDoubles_);
    com::ClassRegistry::unregisterInProcess(linkor::server());
}

std::shared_ptr<FakeEndPoint> Doubles::endPoint() const {
    std::lock_guard hold(lock_);
    return endPoint_;
}

com::Ptr<com::Object> Doubles::wavePlay() const {
    std::lock_guard hold(lock_);
    return wavePlay_;
}

com::Ptr<com::Object> Doubles::waveRecord() const {
    std::lock_guard hold(lock_);
    return waveRecord_;
}

std::vector<Doubles::Sent> Doubles::sent() const {
    std::lock_guard hold(lock_);
    return sent_;
}

void FakeEndPoint::raise(linkor::EndPointEventId id, const com::Ptr<com::Object>& message) {
    using Event = com::HRESULT (linkor::_IEndPointEvents::*)(const com::Ptr<com::Object>&);
    static const std::map<linkor::EndPointEventId, Event> events{
        {linkor::kDispIdAudioReceived, &linkor::_IEndPointEvents::AudioReceived},
        {linkor::kDispIdSystemStateReceived, &linkor::_IEndPointEvents::SystemStateReceived},
        {linkor::kDispIdKzSetInitReceived, &linkor::_IEndPointEvents::KzSetInitReceived},
        {linkor::kDispIdKzSetCallStateControlReceived, &linkor::_IEndPointEvents::KzSetCallStateControlReceived},
        {linkor::kDispIdReliableAudioReceived, &linkor::_IEndPointEvents::ReliableAudioReceived}};
    const Event event = events.at(id);
    events_.fire([&](linkor::_IEndPointEvents& sink) { return (sink.*event)(message); });
}

com::HRESULT FakeEndPoint::SendPacket(const com::Ptr<com::Object>& message) { return keep(message, "SendPacket"); }

com::HRESULT FakeEndPoint::keep(const com::Ptr<com::Object>& message, const std::string& name) {
    auto jip = com::query<linkor::IJIPMessage>(message);
    Doubles::Sent sent{message, {}, 0, {}, {}};
    com::Variant data, mac, ip;
    std::int32_t length = 0;
    jip->get_varData(data);
    jip->get_lDataLen(length);
    jip->get_nHeaderBitMap(sent.headerBits);
    jip->get_varDestMac(mac);
    jip->get_varDestIP(ip);
    sent.payload = bytesOf(data);
    sent.payload.resize(std::min<std::size_t>(sent.payload.size(), static_cast<std::size_t>(length)));
    sent.destMac = bytesOf(mac);
    sent.destIp = bytesOf(ip);
    const com::HRESULT hr = call(name);
    if (com::SUCCEEDED(hr)) {
        std::lock_guard hold(doubles_.lock_);
        doubles_.sent_.push_back(std::move(sent));
    }
    return hr;
}

com::HRESULT FakeEndPoint::get_varSourceMac(com::Variant& value) {
    value = byteArray(doubles_.ownMac);
    return call("get_varSourceMac");
}

com::HRESULT FakeEndPoint::get_varAdapterDescriptions(com::Variant& value) {
    value = com::Variant(com::SafeArray::fromTexts({"veth test adapter"}));
    return call("get_varAdapterDescriptions");
}

com::HRESULT FakeEndPoint::Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) {
    if (const auto hr = call("Advise"); com::FAILED(hr)) return hr;
    return com::adviseOnly(events_, eventsIid, sink, cookie);
}

com::HRESULT FakeEndPoint::Unadvise(const com::Guid& eventsIid, com::Cookie cookie) {
    call("Unadvise");
    return com::unadviseOnly(events_, eventsIid, cookie);
}

std::string FakeEndPoint::hexOf(const com::Variant& value) {
    if (value.isEmpty()) return "empty";
    std::string text;
    char digits[3];
    for (const std::uint8_t byte : bytesOf(value)) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

std::vector<EventRecorder::Fired> EventRecorder::fired() const {
    std::lock_guard hold(lock_);
    return fired_;
}

std::vector<std::string> EventRecorder::lines() const {
    std::vector<std::string> lines;
    for (const auto& f : fired())
        lines.push_back(f.line);
    return lines;
}

void EventRecorder::note(std::string line) {
    std::lock_guard hold(lock_);
    fired_.push_back({std::move(line), std::this_thread::get_id()});
}

std::string EventRecorder::describe(std::int16_t number, bool) { return std::to_string(number); }

std::string EventRecorder::describe(std::int32_t errorNumber, bool) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<std::uint32_t>(errorNumber));
    return text;
}

std::string EventRecorder::describe(const std::string& text, bool last) { return last ? text : "[" + text + "]"; }

std::string EventRecorder::describe(const Variant& value, bool) {
    const auto* array = value.get<com::SafeArray>();
    if (array == nullptr || array->lowerBound() == 0) return FakeEndPoint::hexOf(value);
    std::ostringstream text;
    text << "from " << array->lowerBound() << ":";
    for (std::int32_t i = array->lowerBound(); i <= array->upperBound(); ++i)
        text << " " << array->integerAt(i).value_or(-99);
    return text.str();
}

// The date as its calendar time to the millisecond, so a lost millisecond shows.
std::string EventRecorder::describe(com::Date date, bool) {
    const auto t = com::calendarFromDate(date).value_or(com::CalendarTime{});
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

} // namespace kez::corvane::test
