// SystemStateMsg: the call server's clock and the LED states of the system, as a list of
// tagged elements.
#include <optional>

#include "kez/com/date.h"
#include "linkor/incoming_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kRevision = 2;
constexpr std::size_t kHandle = 4;
constexpr std::size_t kYear = 12;
constexpr std::size_t kMonth = 14;
constexpr std::size_t kDay = 15;
constexpr std::size_t kHour = 16;
constexpr std::size_t kMinute = 17;
constexpr std::size_t kMillisecondsInMinute = 18;
constexpr std::size_t kElementList = 20;
constexpr std::size_t kElementHeader = 4;
constexpr std::uint16_t kTagKzSetLeds = 0x0200;
constexpr std::uint16_t kTagTlimLeds = 0x0300;
constexpr std::uint16_t kTagParkLeds = 0x0600;

struct Element {
    std::size_t offset = 0;
    std::size_t length = 0;
};

class SystemStateMsg final : public MessageOf<ISystemStateMsg> {
public:
    SystemStateMsg() : MessageOf("SystemStateMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT get_dtCurrent(com::Date& value) override;
    HRESULT put_dtCurrent(com::Date) override { return com::S_OK; }
    HRESULT get_varTlimLEDStates(Variant& value) override { return getElement(kTagTlimLeds, value); }
    HRESULT put_varTlimLEDStates(const Variant&) override { return com::S_OK; }
    HRESULT get_varKzSetLEDStates(Variant& value) override { return getElement(kTagKzSetLeds, value); }
    HRESULT put_varKzSetLEDStates(const Variant&) override { return com::S_OK; }
    HRESULT get_varParkLEDStates(Variant& value) override { return getElement(kTagParkLeds, value); }
    HRESULT put_varParkLEDStates(const Variant&) override { return com::S_OK; }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }

private:
    std::optional<Element> findElement(std::uint16_t tag) const;
    HRESULT getElement(std::uint16_t tag, Variant& value) const;
};

// The walk ends at lDataLen; an element whose header or data would run past it ends the
// walk as if the tag were absent.
std::optional<Element> SystemStateMsg::findElement(std::uint16_t tag) const {
    const std::size_t end = usedLength();
    std::size_t offset = kElementList;
    while (offset + kElementHeader <= end) {
        const auto elementTag = static_cast<std::uint16_t>(word(offset));
        const auto length = static_cast<std::uint16_t>(word(offset + 2));
        const std::size_t data = offset + kElementHeader;
        if (data + length > end) {
            return std::nullopt;
        }
        if (elementTag == tag) {
            return Element{data, length};
        }
        offset = data + length;
    }
    return std::nullopt;
}

HRESULT SystemStateMsg::getElement(std::uint16_t tag, Variant& value) const {
    const auto element = findElement(tag);
    if (!element) {
        value.clear();
        return com::S_OK;
    }
    return getArrayAt(element->offset, element->length, value);
}

// The clock's milliseconds stay in the DATE, which holds them.
HRESULT SystemStateMsg::get_dtCurrent(com::Date& value) {
    const auto inMinute = static_cast<std::uint16_t>(word(kMillisecondsInMinute));
    com::CalendarTime time;
    time.year = static_cast<std::uint16_t>(word(kYear));
    time.month = byte(kMonth);
    time.day = byte(kDay);
    time.hour = byte(kHour);
    time.minute = byte(kMinute);
    time.second = inMinute / 1000;
    time.millisecond = inMinute % 1000;
    const auto date = com::dateFromCalendar(time);
    if (!date) {
        return fail(com::E_INVALIDARG, "Invalid system date");
    }
    value = *date;
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeSystemStateMsg() { return std::make_shared<SystemStateMsg>(); }

} // namespace kez::linkor
