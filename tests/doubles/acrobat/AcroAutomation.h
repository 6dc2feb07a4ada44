// Acrobat's automation objects as a plug-in inside Acrobat reaches them:
// "AcroExch.App" registered in this process (its class object through
// CoRegisterClassObject, as Acrobat registers it, and the ProgID under
// HKEY_CLASSES_ROOT), built on FakeDispatch with the members and dispatch
// ids of the host's automation interface:
//   App:   GetNumAVDocs (13), GetActiveDoc (15)
//   AVDoc: GetPDDoc (24)
//   PDDoc: GetInfo (8), GetFileName (12), Save (23; short type, path),
//          GetJSObject (27)
//   JSObject: "collection", a collection object for a PDF portfolio and
//          null for any other document, as the host's script documents it.
// The documents themselves come from a source the test host provides.
#pragma once

#include "ClassRegistration.h"
#include "FakeClassFactory.h"
#include "FakeDispatch.h"

#include <string>

namespace doubles {

class AcroDocumentSource
{
public:
    virtual ~AcroDocumentSource() = default;
    virtual int DocumentCount() = 0;
    // The active document's id, or -1.
    virtual int ActiveDocument() = 0;
    // The file the document is tied to (ANSI); empty when none.
    virtual std::string DocumentPath(int id) = 0;
    virtual bool IsPortfolio(int id) = 0;
    virtual std::wstring Info(int id, const std::wstring& key) = 0;
    // PDDoc.Save: true when the host reports success.
    virtual bool Save(int id, short type, const std::string& path) = 0;
};

class AcroAutomation
{
public:
    // Registers the class; Registered() tells whether it worked.
    explicit AcroAutomation(AcroDocumentSource& source);

    bool Registered() const { return m_registration.Registered(); }
    // The CreateInstance calls of the class object so far.
    int Created() const;

    // The class id the double registers under "AcroExch.App".
    static const CLSID& ClassId();

private:
    FakeClassFactoryPtr m_factory;
    ClassRegistration m_registration;
};

} // namespace doubles
