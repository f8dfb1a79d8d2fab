#pragma once
// The members of the call server's call-state and page messages and of received audio that
// the call handlers read, as plain values. A member list that could be read only in part says
// so: what was read is handled, then the failure is reported.
#include <cstdint>
#include <vector>

#include "kez/com/hresult.h"
#include "kez/com/object.h"
#include "kez/com/variant.h"

namespace kez::corvane {

// Bits of nAudioDirection1.
inline constexpr std::int16_t kSendsAudio = 0x01;
inline constexpr std::int16_t kReceivesAudio = 0x02;
// Bit of nAudioControls1: the recorder holds back silence.
inline constexpr std::int16_t kDetectSilence = 0x02;
// A multicast hash above this leaves the group.
inline constexpr std::int16_t kHighestJoinedHash = 63;

struct ConferenceMember {
    com::Variant mac;
    std::int16_t vdn = 0;
};

struct CallStateMessage {
    com::Ptr<com::Object> object; // kept for the call server's request to send it again
    com::Variant sourceMac;
    std::int16_t revision = 0, deviceHandle = 0;
    std::int16_t connectionType = 0, direction = 0;
    std::uint16_t headerBits = 0, tos = 0, tci = 0;
    std::int16_t compression = 0, controls = 0, framesPerPacket = 0;
    std::uint16_t terminationMask = 0;
    com::Variant otherMac, otherIp;
    std::int16_t otherVdn = 0;
    com::Variant multicastMac, multicastIp;
    std::int16_t multicastHash = 0;
    std::int16_t conferenceSize = 0;
    com::Variant conferenceMac, conferenceIp;
    std::int16_t conferenceHash = 0;
    std::vector<ConferenceMember> members; // those that could be read, in order
    com::HRESULT membersRead = com::S_OK;
};

struct PageMessage {
    com::Variant sourceMac;
    std::int16_t revision = 0;
    std::int16_t connectionType = 0;
    std::uint16_t headerBits = 0;
    std::int16_t compression = 0;
    std::int16_t tone = 0, toneMode = 0, toneDuration = 0;
    com::Variant otherMac;
    std::int16_t otherVdn = 0;
    com::Variant multicastMac, multicastIp;
    std::int16_t ownDeviceState = 0; // the state the page gives this set's device
};

struct ReceivedFrame {
    std::int16_t flags = 0, sequence = 0;
    com::Variant data; // read only for a frame that carries audio
};

struct ReceivedAudio {
    com::Variant sourceMac;
    std::int16_t sourceVdn = 0, format = 0; // the format of the first frame
    std::vector<ReceivedFrame> frames;      // those that could be read, in order
    com::HRESULT framesRead = com::S_OK;
};

} // namespace kez::corvane
