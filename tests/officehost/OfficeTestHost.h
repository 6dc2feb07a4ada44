// A host that loads Brenmark's add-in the way Office does: the add-ins
// listed under its "Addins" key, the ProgID, CoCreateInstance of the
// registered module, both add-in interfaces through their vtables, the
// ribbon's XML read as XML, its pictures and buttons reached by callback
// name through IDispatch, the shutdown, the last Release and the module's
// DllCanUnloadNow. Used by the tests of both bitnesses and by the demo.
#pragma once

#include "AddinInterfaces.h"

#include <windows.h>

#include <string>
#include <vector>

// Milliseconds the host spent in each call into the add-in; create includes
// loading the module.
struct AddinTimes {
    double create = 0;
    double connect = 0;
    double startup = 0;
    double customUI = 0;

    double Total() const { return create + connect + startup + customUI; }
};

struct RibbonButton {
    std::wstring id;
    std::wstring image;
    std::wstring label;
    std::wstring onAction;
};

// The ProgIDs under HKLM "Software\Microsoft\Office\<officeApp>\Addins"
// that the host loads at its start (LoadBehavior 3), in key order.
std::vector<std::wstring> StartupAddins(const std::wstring& officeApp);

class OfficeTestHost
{
public:
    // officeApp: the host's name in its Office key ("Word", "Excel",
    // "PowerPoint", "Outlook"); application: its Application object.
    OfficeTestHost(const std::wstring& officeApp, IDispatch* application);
    ~OfficeTestHost();
    OfficeTestHost(const OfficeTestHost&) = delete;
    OfficeTestHost& operator=(const OfficeTestHost&) = delete;

    // Creates the add-in of a ProgID listed under the Addins key and runs
    // OnConnection (host start-up) and OnStartupComplete.
    HRESULT Load(const std::wstring& progId);
    // GetCustomUI for a ribbon kind; the XML must be well-formed. S_FALSE
    // when the add-in gives none.
    HRESULT LoadRibbon(const std::wstring& ribbonId);
    const std::wstring& RibbonXml() const { return m_xml; }
    const std::vector<RibbonButton>& Buttons() const { return m_buttons; }
    const std::wstring& LoadImageCallback() const { return m_loadImage; }
    // The loadImage callback for a picture name; its size in pixels.
    HRESULT LoadImage(const std::wstring& image, SIZE* size);
    // The button's onAction callback with a ribbon control (Context given).
    HRESULT Click(const std::wstring& buttonId, IDispatch* context = nullptr);
    // OnBeginShutdown, OnDisconnection on shutdown, then the last Release;
    // lastRelease gets what that Release returned.
    HRESULT Unload(ULONG* lastRelease = nullptr);
    // The module's DllCanUnloadNow (after Unload).
    HRESULT CanUnloadNow() const;

    // What the host did, a line a step, for a person to read.
    const std::vector<std::wstring>& Steps() const { return m_steps; }
    const std::wstring& ModulePath() const { return m_modulePath; }
    const AddinTimes& Times() const { return m_times; }

private:
    void Step(const wchar_t* format, ...);
    HRESULT Callback(const std::wstring& name, VARIANT* arg, VARIANT* result);

    std::wstring m_officeApp;
    IDispatch* m_application;
    IDTExtensibility2* m_addin = nullptr;
    IRibbonExtensibility* m_ribbon = nullptr;
    SAFEARRAY* m_custom = nullptr;
    std::wstring m_modulePath;
    HMODULE m_module = nullptr;
    std::wstring m_xml;
    std::wstring m_loadImage;
    std::vector<RibbonButton> m_buttons;
    std::vector<std::wstring> m_steps;
    AddinTimes m_times;
};
