#include "MessageBoxSpy.h"

#include <cstring>

namespace {

using MessageBoxFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);

std::mutex g_mutex;
std::vector<MessageBoxCall> g_calls;
MessageBoxFn g_real = nullptr;

// The import address slot of user32!MessageBoxW in the program's own module.
void** FindImportSlot(void* target)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return nullptr;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<const char*>(base + desc->Name), "user32.dll") != 0)
            continue;
        for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk); thunk->u1.Function;
             ++thunk) {
            if (reinterpret_cast<void*>(thunk->u1.Function) == target)
                return reinterpret_cast<void**>(&thunk->u1.Function);
        }
    }
    return nullptr;
}

void WriteSlot(void** slot, void* value)
{
    DWORD old = 0;
    if (VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) {
        *slot = value;
        VirtualProtect(slot, sizeof(void*), old, &old);
    }
}

} // namespace

MessageBoxSpy::MessageBoxSpy()
{
    void* real = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "MessageBoxW"));
    if (!real)
        return;
    m_slot = FindImportSlot(real);
    if (!m_slot)
        return;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_calls.clear();
        g_real = reinterpret_cast<MessageBoxFn>(real);
    }
    m_original = real;
    WriteSlot(m_slot, reinterpret_cast<void*>(&Hook));
}

MessageBoxSpy::~MessageBoxSpy()
{
    if (m_slot)
        WriteSlot(m_slot, m_original);
}

std::vector<MessageBoxCall> MessageBoxSpy::Calls() const
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_calls;
}

int WINAPI MessageBoxSpy::Hook(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    MessageBoxFn real;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        real = g_real;
    }
    int result = real(owner, text, caption, type);
    MessageBoxCall call;
    call.owner = owner;
    call.text = text ? text : L"";
    call.caption = caption ? caption : L"";
    call.type = type;
    call.result = result;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.push_back(call);
    return result;
}
