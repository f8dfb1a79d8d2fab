#pragma once
// Interfaces of the test server, shared by the library and the tests that load it.
#include <cstdint>
#include <string>

#include "kez/com/object.h"
#include "test_server_ids.h"

namespace kez::com::test {

class IGreeter : public virtual Object {
public:
    static constexpr Guid iid = kIGreeter;
    virtual HRESULT Greet(const std::string& sName, std::string& sGreeting) = 0;
    // Fails with E_INVALIDARG and the error text "Name missing" for an empty name.
    virtual HRESULT Check(const std::string& sName) = 0;
};

class ICounter : public virtual Object {
public:
    static constexpr Guid iid = kICounter;
    virtual HRESULT Next(std::int32_t& lValue) = 0;
};

} // namespace kez::com::test
