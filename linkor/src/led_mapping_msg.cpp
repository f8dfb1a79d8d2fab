// LEDMappingMsg: which resource group and unit each of the set's 12 LEDs shows.
#include "linkor/incoming_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kRevision = 2;
constexpr std::size_t kHandle = 4;
constexpr std::size_t kMap = 8;
constexpr std::size_t kEntryStride = 4;
constexpr std::size_t kEntries = 12;
constexpr std::size_t kResourceGroup = kMap;
constexpr std::size_t kUnitNo = kMap + 2;

class LEDMappingMsg final : public MessageOf<ILEDMappingMsg> {
public:
    LEDMappingMsg() : MessageOf("LEDMappingMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT get_nResourceGroup(std::int16_t nLED, std::int16_t& value) override {
        return getEntry(kResourceGroup, nLED, value);
    }
    HRESULT put_nResourceGroup(std::int16_t nLED, std::int16_t value) override {
        return putEntry(kResourceGroup, nLED, value);
    }
    HRESULT get_nUnitNo(std::int16_t nLED, std::int16_t& value) override { return getEntry(kUnitNo, nLED, value); }
    HRESULT put_nUnitNo(std::int16_t nLED, std::int16_t value) override { return putEntry(kUnitNo, nLED, value); }
    HRESULT get_varLEDMap(Variant& value) override { return getArrayAt(kMap, kEntryStride * kEntries, value); }
    HRESULT put_varLEDMap(const Variant& value) override { return putArrayAt(kMap, kEntryStride * kEntries, value); }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }

private:
    // An index past the 12 entries still reads the payload, as it always has; only one
    // that would leave the payload fails.
    HRESULT getEntry(std::size_t base, std::int16_t nLED, std::int16_t& value) {
        const auto offset = entryOffset(base, kEntryStride, nLED, 2);
        return offset ? getWordAt(*offset, value) : badIndex();
    }
    HRESULT putEntry(std::size_t base, std::int16_t nLED, std::int16_t value) {
        const auto offset = entryOffset(base, kEntryStride, nLED, 2);
        return offset ? putWordAt(*offset, value) : badIndex();
    }
    HRESULT badIndex() const { return fail(com::E_INVALIDARG, "Invalid LED index"); }
};

} // namespace

com::Ptr<JIPMessageBase> makeLEDMappingMsg() { return std::make_shared<LEDMappingMsg>(); }

} // namespace kez::linkor
