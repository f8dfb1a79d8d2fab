// KzSetInitMsg: the set's initialisation: control framing, the system-state and page
// groups and the status period.
#include "linkor/incoming_interfaces.h"
#include "message_makers.h"
#include "two_layouts.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kHandle = 4;
constexpr Place kControlHeaderBits{10, 8};
constexpr Place kControlIpTos{12, 10};
constexpr Place kSlaveIpAddrControlFlag{18, 16};
constexpr Place kControlTci{20, 18};
constexpr Place kSystemStateHash{22, 20};
constexpr Place kSystemStateIp{24, 22};
constexpr Place kSystemStateMac{28, 26};
constexpr Place kPageHash{34, 32};
constexpr Place kPageIp{36, 34};
constexpr Place kPageMac{40, 38};
constexpr Place kStatusUpdatePeriod{662, 172};
constexpr std::size_t kIp = 4;
constexpr std::size_t kMac = 6;

class KzSetInitMsg final : public TwoLayoutMessage<IKzSetInitMsg> {
public:
    KzSetInitMsg() : TwoLayoutMessage("KzSetInitMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT get_nControlHeaderBits(std::int16_t& value) override { return getWord(kControlHeaderBits, value); }
    HRESULT put_nControlHeaderBits(std::int16_t value) override { return putWord(kControlHeaderBits, value); }
    HRESULT get_nControlIPTOS(std::int16_t& value) override { return getWord(kControlIpTos, value); }
    HRESULT put_nControlIPTOS(std::int16_t value) override { return putWord(kControlIpTos, value); }
    HRESULT get_nSlaveIPAddrControlFlag(std::int16_t& value) override {
        return getWord(kSlaveIpAddrControlFlag, value);
    }
    HRESULT put_nSlaveIPAddrControlFlag(std::int16_t value) override { return putWord(kSlaveIpAddrControlFlag, value); }
    HRESULT get_nControlTCI(std::int16_t& value) override { return getWord(kControlTci, value); }
    HRESULT put_nControlTCI(std::int16_t value) override { return putWord(kControlTci, value); }
    HRESULT get_nSystemStateHash(std::int16_t& value) override { return getWord(kSystemStateHash, value); }
    HRESULT put_nSystemStateHash(std::int16_t value) override { return putWord(kSystemStateHash, value); }
    HRESULT get_varSystemStateIP(Variant& value) override { return getArray(kSystemStateIp, kIp, value); }
    HRESULT put_varSystemStateIP(const Variant& value) override { return putArray(kSystemStateIp, kIp, value); }
    HRESULT get_varSystemStateMac(Variant& value) override { return getArray(kSystemStateMac, kMac, value); }
    HRESULT put_varSystemStateMac(const Variant& value) override { return putArray(kSystemStateMac, kMac, value); }
    HRESULT get_nPageHash(std::int16_t& value) override { return getWord(kPageHash, value); }
    HRESULT put_nPageHash(std::int16_t value) override { return putWord(kPageHash, value); }
    HRESULT get_varPageIP(Variant& value) override { return getArray(kPageIp, kIp, value); }
    HRESULT put_varPageIP(const Variant& value) override { return putArray(kPageIp, kIp, value); }
    HRESULT get_varPageMac(Variant& value) override { return getArray(kPageMac, kMac, value); }
    HRESULT put_varPageMac(const Variant& value) override { return putArray(kPageMac, kMac, value); }
    HRESULT get_nStatusUpdatePeriod(std::int16_t& value) override { return getWord(kStatusUpdatePeriod, value); }
    HRESULT put_nStatusUpdatePeriod(std::int16_t value) override { return putWord(kStatusUpdatePeriod, value); }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevisionOffset, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevisionOffset, value); }
};

} // namespace

com::Ptr<JIPMessageBase> makeKzSetInitMsg() { return std::make_shared<KzSetInitMsg>(); }

} // namespace kez::linkor
