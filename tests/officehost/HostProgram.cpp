// The test host as a program, for the demo: opens a document in a Word,
// Excel or PowerPoint double, loads the registered add-in as Office does,
// shows its ribbon, clicks its archive button and unloads it, printing
// every step.
//
//   office_test_host <word|excel|powerpoint> <document> [--builtin Name=Value] [--custom Name=Value] ...
//   office_test_host time <word|excel|powerpoint>
//
// The second form loads the add-in once, with a never-saved document, and
// prints the milliseconds of its start-up as the host sees it: creating it
// (loading the module), OnConnection, OnStartupComplete and GetCustomUI.
// Exit code 0 when every step succeeded and nothing of the host is left.
#include "FakeOffice.h"
#include "OfficeTestHost.h"
#include "TempDir.h"

#include <ole2.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

using namespace doubles;

namespace {

const wchar_t PROGID[] = L"Marvik.DovraneAddinVX2";

void Print(const std::wstring& line)
{
    std::string bytes = ToUtf8(line) + "\n";
    fwrite(bytes.data(), 1, bytes.size(), stdout);
    fflush(stdout);
}

bool ParseApp(const wchar_t* name, OfficeApp* app, std::wstring* officeApp, std::wstring* ribbonId)
{
    if (_wcsicmp(name, L"word") == 0) {
        *app = OfficeApp::Word;
        *officeApp = L"Word";
        *ribbonId = L"Microsoft.Word.Document";
    } else if (_wcsicmp(name, L"excel") == 0) {
        *app = OfficeApp::Excel;
        *officeApp = L"Excel";
        *ribbonId = L"Microsoft.Excel.Workbook";
    } else if (_wcsicmp(name, L"powerpoint") == 0) {
        *app = OfficeApp::PowerPoint;
        *officeApp = L"PowerPoint";
        *ribbonId = L"Microsoft.PowerPoint.Presentation";
    } else {
        return false;
    }
    return true;
}

DocumentPropertySpec Property(const wchar_t* text)
{
    std::wstring pair(text);
    size_t equals = pair.find(L'=');
    if (equals == std::wstring::npos)
        return {pair, _variant_t(L"")};
    return {pair.substr(0, equals), _variant_t(pair.substr(equals + 1).c_str())};
}

int Time(const wchar_t* appName)
{
    OfficeApp app;
    std::wstring officeApp, ribbonId;
    if (!ParseApp(appName, &app, &officeApp, &ribbonId))
        return 2;
    bool ok = false;
    {
        OfficeHostDouble host(app, 16);
        OfficeTestHost office(officeApp, host.Application());
        ok = office.Load(PROGID) == S_OK && office.LoadRibbon(ribbonId) == S_OK;
        const AddinTimes& t = office.Times();
        wchar_t line[256];
        swprintf(line, 256, L"%.2f %.2f %.2f %.2f %.2f", t.Total(), t.create, t.connect, t.startup, t.customUI);
        Print(line);
        ULONG left = 1;
        ok = SUCCEEDED(office.Unload(&left)) && left == 0 && ok;
    }
    return ok && FakeObjectCount() == 0 ? 0 : 1;
}

int Run(int argc, wchar_t** argv)
{
    if (argc == 3 && wcscmp(argv[1], L"time") == 0)
        return Time(argv[2]);
    OfficeApp app;
    std::wstring officeApp, ribbonId;
    if (argc < 3 || !ParseApp(argv[1], &app, &officeApp, &ribbonId)) {
        Print(L"usage: office_test_host <word|excel|powerpoint> <document> [--builtin Name=Value] [--custom Name=Value]");
        return 2;
    }
    std::wstring path = argv[2];
    std::vector<DocumentPropertySpec> builtIn, custom;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (wcscmp(argv[i], L"--builtin") == 0)
            builtIn.push_back(Property(argv[i + 1]));
        else if (wcscmp(argv[i], L"--custom") == 0)
            custom.push_back(Property(argv[i + 1]));
    }

    bool ok = true;
    {
        OfficeHostDouble host(app, 16, ReadFileBytes(path));
        host.Document().OpenFile(path);
        host.Document().SetBuiltInProperties(builtIn);
        host.Document().SetCustomProperties(custom);
        Print(L"host: " + std::wstring(OfficeHostDouble::HostName(app)) + L" 16.0 with " + path + L" open");

        OfficeTestHost office(officeApp, host.Application());
        HRESULT loaded = office.Load(PROGID);
        ok = SUCCEEDED(loaded) && office.LoadRibbon(ribbonId) == S_OK;
        if (ok) {
            for (const RibbonButton& button : office.Buttons()) {
                SIZE size;
                ok = SUCCEEDED(office.LoadImage(button.image, &size)) && ok;
            }
            ok = SUCCEEDED(office.Click(L"KVPMBTVX2_0001")) && ok;
        }
        ULONG left = 1;
        if (SUCCEEDED(loaded))
            ok = SUCCEEDED(office.Unload(&left)) && left == 0 && ok;
        for (const std::wstring& step : office.Steps())
            Print(step);
        HRESULT canUnload = office.CanUnloadNow();
        Print(L"DllCanUnloadNow: " + std::wstring(canUnload == S_OK ? L"S_OK" : L"not S_OK"));
        ok = ok && canUnload == S_OK;
        Print(L"document afterwards: " + host.Document().State().fullName);
    }
    Print(L"host objects left alive: " + std::to_wstring(FakeObjectCount()));
    return ok && FakeObjectCount() == 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // Office calls its add-ins on its user-interface thread, an OLE
    // single-threaded apartment.
    OleInitialize(nullptr);
    int rc = Run(argc, argv);
    OleUninitialize();
    return rc;
}
