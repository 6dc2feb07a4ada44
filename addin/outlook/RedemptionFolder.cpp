#include "RedemptionFolder.h"

#include "DispatchHelpers.h"
#include "LogFile.h"
#include "OutlookObjects.h"
#include "RedemptionSession.h"

HRESULT OpenRedemptionSession(IDispatch* application, IDispatchPtr& session, const StepFailure& failure)
{
    session = nullptr;
    IDispatchPtr outlookSession;
    HRESULT hr = GetObjectProperty(application, L"Session", outlookSession);
    if (FAILED(hr))
        return failure(hr, L"Can't get session! hr = 0x%08X\n", static_cast<unsigned>(hr));
    _variant_t mapiObject;
    hr = GetProperty(outlookSession, L"MAPIOBJECT", &mapiObject);
    if (FAILED(hr))
        return failure(hr, L"Can't get MAPIOBJECT from session! hr = 0x%08X\n", static_cast<unsigned>(hr));

    IDispatch* created = nullptr;
    bool classIdMissing = false;
    hr = CreateRedemptionSession(&created, &classIdMissing);
    if (FAILED(hr)) {
        // The log has the missing class id already.
        if (classIdMissing && failure.IntoText())
            failure(hr, L"Can't get CLSID for Redemption.RDOSession! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    IDispatchPtr rdo(created, false);

    _variant_t version;
    hr = GetProperty(rdo, L"Version", &version);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get version of Redemption! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    g_Log.Info(L"Redemption DLL version: %s\n", TextOfValue(version).c_str());

    hr = PutProperty(rdo, L"MAPIOBJECT", &mapiObject);
    if (FAILED(hr))
        return failure(hr, L"Can't put MAPIOBJECT to RDO Session! hr = 0x%08X\n", static_cast<unsigned>(hr));
    session = rdo;
    return S_OK;
}

HRESULT OpenRedemptionFolder(IDispatch* application, IDispatchPtr& session, IDispatchPtr& folder)
{
    folder = nullptr;
    HRESULT hr = OpenRedemptionSession(application, session);
    if (FAILED(hr))
        return hr;

    IDispatchPtr explorer;
    hr = GetActiveExplorer(application, explorer);
    if (FAILED(hr))
        return hr;
    IDispatchPtr current;
    hr = GetObjectProperty(explorer, L"CurrentFolder", current);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get CurrentFolder! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    _variant_t folderPath;
    hr = GetProperty(current, L"FolderPath", &folderPath);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get FolderPath! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    _variant_t entryId;
    hr = GetProperty(current, L"EntryID", &entryId);
    if (SUCCEEDED(hr) && V_VT(&entryId) != VT_BSTR)
        hr = VariantChangeType(&entryId, &entryId, 0, VT_BSTR);
    if (FAILED(hr)) {
        g_Log.Error(L"Can't get EntryID! hr = 0x%08X\n", static_cast<unsigned>(hr));
        return hr;
    }
    g_Log.Info(L"selected Outlook Folder: %s EntryID: %s\n", TextOfValue(folderPath).c_str(),
               TextOfValue(entryId).c_str());

    _variant_t result;
    hr = CallMethod(session, L"GetFolderFromID", &result, 1, &entryId);
    if (SUCCEEDED(hr))
        hr = DispatchFromResult(result, folder);
    if (FAILED(hr))
        g_Log.Error(L"Can't call GetFolderFromID! hr = 0x%08X\n", static_cast<unsigned>(hr));
    return hr;
}
