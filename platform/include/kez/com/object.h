#pragma once
// Component objects: shared ownership stands for reference counting, interfaces are
// abstract classes that derive virtually from Object and name their identifier in
// `static constexpr Guid iid`. Every interface member returns an HRESULT.
//
//   class IThing : public virtual Object {
//   public:
//       static constexpr Guid iid = "{...}"_guid;
//       virtual HRESULT Poke(std::int16_t nHow) = 0;
//   };
//   class Thing final : public Implements<IThing> { ... };
//   auto thing = std::make_shared<Thing>();           // or ClassRegistry::create
//   Ptr<IThing> it;  HRESULT hr = query(object, it);  // E_NOINTERFACE when not implemented
#include <memory>

#include "kez/com/guid.h"
#include "kez/com/hresult.h"

namespace kez::com {

template <class T>
using Ptr = std::shared_ptr<T>;

class Object : public std::enable_shared_from_this<Object> {
public:
    // The identifier every object answers to.
    static constexpr Guid iid = "{00000000-0000-0000-C000-000000000046}"_guid;

    virtual ~Object() = default;

    // Hands out this object when it implements `interfaceId`, else E_NOINTERFACE.
    // Works only on an object held by a Ptr.
    HRESULT queryInterface(const Guid& interfaceId, Ptr<Object>& result);

    // S_OK when failures of members of `interfaceId` leave an error object, else S_FALSE.
    virtual HRESULT supportsErrorInfo(const Guid& interfaceId) const;

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;

    // True for the interfaces this class implements besides Object itself.
    virtual bool implements(const Guid& interfaceId) const;
};

// Base of a concrete class: lists the interfaces that queryInterface answers for.
template <class... Interfaces>
class Implements : public Interfaces... {
protected:
    bool implements(const Guid& interfaceId) const override { return ((interfaceId == Interfaces::iid) || ...); }
};

// QueryInterface into a typed pointer. `result` is reset on failure.
template <class T, class From>
HRESULT query(const Ptr<From>& from, Ptr<T>& result) {
    result.reset();
    if (!from) {
        return E_POINTER;
    }
    Ptr<Object> object;
    const HRESULT hr = static_cast<Object&>(*from).queryInterface(T::iid, object);
    if (FAILED(hr)) {
        return hr;
    }
    result = std::dynamic_pointer_cast<T>(object);
    return result ? S_OK : E_NOINTERFACE;
}

// The same for callers that only need to know whether it worked.
template <class T, class From>
Ptr<T> query(const Ptr<From>& from) {
    Ptr<T> result;
    query(from, result);
    return result;
}

} // namespace kez::com
