// A stand-in for Outlook as a local server: COM starts it with
// "-Embedding" for the class a test registers under the ProgID
// "Outlook.Application", and it serves the Outlook double of the doubles
// library (Application, MAPI name space, GetItemFromID, the items' Delete)
// out of process.
//
// Its store is a folder named on the command line ("/store <folder>"): one
// file "<entry id>.item" per item holding the lines "store=<store id>" and
// "class=<message class>". An item's Delete removes its file, so a test sees
// what Outlook deleted on disk. "version.txt" in the folder gives Outlook's
// Version (16.0.0.17928 without it). The server ends once no client holds
// its Application any more (COM lets go of it a moment after the client's
// last Release), and after a minute in any case.
#include "ClassRegistration.h"
#include "FakeClassFactory.h"
#include "outlook/FakeOutlook.h"

#include <ole2.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace doubles;

namespace {

// The class the tests register; not Outlook's own.
const CLSID CLSID_FakeOutlookServer = {0x3b7c2e41, 0x5d0a, 0x4c6f, {0x9e, 0x21, 0x7a, 0x44, 0x0d, 0x8b, 0x6c, 0x15}};
const UINT_PTR CHECK_TIMER = 1;
const UINT CHECK_MS = 100;
const DWORD LONGEST_LIFE_MS = 60000;

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::wstring Widen(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], n);
    out.resize(out.size() - 1);
    return out;
}

std::wstring StoreFolder(const wchar_t* commandLine)
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(commandLine, &count);
    std::wstring folder;
    for (int i = 0; args && i + 1 < count; ++i)
        if (_wcsicmp(args[i], L"/store") == 0)
            folder = args[i + 1];
    LocalFree(args);
    return folder;
}

std::wstring ReadVersion(const std::wstring& folder)
{
    std::ifstream file(Narrow(folder + L"\\version.txt"));
    std::string version;
    if (file && std::getline(file, version) && !version.empty())
        return Widen(version);
    return L"16.0.0.17928";
}

// The items of the store folder, put into Outlook's stores.
void LoadItems(FakeOutlookModel& outlook, const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.item").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = data.cFileName;
        std::wstring path = folder + L"\\" + name;
        std::ifstream file(Narrow(path));
        std::string line, storeId, messageClass;
        while (std::getline(file, line)) {
            if (line.rfind("store=", 0) == 0)
                storeId = line.substr(6);
            else if (line.rfind("class=", 0) == 0)
                messageClass = line.substr(6);
        }
        std::wstring entryId = name.substr(0, name.size() - 5);
        outlook.AddToStore(Widen(storeId), entryId, Widen(messageClass).c_str(), nullptr,
                           [path] { DeleteFileW(path.c_str()); });
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    std::wstring folder = StoreFolder(GetCommandLineW());
    if (folder.empty() || FAILED(CoInitialize(nullptr)))
        return 1;
    int rc = 0;
    {
        FakeOutlookModel outlook(nullptr, ReadVersion(folder).c_str());
        LoadItems(outlook, folder);
        FakeDispatch* application = outlook.Application();
        bool handedOut = false;
        FakeClassFactoryPtr factory =
            FakeClassFactory::Create([application, &handedOut](REFIID iid, void** ppv) {
                HRESULT hr = application->QueryInterface(iid, ppv);
                handedOut = handedOut || SUCCEEDED(hr);
                return hr;
            });
        // One client a server: each test's call starts a server on its own
        // store, while one that is still ending serves nobody.
        ClassRegistration registration(CLSID_FakeOutlookServer, factory.GetInterfacePtr(), CLSCTX_LOCAL_SERVER,
                                       REGCLS_SINGLEUSE);
        if (!registration.Registered()) {
            rc = 2;
        } else {
            // Ends when the clients have let go of the Application (only
            // the model holds it then).
            SetTimer(nullptr, CHECK_TIMER, CHECK_MS, nullptr);
            DWORD start = GetTickCount();
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                if (message.message == WM_TIMER) {
                    bool released = handedOut && application->RefCount() <= 1;
                    if (released || GetTickCount() - start > LONGEST_LIFE_MS)
                        break;
                    continue;
                }
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    CoUninitialize();
    return rc;
}
