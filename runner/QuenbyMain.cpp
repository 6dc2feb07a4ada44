// Quenby: hands the files and folders named on its command line, or a
// request for the settings dialog, to the connector, and exits with 0 or 1.
#include "CommandLine.h"
#include "CommonResource.h"
#include "ConnectorCall.h"
#include "LanguageText.h"
#include "LogFile.h"

#include <windows.h>
#include <ole2.h>

#include <new>
#include <vector>

namespace {

const wchar_t CAPTION[] = L"marvik dovrane";
const wchar_t NO_FILES[] = L"Es wurden keine Dateien ausgewählt.";
const wchar_t PARAMETER_ERROR[] = L"Parameterfehler: Die Kommandozeile konnte nicht ausgewertet werden.";
const wchar_t NOT_REGISTERED[] = L"Die COM Schnittstelle ist nicht registriert.";
const wchar_t COMMUNICATION_ERROR[] = L"Fehler bei der Kommunikation mit der COM Schnittstelle.";

// Slot 0 only points into the path list, which its owner frees.
void ClearSlots(VARIANT (&slots)[4])
{
    slots[0].vt = VT_EMPTY;
    for (VARIANT& slot : slots)
        VariantClear(&slot);
}

void ShowMessage(const wchar_t* text)
{
    MessageBoxW(nullptr, text, CAPTION, MB_TOPMOST | MB_ICONERROR);
}

// The connector takes a properties file it cannot find for none at all, so
// the runner refuses it itself, as the connector refuses one it cannot read:
// no document may go without the properties its caller asked for.
bool RefuseProperties(const PropertiesArgument& properties)
{
    if (!properties.asked || properties.IsPlainFile())
        return false;
    if (properties.path.empty())
        g_Log.Error(L"Quenby: \"/c\" names no properties file, nothing handed off\n");
    else if (properties.attributes != INVALID_FILE_ATTRIBUTES)
        g_Log.Error(L"Quenby: the properties file %s is a folder, nothing handed off\n", properties.path.c_str());
    else
        g_Log.Error(L"Quenby: can not find the properties file %s, error: %d, nothing handed off\n",
                    properties.path.c_str(), static_cast<int>(properties.error));
    ShowErrorBox(GetModuleHandleW(nullptr), IDS_HANDOFF_FILE_FAILED);
    return true;
}

class CComInit
{
public:
    CComInit() : m_hr(CoInitialize(nullptr)) {}
    ~CComInit()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr;
};

int Run()
{
    VARIANT slots[4];
    for (VARIANT& slot : slots)
        VariantInit(&slot);
    VARIANT result;
    VariantInit(&result);
    int length = 0;
    int settings = 0;

    // The counting pass ends at the first "/f": a "/s" behind it is not seen.
    ParseCommandLine(nullptr, nullptr, 0, &length, &settings);
    if (length == 1 && !settings) {
        // The walk found files that it cannot hand off: the filling pass
        // names them before the message says that none is left.
        wchar_t none[1] = {L'\0'};
        int ignored = 0;
        ParseCommandLine(slots, none, 1, &ignored, &settings, nullptr, &ignored);
        ClearSlots(slots);
        ShowMessage(NO_FILES);
        return 1;
    }
    std::vector<wchar_t> pathList(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    int leftOut = 0;
    PropertiesArgument properties;
    int argCount =
        ParseCommandLine(slots, pathList.data(), pathList.size(), &length, &settings, nullptr, &leftOut, &properties);
    if (argCount < 1) {
        ClearSlots(slots);
        ShowMessage(PARAMETER_ERROR);
        return 1;
    }
    // The settings dialog takes no properties.
    if (!settings && RefuseProperties(properties)) {
        ClearSlots(slots);
        return 1;
    }

    HRESULT hr;
    {
        CComInit com;
        DISPPARAMS params = {slots, nullptr, static_cast<UINT>(argCount), 0};
        ConnectorCallResult call =
            CallConnector(settings ? CONNECTOR_DISPLAYSETTINGS : CONNECTOR_RUN, &params, &result);
        if (call.stage == CONNECTOR_NOT_REGISTERED)
            ShowMessage(NOT_REGISTERED);
        else if (call.stage == CONNECTOR_UNREACHABLE)
            ShowMessage(COMMUNICATION_ERROR);
        hr = call.hr;
        VariantClear(&result);
    }
    ClearSlots(slots);
    // The rest was handed off, but a script must learn that not all arrived.
    return FAILED(hr) || leftOut > 0 ? 1 : 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        return Run();
    } catch (const std::bad_alloc&) {
        ShowMessage(PARAMETER_ERROR);
    } catch (...) {
    }
    return 1;
}
