#include "NoCommonControls.h"

namespace {

HMODULE RefuseCommonControls()
{
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

} // namespace

const wchar_t SEVERE_ERROR_TEXT[] = L"Das Dokument konnte nicht abgelegt werden.\r\nEs trat ein schwerwiegender Fehler auf.";

NoCommonControls::NoCommonControls() : m_previous(SetCommonControlsLoader(RefuseCommonControls)) {}

NoCommonControls::~NoCommonControls()
{
    SetCommonControlsLoader(m_previous);
}
