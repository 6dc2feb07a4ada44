// The add-in's own import of "mapi32.dll", run twice: against the fake
// module loaded as Windows would load MAPI32 (KQ_MAPI32_MODE=fake, with
// WINEDLLOVERRIDES=mapi32=n), and with MAPI32 switched off
// (KQ_MAPI32_MODE=missing), where the capture fails with a log line.
#include "MapiImports.h"
#include "MsgWriters.h"
#include "OutlookPropertyReaders.h"

#include "FakeDispatch.h"
#include "LogTail.h"
#include "ScopedTempFolder.h"
#include "TempDir.h"
#include "mapi/CountingMapiAllocator.h"
#include "mapi/FakeMessage.h"
#include "mapi/MsgFileReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace doubles;

namespace {

std::string Mode()
{
    const char* mode = std::getenv("KQ_MAPI32_MODE");
    return mode ? mode : "";
}

typedef LONG(WINAPI* CountFunction)();

// The fake module's own counts, by the ordinals it exports them under.
LONG ModuleCount(WORD ordinal)
{
    HMODULE module = GetModuleHandleW(L"mapi32.dll");
    CountFunction count = module ? reinterpret_cast<CountFunction>(
                                       reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))))
                                 : nullptr;
    return count ? count() : -1;
}

template <typename Fn>
Fn Entry(WORD ordinal)
{
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"mapi32.dll"), MAKEINTRESOURCEA(ordinal))));
}

std::wstring ModuleBeside(const wchar_t* name)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring path = program;
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

class FakeMapi32Test : public testing::Test
{
protected:
    void SetUp() override
    {
        if (Mode() != "fake")
            GTEST_SKIP() << "runs with the fake mapi32.dll only";
        HRESULT hr = E_FAIL;
        ASSERT_NE(nullptr, GetMapiFunctions(&hr)) << std::hex << hr;
        // The doubles hand out memory of the module the code frees with.
        SetDoublesAllocator(MapiAllocator{Entry<LPALLOCATEBUFFER>(ORDINAL_MAPIAllocateBuffer),
                                          Entry<LPALLOCATEMORE>(ORDINAL_MAPIAllocateMore),
                                          Entry<LPFREEBUFFER>(ORDINAL_MAPIFreeBuffer)});
        temp.reset(new ScopedTempFolder());
    }
    void TearDown() override
    {
        if (Mode() != "fake")
            return;
        SetDoublesAllocator(CountingAllocator());
        temp.reset();
        EXPECT_EQ(0, FakeObjectCount());
        EXPECT_EQ(0, ModuleCount(1001)) << "MAPI buffers of mapi32.dll not freed";
        EXPECT_EQ(0, ModuleCount(1002)) << "bad frees in mapi32.dll";
        EXPECT_EQ(0, ModuleCount(1003)) << "objects of mapi32.dll left alive";
    }

    std::unique_ptr<ScopedTempFolder> temp;
};

TEST_F(FakeMapi32Test, TheImportComesFromTheModuleBesideTheProgramByOrdinal)
{
    HMODULE module = GetModuleHandleW(L"mapi32.dll");
    ASSERT_NE(nullptr, module);
    wchar_t loaded[MAX_PATH];
    GetModuleFileNameW(module, loaded, MAX_PATH);
    EXPECT_EQ(0, _wcsicmp(ModuleBeside(L"mapi32.dll").c_str(), loaded)) << ToUtf8(loaded);
    const MapiFunctions* mapi = GetMapiFunctions();
    EXPECT_EQ(reinterpret_cast<void*>(mapi->OpenIMsgOnIStg),
              reinterpret_cast<void*>(GetProcAddress(module, "OpenIMsgOnIStg@44")));
    EXPECT_EQ(reinterpret_cast<void*>(mapi->HexFromBin),
              reinterpret_cast<void*>(GetProcAddress(module, "HexFromBin@12")));
}

TEST_F(FakeMapi32Test, AMailIsReadAndWrittenThroughTheModule)
{
    FakeMessage* mail = FakeMessage::Create();
    mail->Set(BinaryProp(PR_ENTRYID, {0x00, 0xAB, 0x10}));
    mail->Set(TextProp(PR_SUBJECT_W, L"\u041e\u0442\u0447\u0451\u0442"));
    mail->AddRecipient({TextProp(PR_EMAIL_ADDRESS_W, L"anna@example.com")});
    CPropertyCollection properties;
    CollectMapiProperties(mail, MailPropertyDefs, &properties);
    CollectRecipientAddresses(mail, &properties);
    EXPECT_EQ(std::wstring(L"00AB10"), properties.GetValue(L"PR_ENTRYID"));
    EXPECT_EQ(std::wstring(L"\u041e\u0442\u0447\u0451\u0442"), properties.GetValue(L"OTL_MSG_SUBJECT"));
    EXPECT_EQ(std::wstring(L"anna@example.com"), properties.GetValue(L"OTL_MSG_TO_SMTP_ADDRESS"));

    wchar_t path[MAX_PATH] = L"";
    ASSERT_EQ(S_OK, SaveToMSG(mail, path, 0));
    mail->Release();
    MsgFile msg;
    std::string error;
    ASSERT_TRUE(ReadMsgFile(path, &msg, &error)) << error;
    ASSERT_NE(nullptr, msg.Find(PROP_ID(PR_SUBJECT_W)));
    EXPECT_EQ(PT_UNICODE, msg.Find(PROP_ID(PR_SUBJECT_W))->Type());
    EXPECT_EQ(L"\u041e\u0442\u0447\u0451\u0442", msg.Find(PROP_ID(PR_SUBJECT_W))->text);
    EXPECT_EQ(1u, msg.recipients.size());
}

TEST_F(FakeMapi32Test, AModuleWithoutAnEntryIsRefusedWithALogLine)
{
    LogTail log;
    MapiFunctions table = {};
    HMODULE module = reinterpret_cast<HMODULE>(1);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND),
              LoadMapiFunctions(ModuleBeside(L"mapi32part.dll").c_str(), &table, &module));
    EXPECT_EQ(nullptr, module);
    EXPECT_EQ(nullptr, table.MAPIAllocateBuffer);
    EXPECT_TRUE(log.Contains(L"[ERR] MAPI function OpenIMsgOnIStg (ordinal 198) is missing in")) << ToUtf8(log.Text());
}

class MissingMapi32Test : public testing::Test
{
protected:
    void SetUp() override
    {
        if (Mode() != "missing")
            GTEST_SKIP() << "runs with mapi32.dll switched off only";
        temp.reset(new ScopedTempFolder());
    }
    void TearDown() override
    {
        temp.reset();
        EXPECT_EQ(0, FakeObjectCount());
        EXPECT_EQ(0, CountingLiveBuffers());
    }

    std::unique_ptr<ScopedTempFolder> temp;
};

TEST_F(MissingMapi32Test, TheCaptureFailsWithALogLineAndWritesNothing)
{
    LogTail log;
    HRESULT hr = S_OK;
    EXPECT_EQ(nullptr, GetMapiFunctions(&hr));
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(log.Contains(L"[ERR] Can't load mapi32.dll!")) << ToUtf8(log.Text());

    FakeMessage* mail = FakeMessage::Create();
    mail->Set(TextProp(PR_SUBJECT_W, L"Bericht"));
    wchar_t path[MAX_PATH] = L"untouched";
    EXPECT_TRUE(FAILED(SaveToMSG(mail, path, 0)));
    EXPECT_EQ(std::wstring(L"untouched"), path);
    CPropertyCollection properties;
    CollectMapiProperties(mail, MailPropertyDefs, &properties);
    EXPECT_EQ(0u, properties.Count());
    EXPECT_EQ(0, mail->Script().Calls("CopyTo"));
    mail->Release();
    EXPECT_TRUE(log.Contains(L"[ERR] Can't write the MSG file without MAPI32!")) << ToUtf8(log.Text());
    EXPECT_TRUE(log.Contains(L"[ERR] Can't collect MAPI properties without MAPI32!")) << ToUtf8(log.Text());
    // No hand-off folder is made for a file that cannot be written.
    EXPECT_FALSE(DirExists(temp->Path() + L"kq_temp_inbox"));
}

} // namespace
