#pragma once
// Messages whose payload has two layouts: revision 0x80B3 (the wide one) and every other
// revision word (the narrow one). Getters follow the message's own revision word; setters
// always write the wide layout.
#include <cstdint>

#include "linkor/message_base.h"

namespace kez::linkor {

inline constexpr std::size_t kRevisionOffset = 2;

struct Place {
    std::uint16_t wide;
    std::uint16_t narrow;
};

template <class Interface>
class TwoLayoutMessage : public MessageOf<Interface> {
protected:
    using MessageOf<Interface>::MessageOf;

    bool wideLayout() const { return static_cast<std::uint16_t>(this->word(kRevisionOffset)) == kProtocolRevision; }
    std::size_t at(Place place) const { return wideLayout() ? place.wide : place.narrow; }

    HRESULT getWord(Place place, std::int16_t& value) const { return this->getWordAt(at(place), value); }
    HRESULT putWord(Place place, std::int16_t value) { return this->putWordAt(place.wide, value); }
    HRESULT getByte(Place place, std::int16_t& value) const { return this->getByteAt(at(place), value); }
    HRESULT getArray(Place place, std::size_t width, Variant& value) const {
        return this->getArrayAt(at(place), width, value);
    }
    HRESULT putArray(Place place, std::size_t width, const Variant& value) {
        return this->putArrayAt(place.wide, width, value);
    }
};

} // namespace kez::linkor
