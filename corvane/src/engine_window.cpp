#include "engine_window.h"

#include <new>

#include "kez/com/array_routines.h"
#include "kez/com/safe_array.h"
#include "linkor/incoming_interfaces.h"

namespace kez::corvane {
namespace {

constexpr char kWindowTitle[] = "EngineWindow";
constexpr std::int32_t kLineLedLowerBound = 1;
constexpr std::size_t kFirstLineLed = 5;

com::Variant byteArray(const std::vector<std::uint8_t>& bytes) {
    Variant value;
    if (com::FAILED(com::MakeSafeArray(com::ElementType::UI1, bytes, value))) throw std::bad_alloc();
    return value;
}

} // namespace

std::array<com::VariantBool, 6> keyControlFlags(std::uint16_t word) {
    auto flag = [word](std::uint16_t mask) { return com::toVariantBool((word & mask) != 0); };
    return {flag(0x0030), flag(0x000C), flag(0x0003), flag(0x3000), flag(0x0C00), flag(0x0300)};
}

EngineWindow::EngineWindow(EngineWindowOwner& owner, EngineEvents& events)
    : owner_(owner), events_(events),
      window_(kWindowTitle, [this](apt::Message& message) { return onMessage(message); }) {}

apt::Result EngineWindow::onMessage(apt::Message& message) {
    switch (message.id) {
    case kMsgInitReceived: events_.fire([](_IEngineEvents& sink) { return sink.InitReceived(); }); break;
    case kMsgSystemDateUpdate: {
        const com::Date date = owner_.systemDate();
        events_.fire([date](_IEngineEvents& sink) { return sink.SystemDateUpdate(date); });
        break;
    }
    case kMsgPlayDtmfReceived: firePlayDtmf(message); break;
    case kMsgError: {
        const auto* text = message.payload.get<std::string>();
        fireError(static_cast<std::int32_t>(message.w), text ? *text : std::string());
        break;
    }
    case kMsgResetReceived: events_.fire([](_IEngineEvents& sink) { return sink.ResetReceived(); }); break;
    case kMsgCallProgressUpdate: {
        const auto t = message.payload.take<CallProgressTone>();
        events_.fire([&t](_IEngineEvents& sink) { return sink.CallProgressUpdate(t.tone, t.mode, t.duration); });
        break;
    }
    case kMsgAlertUpdate: {
        const auto a = message.payload.take<AlertSignal>();
        events_.fire([&a](_IEngineEvents& sink) { return sink.AlertUpdate(a.tone, a.mode, a.cadence, a.cycles); });
        break;
    }
    case kMsgDisplayUpdate: {
        const DisplayBlock block = message.payload.take<DisplayBlock>();
        events_.fire([&block](_IEngineEvents& sink) {
            return sink.DisplayUpdate(block.todMode, block.line1, block.line2, block.deviceIdleStatus);
        });
        break;
    }
    case kMsgKeyControlUpdate: {
        const auto f = keyControlFlags(static_cast<std::uint16_t>(message.w));
        events_.fire([&f](_IEngineEvents& sink) { return sink.KeyControlUpdate(f[0], f[1], f[2], f[3], f[4], f[5]); });
        break;
    }
    case kMsgLedUpdate: fireLeds(message.payload.take<LedBlock>()); break;
    case kMsgXavDiscovered: fireDiscovered(message.payload.take<DiscoveredServer>()); break;
    case kMsgAutoIpComplete: events_.fire([](_IEngineEvents& sink) { return sink.AutoIPComplete(); }); break;
    case kMsgWaveIdleTick: owner_.waveIdleTick(); break;
    case kMsgFlowControlTick: owner_.flowControlTick(); break;
    default: break;
    }
    return 0;
}

void EngineWindow::fireError(std::int32_t number, const std::string& text) {
    events_.fire([&](_IEngineEvents& sink) { return sink.Error(number, text); });
}

void EngineWindow::firePlayDtmf(apt::Message& message) {
    const auto object = message.payload.take<com::Ptr<com::Object>>();
    auto dtmf = com::query<linkor::IPlayDTMFMsg>(object);
    if (!dtmf) return;
    std::int16_t id = 0;
    Variant codes, times;
    dtmf->get_nSequenceID(id);
    dtmf->get_varCodes(codes);
    dtmf->get_varTimes(times);
    events_.fire([&](_IEngineEvents& sink) { return sink.PlayDTMFReceived(id, codes, times); });
}

void EngineWindow::fireLeds(const LedBlock& leds) {
    try {
        const Variant lines(com::SafeArray::fromI2(std::span(leds).subspan(kFirstLineLed), kLineLedLowerBound));
        events_.fire(
            [&](_IEngineEvents& sink) { return sink.LEDUpdate(leds[0], leds[1], leds[2], leds[3], leds[4], lines); });
    } catch (const std::bad_alloc&) {
        postEngineError(handle(), com::E_OUTOFMEMORY, "MakeSafeArray failure");
    }
}

void EngineWindow::fireDiscovered(DiscoveredServer server) {
    try {
        const Variant mac = byteArray(server.mac);
        const Variant ip = server.ip ? byteArray(*server.ip) : Variant();
        events_.fire([&](_IEngineEvents& sink) { return sink.XAVDiscovered(mac, ip); });
    } catch (const std::bad_alloc&) {
        postEngineError(handle(), com::E_OUTOFMEMORY, "MakeSafeArray failure");
    }
}

} // namespace kez::corvane
