// The five event sinks as COM objects: what QueryInterface, GetIDsOfNames
// and Invoke answer and in which order they check, and how advising on a
// source fails silently and leaves nothing behind.
#include "ButtonHandler.h"
#include "ExplorerHandlers.h"
#include "InspectorHandlers.h"

#include "FakeDispatch.h"

#include <gtest/gtest.h>

#include <functional>

using namespace doubles;

namespace {

// The documented event interfaces, written down here on their own.
const IID DOC_CommandBarButtonEvents = {0x000c0351, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID DOC_ExplorerEvents = {0x0006304f, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID DOC_ExplorersEvents = {0x00063078, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID DOC_InspectorEvents = {0x0006302a, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID DOC_InspectorsEvents = {0x00063079, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID SOME_IID = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

struct EventRow {
    const wchar_t* name;
    DISPID id;
    UINT argCount;
};

struct SinkKind {
    const char* name;
    // A new sink with its first reference; the add-in is not needed for
    // these checks.
    std::function<CEventSink*(IDispatch* explorer)> make;
    IID events;
    std::vector<EventRow> members;
};

template <typename Sink, typename... Args>
CEventSink* MakeSink(Args... args)
{
    CEventSink* sink = new Sink(nullptr, args...);
    sink->AddRef();
    return sink;
}

const SinkKind SINK_KINDS[] = {
    {"ButtonHandler", [](IDispatch*) { return MakeSink<CButtonHandler>(); }, DOC_CommandBarButtonEvents,
     {{L"Click", 1, 2}}},
    {"ExplorerHandler", [](IDispatch* explorer) { return MakeSink<CExplorerHandler>(explorer); },
     DOC_ExplorerEvents, {{L"Activate", 0xF001, 0}, {L"Close", 0xF008, 0}}},
    {"ExplorersHandler", [](IDispatch*) { return MakeSink<CExplorersHandler>(); }, DOC_ExplorersEvents,
     {{L"NewExplorer", 0xF001, 1}}},
    {"InspectorHandler", [](IDispatch*) { return MakeSink<CInspectorHandler>(); }, DOC_InspectorEvents,
     {{L"Close", 0xF008, 0}}},
    {"InspectorsHandler", [](IDispatch*) { return MakeSink<CInspectorsHandler>(); }, DOC_InspectorsEvents,
     {{L"NewInspector", 0xF001, 1}}},
};

class EventSinkTest : public testing::TestWithParam<SinkKind>
{
protected:
    void SetUp() override
    {
        explorer = FakeDispatch::Create(L"Explorer");
        sink = GetParam().make(explorer);
    }
    void TearDown() override
    {
        if (sink) {
            EXPECT_EQ(0u, sink->Release());
        }
        explorer = nullptr;
        EXPECT_EQ(FakeObjectCount(), 0);
    }

    HRESULT Lookup(const wchar_t* name, DISPID* id, REFIID iid = IID_NULL)
    {
        LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
        return sink->GetIDsOfNames(iid, names, 1, LOCALE_USER_DEFAULT, id);
    }

    HRESULT Call(DISPID id, UINT argCount, REFIID iid = IID_NULL, bool withParams = true)
    {
        std::vector<VARIANT> args(argCount + 1);
        for (VARIANT& arg : args)
            VariantInit(&arg);
        DISPPARAMS params = {args.data(), nullptr, argCount, 0};
        return sink->Invoke(id, iid, LOCALE_USER_DEFAULT, DISPATCH_METHOD, withParams ? &params : nullptr, nullptr,
                            nullptr, nullptr);
    }

    FakeDispatchPtr explorer;
    CEventSink* sink = nullptr;
};

TEST_P(EventSinkTest, QueryInterfaceAnswersUnknownDispatchAndItsOwnEventInterfaceOnly)
{
    const SinkKind& kind = GetParam();
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, kind.events}) {
        void* out = nullptr;
        EXPECT_EQ(S_OK, sink->QueryInterface(iid, &out));
        EXPECT_EQ(static_cast<IDispatch*>(sink), out);
        EXPECT_EQ(1u, sink->Release());
    }
    std::vector<IID> others = {IID_IConnectionPointContainer, SOME_IID};
    for (const SinkKind& other : SINK_KINDS)
        if (!IsEqualIID(other.events, kind.events))
            others.push_back(other.events);
    for (const IID& iid : others) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, sink->QueryInterface(iid, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(E_POINTER, sink->QueryInterface(IID_IUnknown, nullptr));

    UINT count = 7;
    EXPECT_EQ(S_OK, sink->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(E_POINTER, sink->GetTypeInfoCount(nullptr));
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(E_FAIL, sink->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    EXPECT_EQ(nullptr, info);
    EXPECT_EQ(E_POINTER, sink->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr));
}

TEST_P(EventSinkTest, GetIDsOfNamesKnowsItsEventsByExactNameAndChecksInOrder)
{
    for (const EventRow& member : GetParam().members) {
        DISPID id = 0;
        EXPECT_EQ(S_OK, Lookup(member.name, &id)) << member.name;
        EXPECT_EQ(member.id, id);
        std::wstring upper(member.name);
        for (wchar_t& c : upper)
            c = static_cast<wchar_t>(towupper(c));
        EXPECT_EQ(DISP_E_UNKNOWNNAME, Lookup(upper.c_str(), &id));
    }
    DISPID id = 0;
    // Another sink's event is not this one's.
    EXPECT_EQ(DISP_E_UNKNOWNNAME, Lookup(GetParam().members[0].id == 1 ? L"Close" : L"Click", &id));

    LPOLESTR two[2] = {const_cast<LPOLESTR>(GetParam().members[0].name), const_cast<LPOLESTR>(L"Close")};
    DISPID ids[2] = {};
    EXPECT_EQ(E_INVALIDARG, sink->GetIDsOfNames(IID_NULL, two, 2, LOCALE_USER_DEFAULT, ids));
    // The interface is checked first, then the arrays, then the count.
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, sink->GetIDsOfNames(SOME_IID, nullptr, 2, LOCALE_USER_DEFAULT, nullptr));
    EXPECT_EQ(E_POINTER, sink->GetIDsOfNames(IID_NULL, nullptr, 2, LOCALE_USER_DEFAULT, ids));
    EXPECT_EQ(E_POINTER, sink->GetIDsOfNames(IID_NULL, two, 2, LOCALE_USER_DEFAULT, nullptr));
}

TEST_P(EventSinkTest, InvokeChecksInterfaceThenMemberThenParametersThenCount)
{
    const EventRow& member = GetParam().members[0];
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, Call(4711, 9, SOME_IID, false));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(4711, member.argCount, IID_NULL, false));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(DISPID_VALUE, member.argCount));
    EXPECT_EQ(E_POINTER, Call(member.id, member.argCount, IID_NULL, false));
    for (const EventRow& event : GetParam().members) {
        EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(event.id, event.argCount + 1));
        if (event.argCount > 0) {
            EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(event.id, event.argCount - 1));
        }
    }
}

enum class AdviseFailure { NoContainer, FindConnectionPoint, Advise };

struct AdviseCase {
    const char* name;
    AdviseFailure failure;
};


TEST_P(EventSinkTest, FailedAdviseIsSilentAndLeavesNothingBehind)
{
    const AdviseCase cases[] = {{"NoContainer", AdviseFailure::NoContainer},
                                {"FindConnectionPoint", AdviseFailure::FindConnectionPoint},
                                {"Advise", AdviseFailure::Advise}};
    for (const AdviseCase& c : cases) {
        SCOPED_TRACE(c.name);
        CEventSink* fresh = GetParam().make(explorer);
        FakeDispatchPtr source = FakeDispatch::Create(L"Source");
        if (c.failure != AdviseFailure::NoContainer)
            source->AddEventInterface(GetParam().events);
        if (c.failure == AdviseFailure::FindConnectionPoint)
            source->FailFindConnectionPoint(GetParam().events, E_NOINTERFACE);
        if (c.failure == AdviseFailure::Advise)
            source->FailAdvise(GetParam().events, CONNECT_E_ADVISELIMIT);

        fresh->Advise(source);
        EXPECT_FALSE(fresh->IsAdvised());
        EXPECT_EQ(0, source->SinkCount(GetParam().events));
        fresh->Unadvise();
        fresh->Unadvise();
        EXPECT_EQ(0u, fresh->Release());
        source = nullptr;
    }
}

TEST_P(EventSinkTest, UnadviseDisconnectsOnceAndASecondUnadviseDoesNothing)
{
    FakeDispatchPtr source = FakeDispatch::Create(L"Source");
    source->AddEventInterface(GetParam().events);
    sink->Advise(source);
    ASSERT_TRUE(sink->IsAdvised());
    EXPECT_EQ(1, source->SinkCount(GetParam().events));

    sink->Unadvise();
    EXPECT_FALSE(sink->IsAdvised());
    EXPECT_EQ(0, source->SinkCount(GetParam().events));
    sink->Unadvise();
    EXPECT_EQ(0, source->SinkCount(GetParam().events));
    // An event that still reaches an unadvised sink finds no add-in.
    const EventRow& member = GetParam().members[0];
    EXPECT_EQ(S_OK, Call(member.id, member.argCount));
}

INSTANTIATE_TEST_SUITE_P(Sinks, EventSinkTest, testing::ValuesIn(SINK_KINDS),
                         [](const testing::TestParamInfo<SinkKind>& info) { return std::string(info.param.name); });

} // namespace
