// The four late-bound helpers against the generic host double: which Invoke
// flags reach the host, the one retry, and what comes back.
#include "DispatchHelpers.h"
#include "FakeDispatch.h"

#include <gtest/gtest.h>

using namespace doubles;

namespace {

class DispatchHelpersTest : public testing::Test
{
protected:
    void SetUp() override
    {
        host = FakeDispatch::Create(L"Document");
        host->AddProperty(L"Name", _variant_t(L"Bericht.docx"));
        host->AddProperty(L"Saved", _variant_t(false), ACCESS_GET | ACCESS_PUT);
        host->AddProperty(L"Parent", _variant_t(), ACCESS_GET | ACCESS_PUT | ACCESS_PUTREF);
        host->AddMember(L"SaveAs", ACCESS_METHOD, {Required(VT_BSTR), Optional(VT_I4)},
                        [](FakeDispatch&, const Invocation& call, VARIANT* result) {
                            if (result)
                                *result = _variant_t(static_cast<long>(call.args.size())).Detach();
                            return S_OK;
                        });
    }
    void TearDown() override
    {
        host->ClearObjectProperties();
        host = nullptr;
        EXPECT_EQ(FakeObjectCount(), 0);
    }

    std::vector<WORD> FlagsOf(const wchar_t* member)
    {
        std::vector<WORD> flags;
        for (const Invocation& call : host->CallsOf(member))
            flags.push_back(call.flags);
        return flags;
    }

    FakeDispatchPtr host;
};

TEST_F(DispatchHelpersTest, NullObjectOrValueIsRefusedWithoutACall)
{
    _variant_t result;
    _variant_t value(1L);
    EXPECT_EQ(CallMethod(nullptr, L"SaveAs", &result, 0, nullptr), E_POINTER);
    EXPECT_EQ(GetProperty(nullptr, L"Name", &result), E_POINTER);
    EXPECT_EQ(GetPropertyWithArgs(nullptr, L"Name", &result, 0, nullptr), E_POINTER);
    EXPECT_EQ(PutProperty(nullptr, L"Saved", &value), E_POINTER);
    EXPECT_EQ(PutProperty(host, L"Saved", nullptr), E_POINTER);
    EXPECT_TRUE(host->Calls().empty());
}

TEST_F(DispatchHelpersTest, UnknownNameGivesTheLookupResultAndInvokesNothing)
{
    _variant_t result;
    EXPECT_EQ(GetProperty(host, L"NoSuchMember", &result), DISP_E_UNKNOWNNAME);
    host->FailLookup(L"Name", E_ACCESSDENIED);
    EXPECT_EQ(GetProperty(host, L"Name", &result), E_ACCESSDENIED);
    EXPECT_TRUE(host->Calls().empty());
}

TEST_F(DispatchHelpersTest, GetPropertyReadsWithMethodAndGetOnceAndFindsNamesInAnyCase)
{
    _variant_t result;
    ASSERT_EQ(GetProperty(host, L"name", &result), S_OK);
    EXPECT_EQ(_bstr_t(result), _bstr_t(L"Bericht.docx"));
    EXPECT_EQ(FlagsOf(L"Name"), (std::vector<WORD>{DISPATCH_METHOD | DISPATCH_PROPERTYGET}));

    host->FailInvoke(L"Name", 1, E_FAIL);
    result.Clear();
    EXPECT_EQ(GetProperty(host, L"Name", &result), E_FAIL);
    EXPECT_EQ(host->CallCount(L"Name"), 2);
}

TEST_F(DispatchHelpersTest, CallMethodReachesAPropertyThroughItsOneRetry)
{
    _variant_t result;
    ASSERT_EQ(CallMethod(host, L"Name", &result, 0, nullptr), S_OK);
    EXPECT_EQ(_bstr_t(result), _bstr_t(L"Bericht.docx"));
    EXPECT_EQ(FlagsOf(L"Name"),
              (std::vector<WORD>{DISPATCH_METHOD, DISPATCH_METHOD | DISPATCH_PROPERTYGET}));
}

TEST_F(DispatchHelpersTest, CallMethodPassesArgumentsLastFirstAndRetriesAFailureExactlyOnce)
{
    // rgvarg order: the last argument first.
    VARIANT args[2];
    args[0] = _variant_t(16L).Detach();
    args[1] = _variant_t(L"C:\\x.docx").Detach();
    _variant_t result;
    ASSERT_EQ(CallMethod(host, L"SaveAs", &result, 2, args), S_OK);
    EXPECT_EQ(static_cast<long>(result), 2);
    auto calls = host->CallsOf(L"SaveAs");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(_bstr_t(calls[0].args[0]), _bstr_t(L"C:\\x.docx"));
    EXPECT_EQ(static_cast<long>(calls[0].args[1]), 16);

    // A method that ran and failed runs a second time, and no more.
    host->FailInvoke(L"SaveAs", 0, E_ABORT);
    result.Clear();
    EXPECT_EQ(CallMethod(host, L"SaveAs", &result, 2, args), E_ABORT);
    EXPECT_EQ(FlagsOf(L"SaveAs"), (std::vector<WORD>{DISPATCH_METHOD, DISPATCH_METHOD,
                                                      DISPATCH_METHOD | DISPATCH_PROPERTYGET}));
    VariantClear(&args[0]);
    VariantClear(&args[1]);
}

TEST_F(DispatchHelpersTest, PutPropertyOfAPlainValueIsOnePutByValue)
{
    _variant_t value;
    V_VT(&value) = VT_I2;
    V_I2(&value) = -1;
    ASSERT_EQ(PutProperty(host, L"Saved", &value), S_OK);
    EXPECT_EQ(FlagsOf(L"Saved"), (std::vector<WORD>{DISPATCH_METHOD | DISPATCH_PROPERTYPUT}));
    _variant_t stored = host->Property(L"Saved");
    EXPECT_EQ(V_VT(&stored), VT_I2);
    EXPECT_EQ(V_I2(&stored), -1);

    host->FailInvoke(L"Saved", 1, E_ACCESSDENIED);
    EXPECT_EQ(PutProperty(host, L"Saved", &value), E_ACCESSDENIED);
    EXPECT_EQ(host->CallCount(L"Saved"), 2);
}

TEST_F(DispatchHelpersTest, PutPropertyOfAnObjectTriesByReferenceThenByValue)
{
    FakeDispatchPtr other = FakeDispatch::Create(L"Template");
    _variant_t value = DispatchVariant(other);
    ASSERT_EQ(PutProperty(host, L"Parent", &value), S_OK);
    EXPECT_EQ(FlagsOf(L"Parent"), (std::vector<WORD>{DISPATCH_METHOD | DISPATCH_PROPERTYPUTREF}));

    // "Saved" takes no put-by-reference: the host refuses it, the value put
    // follows.
    host->ClearCalls();
    ASSERT_EQ(PutProperty(host, L"Saved", &value), S_OK);
    EXPECT_EQ(FlagsOf(L"Saved"), (std::vector<WORD>{DISPATCH_METHOD | DISPATCH_PROPERTYPUTREF,
                                                    DISPATCH_METHOD | DISPATCH_PROPERTYPUT}));
    host->ClearObjectProperties();
}

TEST_F(DispatchHelpersTest, ArraysAndReferencesCountAsObjectsForThePut)
{
    long number = 5;
    _variant_t byRef;
    V_VT(&byRef) = VT_I4 | VT_BYREF;
    V_I4REF(&byRef) = &number;
    EXPECT_EQ(PutProperty(host, L"Parent", &byRef), S_OK);
    EXPECT_EQ(FlagsOf(L"Parent").front(), DISPATCH_METHOD | DISPATCH_PROPERTYPUTREF);
    V_VT(&byRef) = VT_EMPTY;
}

TEST_F(DispatchHelpersTest, TheDoubleChecksArgumentCountsAndTypesAsAHostDoes)
{
    _variant_t result;
    VARIANT wrongType[1];
    wrongType[0] = _variant_t(1L).Detach(); // SaveAs wants a text first
    EXPECT_EQ(CallMethod(host, L"SaveAs", &result, 1, wrongType), DISP_E_TYPEMISMATCH);
    VARIANT missingRequired[1];
    missingRequired[0] = Missing().Detach();
    EXPECT_EQ(CallMethod(host, L"SaveAs", &result, 1, missingRequired), DISP_E_PARAMNOTOPTIONAL);
    VARIANT tooMany[3] = {_variant_t(1L).Detach(), _variant_t(1L).Detach(), _variant_t(L"x").Detach()};
    EXPECT_EQ(CallMethod(host, L"SaveAs", &result, 3, tooMany), DISP_E_BADPARAMCOUNT);
    VARIANT optionalMissing[2] = {Missing().Detach(), _variant_t(L"x").Detach()};
    EXPECT_EQ(CallMethod(host, L"SaveAs", &result, 2, optionalMissing), S_OK);
    for (VARIANT& v : tooMany)
        VariantClear(&v);
    VariantClear(&optionalMissing[1]);
    VariantClear(&wrongType[0]);
}

} // namespace
