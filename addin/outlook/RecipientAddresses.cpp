// CollectRecipientAddresses: the e-mail addresses of all recipients of a mail.
#include "OutlookPropertyReaders.h"

#include "LogFile.h"

#include <cwchar>
#include <string>

namespace {

// The row's first address column, in column order, whose text has an "@".
const wchar_t* AddressOfRow(const SRow& row)
{
    for (ULONG i = 0; i < row.cValues; ++i) {
        const SPropValue& column = row.lpProps[i];
        if (column.ulPropTag != PR_EMAIL_ADDRESS_W && column.ulPropTag != TAG_SMTP_ADDRESS_W)
            continue;
        if (column.Value.lpszW && wcschr(column.Value.lpszW, L'@'))
            return column.Value.lpszW;
    }
    return nullptr;
}

} // namespace

void CollectRecipientAddresses(IMessage* message, CPropertyCollection* properties)
{
    if (!properties)
        return;
    // Grown as needed: a long list of recipients is never cut.
    std::wstring addresses;
    const MapiFunctions* mapi = message ? GetMapiFunctions() : nullptr;
    CMapiTablePtr table;
    if (mapi && SUCCEEDED(message->GetRecipientTable(MAPI_UNICODE, &table)) && table) {
        for (;;) {
            CMapiRowSet rows(mapi);
            if (FAILED(table->QueryRows(1, 0, rows.Receive())) || !rows.Get() || rows->cRows == 0)
                break;
            const wchar_t* address = AddressOfRow(rows->aRow[0]);
            if (address && *address) {
                if (!addresses.empty())
                    addresses += L';';
                addresses += address;
            }
        }
    }
    g_Log.Info(L"Collect MAPI property PR_SMTP_ADDRESS/PR_EMAIL_ADDRESS value %s\n", addresses.c_str());
    properties->Add(KEY_OTL_MSG_TO_SMTP_ADDRESS, addresses.c_str(), 1);
}
