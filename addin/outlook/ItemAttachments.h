// The attachments of Outlook items: listed for the attachments dialog (list
// mode), then the chosen ones written, each into a hand-off folder of its
// own (save mode). Every visible attachment is listed; hidden ones are never
// listed or written.
#pragma once

#include "AttachmentList.h"

#include <oaidl.h>

#include <vector>

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

// The items of a walk over the selection, held from the list to the save:
// the user may select other items while the attachments dialog is open.
typedef std::vector<IDispatchPtr> HeldItems;

// CollectItemAttachments over every item selected in the active explorer,
// in selection order, each numbered by its position (from 1). An empty
// items is filled from the selection first; a filled one is walked as held.
HRESULT GetAttachmentList(IDispatch* application, bool save, HeldItems* items, CAttachmentList* attachments,
                          SavedPathList* savedPaths);
// The list entry, holding the items it walked, and the save entry over them.
inline HRESULT GetAttachmentList(IDispatch* application, HeldItems* items, CAttachmentList* attachments)
{
    return GetAttachmentList(application, false, items, attachments, nullptr);
}
inline HRESULT GetAttachmentList(IDispatch* application, HeldItems* items, CAttachmentList* attachments,
                                 SavedPathList* savedPaths)
{
    return GetAttachmentList(application, true, items, attachments, savedPaths);
}
// Each over the selection as it is now.
inline HRESULT GetAttachmentList(IDispatch* application, CAttachmentList* attachments)
{
    HeldItems items;
    return GetAttachmentList(application, false, &items, attachments, nullptr);
}
inline HRESULT GetAttachmentList(IDispatch* application, CAttachmentList* attachments, SavedPathList* savedPaths)
{
    HeldItems items;
    return GetAttachmentList(application, true, &items, attachments, savedPaths);
}

// The attachments of a signed or encrypted mail, through Redemption: the
// mail found in folder, its decrypted message's attachments listed by
// their position (from 1) or written with the attachment's own save.
HRESULT QueryRDOItemAttachmentList(IDispatch* folder, IDispatch* item, unsigned itemNumber, bool save,
                                   CAttachmentList* attachments, SavedPathList* savedPaths);
