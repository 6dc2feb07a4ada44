// The add-in's commands are entered from the host's ribbon callbacks and
// button events: no C++ exception may leave them into the host's frames,
// none starts inside another one's dialog or message box (the host stays
// usable behind them, they have no owner), and the host may unload the
// add-in from inside them.
#pragma once

#include "ComSupport.h"
#include "LanguageText.h"
#include "LogFile.h"
#include "MarvikAddin.h"
#include "OneAtATime.h"
#include "ServerModule.h"

#include <new>

const UINT IDS_DOCUMENT_NOT_SAVED = 8007;
const UINT IDS_DOCUMENT_OUT_OF_MEMORY = 8055;

// The add-in's reference for the length of a command.
class CCommandHold
{
public:
    explicit CCommandHold(CMarvikAddin& addin) : m_addin(addin) { m_addin.CommandStarted(); }
    ~CCommandHold() { m_addin.CommandEnded(); }
    CCommandHold(const CCommandHold&) = delete;
    CCommandHold& operator=(const CCommandHold&) = delete;

private:
    CMarvikAddin& m_addin;
};

// Runs a command's body unless another command still runs (then only the
// running command's dialog comes to the front, never one of the host's); an
// exception that escapes the body is logged with the command's name and
// shown as the message for a document that could not be saved (8055 when
// memory ran out, else 8007). The add-in lives until the command returns.
template <typename Fn>
void RunCommand(CMarvikAddin& addin, const wchar_t* command, Fn&& body) noexcept
{
    CCommandHold hold(addin);
    CCommandScope scope(ModuleCommandGate(), GATE_HOST_THREAD);
    if (!scope.Entered()) {
        try {
            g_Log.Info(L"%s: another command is still running\n", command);
        } catch (...) {
        }
        return;
    }
    HRESULT hr = S_OK;
    try {
        body();
        return;
    } catch (const _com_error& e) {
        hr = e.Error();
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    try {
        g_Log.Error(L"%s failed with an exception! hr = 0x%08X\n", command, static_cast<unsigned>(hr));
        ShowErrorBox(GetServerInstance(), hr == E_OUTOFMEMORY ? IDS_DOCUMENT_OUT_OF_MEMORY : IDS_DOCUMENT_NOT_SAVED);
    } catch (...) {
    }
}
