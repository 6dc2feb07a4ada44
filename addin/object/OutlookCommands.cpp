// The add-in's Outlook commands. The Outlook capture is not part of this
// module yet: each command logs that it was called and does nothing more.
#include "MarvikAddin.h"

#include "CommandGuard.h"

void CMarvikAddin::ArchiveOutlookSelection()
{
    g_Log.Warning(L"OnArchive: the Outlook capture is not available in this build\n");
}

void CMarvikAddin::OnArchiveSingleOutlook(IDispatch*)
{
    RunCommand(L"OnArchiveSingleOutlook", [&] {
        g_Log.Info(L"Outlook CMarvikAddin->OnArchiveSingleOutlook invoked\n");
    });
}

void CMarvikAddin::OnAttachment(IDispatch*)
{
    RunCommand(L"OnAttachment", [&] {
        g_Log.Info(L"Outlook CMarvikAddin->OnAttachment invoked\n");
    });
}

void CMarvikAddin::OnAttachmentSingleOutlook(IDispatch*)
{
    RunCommand(L"OnAttachmentSingleOutlook", [&] {
        g_Log.Info(L"Outlook CMarvikAddin->OnAttachmentSingleOutlook invoked\n");
    });
}
