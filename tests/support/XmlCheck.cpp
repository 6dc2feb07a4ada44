#include "XmlCheck.h"

#include "ComSupport.h"

#include <msxml2.h>

// MinGW's msxml2.h leaves this interface id undeclared for __uuidof.
__CRT_UUID_DECL(IXMLDOMDocument, 0x2933BF81, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)

namespace {

// The version-independent MSXML DOM document class.
const CLSID kDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};

_COM_SMARTPTR_TYPEDEF(IXMLDOMDocument, __uuidof(IXMLDOMDocument));

} // namespace

bool ParsesAsXml(const std::wstring& file)
{
    IXMLDOMDocumentPtr doc;
    if (FAILED(doc.CreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER)))
        return false;
    doc->put_async(VARIANT_FALSE);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    return doc->load(_variant_t(file.c_str()), &loaded) == S_OK && loaded == VARIANT_TRUE;
}
