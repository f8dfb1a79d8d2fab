#include <gtest/gtest.h>

#include <cerrno>
#include <unordered_set>

#include "kez/com/guid.h"
#include "kez/com/hresult.h"
#include "kez/com/object.h"

namespace kez::com {
namespace {

TEST(Hresult, ErrnoMapsIntoTheSystemFacilityAndZeroToDispException) {
    EXPECT_EQ(hresultFromErrno(ENOENT), makeHresult(0x80070002));
    EXPECT_EQ(hresultFromErrno(EACCES), makeHresult(0x8007000D));
    EXPECT_EQ(hresultFromErrno(0), DISP_E_EXCEPTION);
    EXPECT_TRUE(FAILED(hresultFromErrno(EINTR)));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_EQ(interfaceError(0x6003), makeHresult(0x80046003));
    EXPECT_EQ(static_cast<std::uint32_t>(REGDB_E_CLASSNOTREG), 0x80040154u);
    EXPECT_EQ(static_cast<std::uint32_t>(E_OUTOFMEMORY), 0x8007000Eu);
}

TEST(Guid, ParsesEitherCaseAndFormatsUpperCase) {
    const auto lower = Guid::parse("{1ed394ef-c0e6-11d2-ba6f-0000216c6cb1}");
    const auto upper = Guid::parse("{1ED394EF-C0E6-11D2-BA6F-0000216C6CB1}");
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(*lower, *upper);
    EXPECT_EQ(lower->str(), "{1ED394EF-C0E6-11D2-BA6F-0000216C6CB1}");
    EXPECT_EQ(lower->bytes[0], 0x1E);
    EXPECT_EQ(lower->bytes[15], 0xB1);
    constexpr Guid literal = "{CE14818E-C102-11D2-BA6F-0000216C6CB1}"_guid;
    EXPECT_EQ(literal.str(), "{CE14818E-C102-11D2-BA6F-0000216C6CB1}");
}

TEST(Guid, RejectsMalformedText) {
    for (const char* text : {"", "{}", "1ED394EF-C0E6-11D2-BA6F-0000216C6CB1", "{1ED394EF-C0E6-11D2-BA6F-0000216C6CB1",
                             "{1ED394EF-C0E6-11D2-BA6F-0000216C6CB1}x", "{1ED394EFC-0E6-11D2-BA6F-0000216C6CB1}",
                             "{1ED394EF-C0E6-11D2-BA6F-0000216C6CBG}", "{1ED394EF C0E6-11D2-BA6F-0000216C6CB1}",
                             "(1ED394EF-C0E6-11D2-BA6F-0000216C6CB1)"}) {
        EXPECT_FALSE(Guid::parse(text)) << text;
    }
}

TEST(Guid, HashSeparatesNeighbours) {
    std::unordered_set<Guid> ids;
    for (int i = 0; i < 256; ++i) {
        Guid id = "{DF1AD307-C595-11D2-BA77-0000216C6CB1}"_guid;
        id.bytes[3] = static_cast<std::uint8_t>(i);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 256u);
    EXPECT_EQ(ids.count("{DF1AD3FF-C595-11D2-BA77-0000216C6CB1}"_guid), 1u);
}

class IAlpha : public virtual Object {
public:
    static constexpr Guid iid = "{5D8B0A01-7C3E-4F11-9A2B-3C4D5E6F7081}"_guid;
    virtual HRESULT Alpha(std::int32_t& value) = 0;
};

class IBeta : public virtual Object {
public:
    static constexpr Guid iid = "{5D8B0A02-7C3E-4F11-9A2B-3C4D5E6F7081}"_guid;
    virtual HRESULT Beta(std::int32_t& value) = 0;
};

// Derives from IBeta without listing it: queries must honour the list, not the C++ bases.
class AlphaOnly final : public Implements<IAlpha>, public IBeta {
public:
    HRESULT Alpha(std::int32_t& value) override {
        value = 1;
        return S_OK;
    }
    HRESULT Beta(std::int32_t& value) override {
        value = 2;
        return S_OK;
    }
    HRESULT supportsErrorInfo(const Guid& iid) const override { return iid == IAlpha::iid ? S_OK : S_FALSE; }
};

class Both final : public Implements<IAlpha, IBeta> {
public:
    HRESULT Alpha(std::int32_t& value) override {
        value = 3;
        return S_OK;
    }
    HRESULT Beta(std::int32_t& value) override {
        value = 4;
        return S_OK;
    }
};

TEST(Object, QueryAnswersForListedInterfacesOnly) {
    Ptr<Object> object = std::make_shared<AlphaOnly>();
    Ptr<IAlpha> alpha;
    ASSERT_EQ(query(object, alpha), S_OK);
    std::int32_t value = 0;
    EXPECT_EQ(alpha->Alpha(value), S_OK);
    EXPECT_EQ(value, 1);

    Ptr<IBeta> beta = std::make_shared<Both>();
    EXPECT_EQ(query(object, beta), E_NOINTERFACE);
    EXPECT_EQ(beta, nullptr);
    Ptr<Object> same;
    EXPECT_EQ(object->queryInterface(Object::iid, same), S_OK);
    EXPECT_EQ(same, object);
    EXPECT_EQ(object->queryInterface("{00000000-0000-0000-0000-000000000001}"_guid, same), E_NOINTERFACE);
    EXPECT_EQ(same, nullptr);
}

TEST(Object, QueryBetweenInterfacesSharesOwnership) {
    Ptr<IAlpha> alpha = std::make_shared<Both>();
    Ptr<IBeta> beta = query<IBeta>(alpha);
    ASSERT_NE(beta, nullptr);
    std::int32_t value = 0;
    EXPECT_EQ(beta->Beta(value), S_OK);
    EXPECT_EQ(value, 4);
    EXPECT_EQ(alpha.use_count(), 2);
    Ptr<IAlpha> none;
    EXPECT_EQ(query(none, beta), E_POINTER);
}

TEST(Object, SupportsErrorInfoDefaultsToFalse) {
    const Ptr<Object> alphaOnly = std::make_shared<AlphaOnly>();
    const Ptr<Object> both = std::make_shared<Both>();
    EXPECT_EQ(alphaOnly->supportsErrorInfo(IAlpha::iid), S_OK);
    EXPECT_EQ(alphaOnly->supportsErrorInfo(IBeta::iid), S_FALSE);
    EXPECT_EQ(both->supportsErrorInfo(IAlpha::iid), S_FALSE);
}

} // namespace
} // namespace kez::com
