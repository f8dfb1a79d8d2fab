// Arbitrary packets loaded into every message class, then every getter called with
// arbitrary indexes, and the frame and device builders run on what was loaded.
//
// Input: class selector, mode bits, four 16-bit indexes, a 32-bit data length, then the
// packet: an Ethernet frame as Ralnet lends it (mode bit 0; bit 3 tagged, bit 4 short
// header) or a J5 header and payload as a UDP packet lends them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lent_packet.h"
#include "message_accessors.h"

namespace {

using namespace kez::linkor;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::int16_t word() { return static_cast<std::int16_t>(byte() << 8 | byte()); }
    std::int32_t dword() {
        const auto high = static_cast<std::uint16_t>(word());
        const auto low = static_cast<std::uint16_t>(word());
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(high) << 16 | low);
    }
    std::vector<std::uint8_t> rest() const { return {data_ + pos_, data_ + size_}; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

J5PacketObj packetFor(std::vector<std::uint8_t>& bytes, std::uint8_t mode) {
    if (mode & 1) {
        std::uint16_t framing = J5_HBM_ETHERNET;
        if (mode & 8) framing |= J5_HBM_8021Q;
        framing |= mode & 16 ? J5_HBM_SHORT_HEADER : J5_HBM_FULL_HEADER;
        const J5PacketObj packet = test::lentFromEthernet(bytes, framing);
        if (packet.headerRef) return packet;
    }
    const std::size_t header = std::min<std::size_t>(bytes.size(), J5_FULL_HEADER_LEN);
    J5PacketObj packet{};
    packet.headerRef = bytes.data();
    packet.dataRef = bytes.data() + header;
    packet.length = static_cast<std::uint16_t>(bytes.size() - header);
    return packet;
}

void callGetters(const test::Accessors& accessors, const kez::com::Ptr<kez::com::Object>& object,
                 const std::vector<std::int16_t>& indexes) {
    for (const auto& [name, get] : accessors.getters) {
        get(object, 0);
    }
    for (const auto& [name, get] : accessors.indexedGetters) {
        for (const auto index : indexes) {
            get(object, index);
        }
    }
}

void runBuilders(const test::Accessors& accessors, const kez::com::Ptr<kez::com::Object>& object, Input& in,
                 const std::vector<std::uint8_t>& frameData) {
    const auto data = kez::com::SafeArray::fromBytes(kez::com::ElementType::UI1, frameData);
    const std::vector<Variant> arguments = {data ? Variant(*data) : Variant(), Variant(std::int32_t{in.word()}),
                                            Variant(std::int32_t{in.word()}), Variant(std::int32_t{in.word()})};
    const std::vector<Variant> deviceArguments(arguments.begin() + 1, arguments.end());
    for (const std::string name : {"AddFrame", "AddDevice", "Reset"}) {
        const auto it = accessors.methods.find(name);
        if (it != accessors.methods.end()) {
            it->second(object, name == "AddDevice" ? deviceArguments : arguments);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const auto messageClass = static_cast<MessageClass>(in.byte() % kMessageClassCount);
    const std::uint8_t mode = in.byte();
    const std::vector<std::int16_t> indexes = {in.word(), in.word(), in.word(), in.word(), 0, 1, -1, 32767, -32768};
    const std::int32_t dataLength = in.dword();
    std::vector<std::uint8_t> bytes = in.rest();
    if (bytes.size() > 1600) {
        bytes.resize(1600);
    }

    const auto message = makeMessage(messageClass);
    const J5PacketObj packet = packetFor(bytes, mode);
    message->LoadFromPacket(&packet);
    if (mode & 2) {
        message->put_lDataLen(dataLength);
    }
    const kez::com::Ptr<kez::com::Object> object = message;
    const auto& accessors = test::accessorsOf(messageClass);
    callGetters(accessors, object, indexes);
    if (mode & 4) {
        const std::size_t frameLength = std::min<std::size_t>(bytes.size(), 300);
        runBuilders(accessors, object, in, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + frameLength));
        callGetters(accessors, object, indexes);
    }
    kez::com::takeErrorInfo();
    return 0;
}
