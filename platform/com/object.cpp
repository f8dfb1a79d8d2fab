#include "kez/com/object.h"

namespace kez::com {

HRESULT Object::queryInterface(const Guid& interfaceId, Ptr<Object>& result) {
    result.reset();
    if (interfaceId != Object::iid && !implements(interfaceId)) {
        return E_NOINTERFACE;
    }
    result = weak_from_this().lock();
    return result ? S_OK : E_UNEXPECTED;
}

HRESULT Object::supportsErrorInfo(const Guid&) const { return S_FALSE; }

bool Object::implements(const Guid&) const { return false; }

} // namespace kez::com
