// The attachments of Outlook items: listed for the attachments dialog (list
// mode), then the chosen ones written, each into a hand-off folder of its
// own (save mode). Every visible attachment is listed; hidden ones are never
// listed or written.
#pragma once

#include "AttachmentList.h"

#include <oaidl.h>

// The item's attachments, listed as the item numbered itemNumber of the
// walk (save mode writes only the chosen entries of that number). A class
// without attachments to offer gives E_WRONG_MESSAGE_CLASS; failures at one
// attachment skip it.
HRESULT CollectItemAttachments(IDispatch* application, IDispatch* item, unsigned itemNumber, bool save,
                               CAttachmentList* attachments, SavedPathList* savedPaths);

// The entries for one opened item: list mode and save mode.
inline HRESULT CollectItemAttachments(IDispatch* application, IDispatch* item, CAttachmentList* attachments)
{
    return CollectItemAttachments(application, item, 0, false, attachments, nullptr);
}
inline HRESULT CollectItemAttachments(IDispatch* application, IDispatch* item, CAttachmentList* attachments,
                                      SavedPathList* savedPaths)
{
    return CollectItemAttachments(application, item, 0, true, attachments, savedPaths);
}

// CollectItemAttachments over every item selected in the active explorer,
// in selection order, each numbered by its position (from 1).
HRESULT GetAttachmentList(IDispatch* application, bool save, CAttachmentList* attachments, SavedPathList* savedPaths);
inline HRESULT GetAttachmentList(IDispatch* application, CAttachmentList* attachments)
{
    return GetAttachmentList(application, false, attachments, nullptr);
}
inline HRESULT GetAttachmentList(IDispatch* application, CAttachmentList* attachments, SavedPathList* savedPaths)
{
    return GetAttachmentList(application, true, attachments, savedPaths);
}

// The attachments of a signed or encrypted mail, through Redemption: the
// mail found in folder, its decrypted message's attachments listed by
// their position (from 1) or written with the attachment's own save.
HRESULT QueryRDOItemAttachmentList(IDispatch* folder, IDispatch* item, unsigned itemNumber, bool save,
                                   CAttachmentList* attachments, SavedPathList* savedPaths);
