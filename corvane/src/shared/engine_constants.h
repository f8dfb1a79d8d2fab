#pragma once
// The engine's fixed numbers: addresses, header bits, device entries and message ids.
#include <array>
#include <cstdint>

namespace kez::corvane {

// Where status goes while no call server is configured or bound.
inline constexpr std::array<std::uint8_t, 6> kDefaultDestinationMac{0x02, 0x5A, 0x4E, 0x00, 0x00, 0x00};

// Control header bits: Ethernet framing, reliable class; OR'd with IP transport.
inline constexpr std::uint16_t kEthernetControlBits = 0x0011;
inline constexpr std::uint16_t kIpTransportBits = 0x0060;
// Set on a received message that came over UDP.
inline constexpr std::uint16_t kCameOverUdpBit = 0x0020;
inline constexpr std::uint16_t kVlanTagBit = 0x0002;

// On an audio header: the packet is audio ("HA"); a reliable packet instead.
inline constexpr std::uint16_t kAudioPacketBit = 0x0008;
inline constexpr std::uint16_t kReliableControlBit = 0x0010;
// A reliable control packet on a call's audio header.
constexpr std::uint16_t reliableOnAudioHeader(std::uint16_t audioBits) {
    return static_cast<std::uint16_t>((audioBits & ~kAudioPacketBit) | kReliableControlBit);
}

// The set's own device number in audio traffic, and the one of a group destination.
inline constexpr std::int16_t kAudioVdn = 2;
inline constexpr std::int16_t kGroupVdn = -1; // 0xFFFF
// The audio header of the diagnostic audio send and receive: Ethernet, audio packets.
inline constexpr std::uint16_t kDiagnosticAudioBits = 0x0009;

inline constexpr std::int16_t kNoDeviceHandle = -1;
inline constexpr std::int16_t kDeviceType = 0x0200;
inline constexpr std::int16_t kDiscoveryStateInitialised = 2;
inline constexpr std::int16_t kLocationEthernet = 1;
inline constexpr std::int16_t kLocationLayer3 = 2;

// The revisions a system-state message may carry.
inline constexpr std::uint16_t kRevisionB3 = 0x80B3;
inline constexpr std::uint16_t kRevisionB2 = 0x80B2;

// nEventID of the KzSetEvent messages the engine sends.
enum KzSetEventId : std::int16_t {
    kEventKeyPress = 3,
    kEventDtmfPlayComplete = 5,
    kEventFlowPause = 8,
    kEventFlowResume = 9,
    kEventFlowPlayed = 10,
};

// A device entry of the status message.
struct DeviceEntry {
    std::int16_t type, vdn, status;
};
inline constexpr std::array<DeviceEntry, 3> kHardDevices{{{0x0205, 2, 1}, {0x0205, 3, 1}, {0x0207, 5, 1}}};
// Listed fourth while bSoftDevice is set.
inline constexpr DeviceEntry kSoftDevice{0x0208, 6, 1};

} // namespace kez::corvane
