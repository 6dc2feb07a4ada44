// The add-in in hosts without its ribbon: Word, Excel and PowerPoint before
// 12 with a window's CommandBars, and Outlook before 14 with its explorer
// and inspector windows. Every test ends with the add-in, its sinks and
// every host double gone.
#pragma once

#include "AddinFixture.h"
#include "FakeOffice.h"
#include "commandbars/FakeCommandBars.h"
#include "outlook/FakeOutlookWindows.h"

#include <memory>

class LegacyAddinTest : public AddinTest
{
protected:
    void ReleaseHost() override
    {
        outlook.reset();
        bars.reset();
        office.reset();
    }

    void SetSetting(const wchar_t* name, DWORD value)
    {
        reg.SetNumber(HKEY_LOCAL_MACHINE, RegistryFixture::GlobalKey(), name, value);
    }

    // Word, Excel or PowerPoint whose window has a menu bar and the
    // "Standard" and "Formatting" toolbars. Word marks its template as
    // changed whenever a control is added or deleted.
    void MakeOffice(doubles::OfficeApp app, int majorVersion)
    {
        office = std::make_unique<doubles::OfficeHostDouble>(app, majorVersion);
        bars = std::make_unique<doubles::FakeCommandBars>();
        bars->AddTypicalBars();
        office->Application()->SetProperty(L"CommandBars", doubles::DispatchVariant(bars->Object()));
        if (app == doubles::OfficeApp::Word) {
            doubles::FakeDispatch* normal = Template();
            bars->OnCustomize([normal] { normal->SetProperty(L"Saved", _variant_t(false)); });
        }
    }

    // Word's CustomizationContext.
    doubles::FakeDispatch* Template() const
    {
        _variant_t context = office->Application()->Property(L"CustomizationContext");
        return static_cast<doubles::FakeDispatch*>(V_DISPATCH(&context));
    }

    void MakeOutlook(const wchar_t* version = L"12.0.6600.1000")
    {
        outlook = std::make_unique<doubles::FakeOutlook>(version);
    }

    std::unique_ptr<doubles::OfficeHostDouble> office;
    std::unique_ptr<doubles::FakeCommandBars> bars;
    std::unique_ptr<doubles::FakeOutlook> outlook;
};
