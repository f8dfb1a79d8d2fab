#pragma once
// The interface every message object answers: the J5 addressing of the message and its
// payload buffer. 16-bit properties are signed shorts; addresses and the payload are
// byte arrays (Variant holding a SafeArray of bytes, lower bound 0).
#include <cstdint>

#include "kez/com/object.h"
#include "kez/com/variant.h"
#include "linkor/identifiers.h"

namespace kez::linkor {

using com::HRESULT;
using com::Variant;

class IJIPMessage : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIJIPMessage;

    virtual HRESULT get_nSrcVDN(std::int16_t& value) = 0;
    virtual HRESULT put_nSrcVDN(std::int16_t value) = 0;
    virtual HRESULT get_nDestVDN(std::int16_t& value) = 0;
    virtual HRESULT put_nDestVDN(std::int16_t value) = 0;
    virtual HRESULT get_varSourceMac(Variant& value) = 0;
    virtual HRESULT put_varSourceMac(const Variant& value) = 0;
    virtual HRESULT get_varDestMac(Variant& value) = 0;
    virtual HRESULT put_varDestMac(const Variant& value) = 0;
    // The whole payload buffer, whatever lDataLen says; the setter changes nothing.
    virtual HRESULT get_varData(Variant& value) = 0;
    virtual HRESULT put_varData(const Variant& value) = 0;
    // The two-letter J5 packet type, first letter in the high byte ("HR" = 0x4852).
    virtual HRESULT get_nMsgType(std::int16_t& value) = 0;
    virtual HRESULT put_nMsgType(std::int16_t value) = 0;
    virtual HRESULT get_nHeaderBitMap(std::int16_t& value) = 0;
    virtual HRESULT put_nHeaderBitMap(std::int16_t value) = 0;
    virtual HRESULT get_lDataLen(std::int32_t& value) = 0;
    virtual HRESULT put_lDataLen(std::int32_t value) = 0;
    virtual HRESULT get_varSourceIP(Variant& value) = 0;
    virtual HRESULT put_varSourceIP(const Variant& value) = 0;
    virtual HRESULT get_varDestIP(Variant& value) = 0;
    virtual HRESULT put_varDestIP(const Variant& value) = 0;
    virtual HRESULT get_nIPTOS(std::int16_t& value) = 0;
    virtual HRESULT put_nIPTOS(std::int16_t value) = 0;
    virtual HRESULT get_nTCI(std::int16_t& value) = 0;
    virtual HRESULT put_nTCI(std::int16_t value) = 0;
};

} // namespace kez::linkor
