#include "WalkerCalls.h"

#include "ConnectorCall.h"
#include "ConnectorIds.h"
#include "LanguageText.h"
#include "ModuleInstance.h"
#include "WalkerMessages.h"

namespace {

bool IsExistingFile(const wchar_t* path)
{
    DWORD attributes = path && *path ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The binding's own failures get the droplet's messages; a failed member call
// does not: the connector has shown its own.
int ReportBinding(const ConnectorCallResult& call)
{
    if (call.stage == CONNECTOR_NOT_REGISTERED) {
        ShowErrorBox(GetThisModule(), IDS_COM_NOT_REGISTERED);
        return 0;
    }
    if (call.stage == CONNECTOR_UNREACHABLE)
        ShowErrorBox(GetThisModule(), IDS_COM_ERROR);
    return 1;
}

} // namespace

int UploadFiles(const wchar_t* list, int length, int count, const wchar_t* uploadIni)
{
    VARIANT args[4];
    for (VARIANT& arg : args)
        VariantInit(&arg);
    args[ARG_PATHLIST].vt = VT_PTR;
    args[ARG_PATHLIST].byref = const_cast<wchar_t*>(list);
    args[ARG_PROPERTIES].vt = VT_BSTR;
    args[ARG_PROPERTIES].bstrVal = SysAllocString(IsExistingFile(uploadIni) ? uploadIni : L"");
    args[ARG_LISTLENGTH].vt = VT_INT;
    args[ARG_LISTLENGTH].intVal = length;
    args[ARG_PATHCOUNT].vt = VT_INT;
    args[ARG_PATHCOUNT].intVal = count;
    DISPPARAMS params = {args, nullptr, 4, 0};
    VARIANT result;
    VariantInit(&result);

    int outcome = ReportBinding(CallConnector(CONNECTOR_RUN, &params, &result));

    // The list stays the caller's: slot 0 only points into it.
    args[ARG_PATHLIST].vt = VT_EMPTY;
    for (VARIANT& arg : args)
        VariantClear(&arg);
    VariantClear(&result);
    return outcome;
}

int DisplayConnectorSettings(HWND)
{
    DISPPARAMS params = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ReportBinding(CallConnector(CONNECTOR_DISPLAYSETTINGS, &params, &result));
    VariantClear(&result);
    return 1;
}
