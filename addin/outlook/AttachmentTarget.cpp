#include "AttachmentTarget.h"

#include "InboxFolder.h"
#include "LogFile.h"
#include "SafeFileName.h"
#include "WideFormat.h"

#include <string>

bool MakeAttachmentTarget(const wchar_t* name, wchar_t* folder, wchar_t* target)
{
    if (!CreateInboxDataFolder(folder, ATTACHMENT_PATH_CHARS)) {
        g_Log.Error(L"Can't create a folder for the attachment %s\n", name ? name : L"");
        return false;
    }
    std::wstring safeName = MakeSafeFileName(name);
    std::wstring path = std::wstring(folder) + safeName;
    if (path.size() >= ATTACHMENT_PATH_CHARS) {
        g_Log.Error(L"The attachment's path is too long (%u characters): %s\n", static_cast<unsigned>(path.size()),
                    path.c_str());
        RemoveEmptyAttachmentFolder(folder);
        return false;
    }
    CopyText(target, ATTACHMENT_PATH_CHARS, path.c_str());
    return true;
}

void RemoveEmptyAttachmentFolder(const wchar_t* folder)
{
    // RemoveDirectoryW leaves a folder that holds anything.
    std::wstring path(folder);
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    RemoveDirectoryW(path.c_str());
}
