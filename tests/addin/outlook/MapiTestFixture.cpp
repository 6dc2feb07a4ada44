#include "MapiTestFixture.h"

#include "FakeDispatch.h"
#include "MsgStorage.h"
#include "TempDir.h"
#include "mapi/CountingMapiAllocator.h"
#include "mapi/FakeMapiFunctions.h"
#include "mapi/ScriptedStorage.h"

using namespace doubles;

MapiDoublesScope::MapiDoublesScope()
{
    ResetCountingAllocator();
    SetDoublesAllocator(CountingAllocator());
    MsgStorage() = MsgStorageScript();
    ScriptedStorages() = StorageScript();
    m_table.MAPIGetDefaultMalloc = FakeMAPIGetDefaultMalloc;
    m_table.OpenIMsgSession = FakeOpenIMsgSession;
    m_table.OpenIMsgOnIStg = FakeOpenIMsgOnIStg;
    m_table.CloseIMsgSession = FakeCloseIMsgSession;
    m_table.MAPIAllocateBuffer = CountingAllocateBuffer;
    m_table.MAPIAllocateMore = CountingAllocateMore;
    m_table.MAPIFreeBuffer = CountingFreeBuffer;
    m_table.OpenStreamOnFile = FakeOpenStreamOnFile;
    m_table.HexFromBin = FakeHexFromBin;
    m_previous = ReplaceMapiFunctions(&m_table);
    ReplaceMsgStorageCreator(CreateScriptedStorage);
}

MapiDoublesScope::~MapiDoublesScope()
{
    ReplaceMsgStorageCreator(nullptr);
    ReplaceMapiFunctions(m_previous);
}

void ExpectMapiDoublesClean()
{
    EXPECT_EQ(0, CountingLiveBuffers()) << "MAPI buffers not freed";
    EXPECT_EQ(0, CountingBadFrees()) << "MAPI buffers freed twice or wrongly";
    EXPECT_EQ(MsgStorage().sessionsOpened, MsgStorage().sessionsClosed) << "message sessions left open";
}

void MapiDoublesTest::SetUp()
{
    m_mapi.reset(new MapiDoublesScope());
    temp.reset(new ScopedTempFolder());
}

void MapiDoublesTest::TearDown()
{
    ReleaseHostObjects();
    m_mapi.reset();
    temp.reset();
    EXPECT_EQ(0, FakeObjectCount()) << "host objects left alive";
    ExpectMapiDoublesClean();
}

std::wstring MapiDoublesTest::Inbox() const
{
    return temp->Path() + L"kq_temp_inbox\\";
}

std::vector<std::wstring> MapiDoublesTest::HandoffFolders() const
{
    std::vector<std::wstring> folders;
    for (const std::wstring& name : FolderNames(Inbox() + L"kq_data_*"))
        folders.push_back(Inbox() + name);
    return folders;
}
