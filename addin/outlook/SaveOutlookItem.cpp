// SaveOutlookItem: one Outlook item written as a .msg file by the road its
// message class chooses: Extended MAPI for mails (with Outlook's own save as
// the fallback) and the other item kinds, Outlook's own save for sticky
// notes, Redemption for signed and encrypted mails.
#include "OutlookCapture.h"

#include "DispatchHelpers.h"
#include "LogFile.h"
#include "MsgWriters.h"
#include "OutlookInterfaces.h"
#include "OutlookItemKinds.h"
#include "OutlookObjects.h"
#include "OutlookPropertyReaders.h"
#include "OutlookPropertyTables.h"
#include "RedemptionFolder.h"
#include "StepFailure.h"
#include "TypedMembers.h"
#include "WideFormat.h"

namespace {

// Outlook's OlRecurrenceState: what an appointment is within its series.
const long RECURRENCE_OCCURRENCE = 2; // olApptOccurrence
const long RECURRENCE_EXCEPTION = 3;  // olApptException

// An occurrence of a recurring series (or an exception to it) stands for the
// whole series: its master item takes its place. IsRecurring is true for
// the master too, whose Parent is its folder: the master is saved as itself.
HRESULT SeriesOf(IDispatchPtr& appointment)
{
    _variant_t recurring;
    HRESULT hr = GetTypedProperty(appointment, L"IsRecurring", &recurring);
    if (FAILED(hr))
        return Logged(L"Failed to get IsRecurring state! hr = 0x%08X\n", hr);
    if (V_VT(&recurring) != VT_BOOL || V_BOOL(&recurring) != VARIANT_TRUE)
        return S_OK;
    _variant_t state;
    hr = GetTypedProperty(appointment, L"RecurrenceState", &state);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&state, &state, 0, VT_I4);
    if (FAILED(hr))
        return Logged(L"Failed to get RecurrenceState! hr = 0x%08X\n", hr);
    if (V_I4(&state) != RECURRENCE_OCCURRENCE && V_I4(&state) != RECURRENCE_EXCEPTION)
        return S_OK;
    _variant_t parentValue;
    IDispatchPtr parent;
    hr = GetTypedProperty(appointment, L"Parent", &parentValue);
    if (SUCCEEDED(hr))
        hr = DispatchFromResult(parentValue, parent);
    if (FAILED(hr))
        return Logged(L"Failed to get_Parent from item! hr = 0x%08X\n", hr);
    appointment = nullptr;
    IDispatch* master = nullptr;
    hr = QueryTypedInterface(parent, IID_Outlook_AppointmentItem, &master);
    if (FAILED(hr))
        return Logged(L"Failed to get parent Outlook::_AppointmentItem object! hr = 0x%08X\n", hr);
    appointment.Attach(master);
    return S_OK;
}

HRESULT SaveTypedItem(IDispatch* item, const ItemKind& kind, wchar_t* path, unsigned index,
                      CPropertyCollection* properties)
{
    IDispatch* typedPointer = nullptr;
    HRESULT hr = QueryTypedInterface(item, *kind.iid, &typedPointer);
    if (FAILED(hr))
        return Logged(kind.noInterface, hr);
    IDispatchPtr typed(typedPointer, false);
    if (kind.road == ItemRoad::Appointment) {
        hr = SeriesOf(typed);
        if (FAILED(hr))
            return hr;
    }
    CMessagePtr message;
    hr = ReadItemMessage(typed, kind.noMapiObject, kind.noMessage, message);
    if (FAILED(hr))
        return hr;
    CollectMapiProperties(message, PropertyTableForMessageClass(kind.messageClass), properties);
    return SaveToMSG(message, path, index);
}

HRESULT SaveMailItem(IDispatch* application, IDispatch* item, const ItemKind& kind, wchar_t* path, unsigned index,
                     int majorVersion, CPropertyCollection* properties)
{
    IDispatch* mailPointer = nullptr;
    HRESULT hr = QueryTypedInterface(item, *kind.iid, &mailPointer);
    if (FAILED(hr))
        return Logged(kind.noInterface, hr);
    IDispatchPtr mail(mailPointer, false);
    CMessagePtr message;
    hr = ReadItemMessage(mail, kind.noMapiObject, kind.noMessage, message);
    if (FAILED(hr))
        return hr;
    CollectMapiProperties(message, MailPropertyDefs, properties);
    CollectRecipientAddresses(message, properties);
    CollectSenderAddress(application, message, properties);
    hr = SaveToMSG(message, path, index);
    if (SUCCEEDED(hr) || hr == E_OUTOFMEMORY)
        return hr;
    // Outlook writes what Extended MAPI could not copy; the properties
    // collected through MAPI stay.
    message = nullptr;
    return SaveToMSG_SMIME(mail, path, index, majorVersion);
}

HRESULT SaveStickyNote(IDispatch* item, wchar_t* path, unsigned index, int majorVersion,
                       CPropertyCollection* properties)
{
    IDispatch* notePointer = nullptr;
    HRESULT hr = QueryTypedInterface(item, IID_Outlook_NoteItem, &notePointer);
    if (FAILED(hr))
        return Logged(L"Failed to get Outlook::_NoteItem object! hr = 0x%08X\n", hr);
    IDispatchPtr note(notePointer, false);

    g_Log.Info(L"Entering SaveStickyNoteToMSG\n");
    wchar_t fileName[ITEM_PATH_CHARS];
    if (FAILED(MakeMsgFileName(fileName, ITEM_PATH_CHARS, index))) {
        g_Log.Error(L"Failed to get path of temp directory oder tempfilename\n");
        // A failure: without a file the note must not count as saved.
        return E_FAIL;
    }
    g_Log.Info(L"MSG file name %s\n", fileName);

    hr = SaveItemThroughOutlook(note, fileName, majorVersion);
    if (FAILED(hr))
        return Logged(L"Failed to save Outlook::_NoteItem object! hr = 0x%08X\n", hr);

    _variant_t body;
    hr = GetTypedProperty(note, L"Body", &body);
    if (FAILED(hr))
        return Logged(L"Failed to get Body of Outlook::_NoteItem object! hr = 0x%08X\n", hr);
    if (V_VT(&body) == VT_BSTR)
        properties->Add(L"OTL_STICKYNOTE_BODY", V_BSTR(&body), 1);
    _variant_t subject;
    hr = GetTypedProperty(note, L"Subject", &subject);
    if (FAILED(hr))
        return Logged(L"Failed to get Subject of Outlook::_NoteItem object! hr = 0x%08X\n", hr);
    if (V_VT(&subject) == VT_BSTR)
        properties->Add(L"OTL_STICKYNOTE_SUBJECT", V_BSTR(&subject), 1);

    CopyText(path, ITEM_PATH_CHARS, fileName);
    return S_OK;
}

HRESULT SaveThroughRedemption(IDispatch* application, IDispatch* item, wchar_t* path, unsigned index,
                              CPropertyCollection* properties)
{
    IDispatchPtr session;
    IDispatchPtr folder;
    HRESULT hr = OpenRedemptionFolder(application, session, folder);
    if (FAILED(hr))
        return hr;
    hr = SaveRDOMailFromFolder(folder, item, path, index, properties);
    if (FAILED(hr))
        g_Log.Error(L"error in SaveRDOMailFromFolder! hr = 0x%08X\n", static_cast<unsigned>(hr));
    return hr;
}

} // namespace

HRESULT SaveOutlookItem(IDispatch* application, IDispatch* item, unsigned index, int majorVersion, wchar_t* path,
                        CPropertyCollection* properties)
{
    if (!item || !path || !properties)
        return E_POINTER;
    _variant_t classValue;
    HRESULT hr = GetProperty(item, L"MessageClass", &classValue);
    if (FAILED(hr))
        return Logged(L"Can't get message class for selected item! hr = 0x%08X\n", hr);
    std::wstring messageClass = TextOfValue(classValue);
    g_Log.Info(L"Message class is %s\n", messageClass.c_str());

    const ItemKind* kind = FindItemKind(messageClass.c_str(), majorVersion);
    if (!kind) {
        g_Log.Warning(L"Wrong message class of selected item!\n");
        return E_WRONG_MESSAGE_CLASS;
    }
    switch (kind->road) {
    case ItemRoad::Mail:
        return SaveMailItem(application, item, *kind, path, index, majorVersion, properties);
    case ItemRoad::SignedMail:
        return SaveThroughRedemption(application, item, path, index, properties);
    case ItemRoad::StickyNote:
        return SaveStickyNote(item, path, index, majorVersion, properties);
    case ItemRoad::Typed:
    case ItemRoad::Appointment:
    default:
        return SaveTypedItem(item, *kind, path, index, properties);
    }
}
