#pragma once
// What SendPacket and SendAudioPacket hand Ralnet, read from a message object's IJIPMessage:
// the addressing, lDataLen bytes of the payload, the header bit map, the type of service
// with its two bytes swapped, and the 802.1Q tag word (only its VLAN identifier for control
// packets, whole for audio).
#include <cstdint>
#include <string_view>
#include <vector>

#include "linkor/jip_message.h"
#include "multicast_tables.h"
#include "ralnet/j5.h"

namespace kez::linkor {

struct SendArguments {
    std::uint16_t type = 0;
    MacAddress destMac{};
    IpAddress destIp{};
    std::uint16_t destVdn = 0;
    std::uint16_t srcVdn = 0;
    std::vector<std::uint8_t> payload;
    std::uint16_t headerBitMap = 0;
    std::uint16_t ipTos = 0;
    std::uint16_t tci = 0;
};

enum class SendKind { Control, Audio };

struct SendRead {
    com::HRESULT hr = com::S_OK;
    std::string_view failText; // set when hr fails
};

// Audio messages carry their own device numbers and packet type: those are not read.
SendRead readSendArguments(IJIPMessage& message, SendKind kind, SendArguments& out);

// J5IntrinsicSend or J5AudioSend with the arguments in their order.
J5Result sendThroughRalnet(J5NetIf* context, SendKind kind, const SendArguments& arguments);

} // namespace kez::linkor
