#pragma once
// One received audio stream of a call: a play stream of the wave audio server for one remote
// talker (its MAC, device number and compression), the multicast group it listens on, and on a
// reliable connection the flow control toward its sender.
#include <cstdint>

#include "kez/com/object.h"
#include "kez/com/variant.h"
#include "linkor/end_point.h"
#include "shared/reports.h"
#include "sonwell/wave_play.h"

namespace kez::corvane {

// nAudioConnType: which audio messages a call carries.
enum ConnectionType : std::int16_t { kNoAudio = 0, kRealTimeAudio = 1, kReliableAudio = 2 };

// Reliable flow control toward the sender: nothing yet, frames arriving, told to pause (event 8).
enum class FlowState { Idle, Receiving, Paused };

struct ReliableFlow {
    FlowState state = FlowState::Idle;
    std::int16_t lastSequence = 0; // of the last reliable frame, sent back in the flow events
    bool played = false;           // the stream ran dry (PlayComplete)
};

class AudioConnection {
public:
    // `party`: the other party's MAC and IP with the connection's audio header (bits, TOS, TCI).
    AudioConnection(std::int16_t type, Addressing party, std::int16_t vdn, std::uint16_t terminationMask = 0);
    // Closes what it holds; the servers' failures no longer matter then.
    ~AudioConnection();
    AudioConnection(const AudioConnection&) = delete;
    AudioConnection& operator=(const AudioConnection&) = delete;

    // The frames of `mac`'s device `vdn` in `compression` belong here.
    bool takes(const com::Variant& mac, std::int16_t vdn, std::int16_t compression) const;

    void setFormat(std::int16_t compression);
    // These five leave no error object: the handlers go on whatever the server says.
    com::HRESULT attach(com::Ptr<sonwell::IWavePlay> play);
    com::HRESULT setMulticast(const com::Ptr<linkor::IEndPoint>& endPoint, const com::Variant& groupMac,
                              const com::Variant& groupIp);
    com::HRESULT addBuffer(const com::Variant& data, std::int16_t sequence);
    com::HRESULT addSilence(std::int16_t sequence);
    com::HRESULT addComfort(std::int16_t sequence);

    void reactivate();
    com::HRESULT deactivate();
    // What the play stream still holds; 0 without one.
    com::HRESULT samplesBuffered(std::int32_t& samples) const;
    // The play stream exists and has sound to play.
    bool streamPlays() const;
    com::HRESULT close();

    std::int16_t type() const { return type_; }
    std::int16_t compression() const { return compression_; }
    std::uint16_t terminationMask() const { return terminationMask_; }
    const Addressing& party() const { return party_; }
    std::int32_t stream() const { return stream_; }
    bool active() const { return active_; }
    ReliableFlow flow;

private:
    com::HRESULT leave(const com::Variant& mac, const com::Variant& ip);

    std::int16_t type_;
    std::int16_t compression_ = 0;
    Addressing party_;
    std::int16_t vdn_;
    std::uint16_t terminationMask_;
    std::int32_t stream_ = 0;
    com::Variant groupMac_, groupIp_;
    std::int32_t reliableSamples_ = 0;
    bool comfort_ = false;
    bool active_ = true;
    com::Ptr<sonwell::IWavePlay> play_;
    com::Ptr<linkor::IEndPoint> endPoint_;
};

} // namespace kez::corvane
