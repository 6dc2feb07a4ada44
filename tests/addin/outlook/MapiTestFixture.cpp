#include "MapiTestFixture.h"

#include "FakeDispatch.h"
#include "MsgStorage.h"
#include "TempDir.h"
#include "mapi/CountingMapiAllocator.h"
#include "mapi/FakeMapiFunctions.h"
#include "mapi/ScriptedStorage.h"

using namespace doubles;

void MapiDoublesTest::SetUp()
{
    ResetCountingAllocator();
    SetDoublesAllocator(CountingAllocator());
    MsgStorage() = MsgStorageScript();
    ScriptedStorages() = StorageScript();
    table.MAPIGetDefaultMalloc = FakeMAPIGetDefaultMalloc;
    table.OpenIMsgSession = FakeOpenIMsgSession;
    table.OpenIMsgOnIStg = FakeOpenIMsgOnIStg;
    table.CloseIMsgSession = FakeCloseIMsgSession;
    table.MAPIAllocateBuffer = CountingAllocateBuffer;
    table.MAPIAllocateMore = CountingAllocateMore;
    table.MAPIFreeBuffer = CountingFreeBuffer;
    table.OpenStreamOnFile = FakeOpenStreamOnFile;
    table.HexFromBin = FakeHexFromBin;
    m_previous = ReplaceMapiFunctions(&table);
    ReplaceMsgStorageCreator(CreateScriptedStorage);
    temp.reset(new ScopedTempFolder());
}

void MapiDoublesTest::TearDown()
{
    ReleaseHostObjects();
    ReplaceMsgStorageCreator(nullptr);
    ReplaceMapiFunctions(m_previous);
    temp.reset();
    EXPECT_EQ(0, FakeObjectCount()) << "host objects left alive";
    EXPECT_EQ(0, CountingLiveBuffers()) << "MAPI buffers not freed";
    EXPECT_EQ(0, CountingBadFrees()) << "MAPI buffers freed twice or wrongly";
    EXPECT_EQ(MsgStorage().sessionsOpened, MsgStorage().sessionsClosed) << "message sessions left open";
}

std::wstring MapiDoublesTest::Inbox() const
{
    return temp->Path() + L"kq_temp_inbox\\";
}

std::vector<std::wstring> MapiDoublesTest::HandoffFolders() const
{
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((Inbox() + L"kq_data_*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return folders;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(Inbox() + entry.cFileName);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return folders;
}
