#include "link/packet_client.h"

#include "link/driver_contract.h"
#include "link/packet_device.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace ralnet::link {
namespace {

#ifdef RALNET_CONSOLE_DIAGNOSTICS
void diagnose(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}
void diagnose(const char* format, int code) {
    std::printf(format, code);
    std::fflush(stdout);
}
#else
void diagnose(const char*) {}
void diagnose(const char*, int) {}
#endif

// Reads one zero-terminated UTF-16 string at `at`; false when the answer ends first.
bool readWide(std::span<const std::uint8_t> answer, std::size_t& at, std::string& out) {
    out.clear();
    while (at + sizeof(char16_t) <= answer.size()) {
        char16_t unit = 0;
        std::memcpy(&unit, answer.data() + at, sizeof unit);
        at += sizeof unit;
        if (unit == 0) return true;
        out.push_back(unit < 0x100 ? static_cast<char>(unit) : '?');
    }
    return false;
}

class AnsiListWriter {
public:
    AnsiListWriter(char* buffer, std::uint32_t size) : buffer_(buffer), size_(size) {}

    // Room for `text`, its zero and the closing empty entry.
    bool fits(const std::string& text) const { return !buffer_ || used_ + text.size() + 2 <= size_; }

    void add(const std::string& text) {
        if (!buffer_) return;
        std::memcpy(buffer_ + used_, text.c_str(), text.size() + 1);
        used_ += text.size() + 1;
    }

    void close() {
        if (buffer_) buffer_[used_] = '\0';
    }

private:
    char* buffer_;
    std::uint32_t size_;
    std::size_t used_ = 0;
};

bool request(KezPacketHandle adapter, std::uint32_t code, std::span<std::uint8_t> block) {
    if (!adapter) {
        diagnose("KezPacketRequest:DeviceIoControl fail %d", EBADF);
        return false;
    }
    std::size_t returned = 0;
    if (const int error = deviceControl(*adapter, code, block, returned); error != 0) {
        diagnose("KezPacketRequest:DeviceIoControl fail %d", error);
        return false;
    }
    return true;
}

std::vector<std::uint8_t> requestBlock(std::uint32_t oid, const std::uint8_t* data, std::uint32_t length) {
    std::vector<std::uint8_t> block(kRequestHeaderLength + length);
    std::memcpy(block.data(), &oid, sizeof oid);
    std::memcpy(block.data() + 4, &length, sizeof length);
    if (data && length) std::memcpy(block.data() + kRequestHeaderLength, data, length);
    return block;
}

} // namespace

bool KezGetAdapterNames(char* names, std::uint32_t namesSize, char* descriptions, std::uint32_t descriptionsSize) {
    if (!names || namesSize == 0 || (descriptions && descriptionsSize == 0)) return false;
    std::uint8_t answer[kAdapterListLimit];
    std::size_t returned = 0;
    if (const int error = controlDeviceRequest(kIoctlAdapterList, answer, returned); error != 0) {
        diagnose("KezGet2000AdapterNames:DeviceIoControl fail %d", error);
        return false;
    }
    AnsiListWriter nameList(names, namesSize);
    AnsiListWriter descriptionList(descriptions, descriptionsSize);
    const std::span<const std::uint8_t> pairs(answer, returned);
    std::size_t at = 0;
    std::string description;
    std::string name;
    while (readWide(pairs, at, description) && !description.empty() && readWide(pairs, at, name)) {
        if (!nameList.fits(name) || !descriptionList.fits(description)) break;
        nameList.add(name);
        descriptionList.add(description);
    }
    nameList.close();
    descriptionList.close();
    return true;
}

KezPacketHandle KezPacketOpenAdapter(const char* adapterName) {
    char first[kAdapterListLimit];
    if (!adapterName) {
        if (!KezGetAdapterNames(first, sizeof first, nullptr, 0)) return nullptr;
        if (first[0] == '\0') {
            // No adapter to default to: say so, as for a named adapter that is missing.
            diagnose("KezPacketOpenAdapter:CreateFile fail %d", ENODEV);
            return nullptr;
        }
        adapterName = first;
    }
    DeviceOpen opened = openDevice(adapterName);
    if (!opened.device) {
        diagnose("KezPacketOpenAdapter:CreateFile fail %d", opened.error);
        return nullptr;
    }
    return opened.device.release();
}

void KezPacketCloseAdapter(KezPacketHandle adapter) {
    if (!adapter) return;
    if (adapter->port) adapter->port->close();
    delete adapter;
}

bool KezPacketRequest(KezPacketHandle adapter, bool set, std::span<std::uint8_t> block) {
    return request(adapter, set ? kIoctlSetOid : kIoctlQueryOid, block);
}

bool KezPacketSetFilter(KezPacketHandle adapter, std::uint32_t filter) {
    std::vector<std::uint8_t> block;
    try {
        block = requestBlock(kOidCurrentPacketFilter, reinterpret_cast<const std::uint8_t*>(&filter), sizeof filter);
    } catch (const std::bad_alloc&) {
        diagnose("KezPacketSetFilter Memory Allocation Error");
        return false;
    }
    return KezPacketRequest(adapter, true, block);
}

bool KezPacketSetMulticastList(KezPacketHandle adapter, const std::uint8_t* macs, std::uint32_t lengthInBytes) {
    if (!macs && lengthInBytes) return false;
    try {
        std::vector<std::uint8_t> block = requestBlock(kOidMulticastList, macs, lengthInBytes);
        return KezPacketRequest(adapter, true, block);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool KezPacketQueryAddress(KezPacketHandle adapter, std::uint8_t (&mac)[J5_MAC_LEN]) {
    std::uint8_t block[kRequestHeaderLength + J5_MAC_LEN] = {};
    const std::uint32_t oid = kOidCurrentAddress;
    const std::uint32_t length = J5_MAC_LEN;
    std::memcpy(block, &oid, sizeof oid);
    std::memcpy(block + 4, &length, sizeof length);
    if (!KezPacketRequest(adapter, false, block)) return false;
    std::memcpy(mac, block + kRequestHeaderLength, J5_MAC_LEN);
    return true;
}

bool KezPacketWriteFrame(KezPacketHandle adapter, std::span<const std::uint8_t> frame) {
    return adapter && writeFrame(*adapter, frame) == 0;
}

} // namespace ralnet::link
