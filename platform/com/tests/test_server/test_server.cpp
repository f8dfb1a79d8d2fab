// The test server library: two classes, registered and served through the module entries.
#include "test_server.h"

#include "kez/com/error_info.h"
#include "kez/com/server.h"

namespace kez::com::test {
namespace {

class Greeter final : public Implements<IGreeter> {
public:
    HRESULT Greet(const std::string& sName, std::string& sGreeting) override {
        sGreeting = "Hello " + sName;
        return S_OK;
    }
    HRESULT Check(const std::string& sName) override {
        if (sName.empty()) {
            return reportError(E_INVALIDARG, "Name missing", "KezTest.Greeter.1", IGreeter::iid);
        }
        return S_OK;
    }
    HRESULT supportsErrorInfo(const Guid& iid) const override { return iid == IGreeter::iid ? S_OK : S_FALSE; }
};

class Counter final : public Implements<ICounter> {
public:
    HRESULT Next(std::int32_t& lValue) override {
        lValue = ++count_;
        return S_OK;
    }

private:
    std::int32_t count_ = 0;
};

const ServerInfo kServer{
    "KezTest",
    kTestLibrary,
    {
        {"Greeter", kGreeterClass, [] { return Ptr<Object>(std::make_shared<Greeter>()); }},
        {"Counter", kCounterClass, [] { return Ptr<Object>(std::make_shared<Counter>()); }},
    },
};

} // namespace
} // namespace kez::com::test

extern "C" {

kez::com::HRESULT KezGetClassObject(const kez::com::Guid& clsid, kez::com::ClassFactory& factory) {
    return kez::com::findClass(kez::com::test::kServer, clsid, factory);
}

kez::com::HRESULT KezRegisterServer() {
    using kez::com::test::kServer;
    return kez::com::registerServer(kServer, kez::com::modulePathOf(&kServer));
}

kez::com::HRESULT KezUnregisterServer() { return kez::com::unregisterServer(kez::com::test::kServer); }

} // extern "C"
