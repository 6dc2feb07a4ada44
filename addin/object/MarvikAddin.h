// The Office add-in object: what Outlook, Word, Excel and PowerPoint create
// from the ProgID under their "Addins" key. It is the host's connection
// (IDTExtensibility2), its ribbon (IRibbonExtensibility, callbacks by name
// through IDispatch) and the owner of the legacy buttons' and Outlook
// windows' event sinks in hosts without the ribbon.
//
// Every call comes on the host's user-interface thread; the reference count
// is a plain integer.
#pragma once

#include "AddinInterfaces.h"
#include "ClipboardOwner.h"
#include "ComSupport.h"
#include "InboxFolder.h"
#include "Settings.h"

#include <list>

class CButtonHandler;
class CExplorersHandler;
class CInspectorsHandler;
class CExplorerHandler;
class CInspectorHandler;

// The host that loaded the add-in; 1 to 4 are also the startapp codes of its
// hand-offs.
enum HostKind {
    HOST_NONE = 0,
    HOST_OUTLOOK = 1,
    HOST_WORD = 2,
    HOST_EXCEL = 3,
    HOST_POWERPOINT = 4,
    HOST_OTHER = 7,
};

// The ribbon's callback members, the only names GetIDsOfNames knows.
enum AddinDispId {
    DISPID_ADDIN_ARCHIVE = 1,
    DISPID_ADDIN_SETTINGS = 2,
    DISPID_ADDIN_INFO = 3,
    DISPID_ADDIN_GETIMAGE = 4,
    DISPID_ADDIN_ATTACHMENT = 5,
    DISPID_ADDIN_ARCHIVESINGLEOUTLOOK = 6,
    DISPID_ADDIN_ATTACHMENTSINGLEOUTLOOK = 7,
};

// The six button-handler slots of one window's legacy controls.
enum ButtonSlot {
    BUTTON_MENU_ARCHIVE = 0,
    BUTTON_MENU_SETTINGS = 1,
    BUTTON_MENU_INFO = 2,
    BUTTON_TOOLBAR_ARCHIVE = 3,
    BUTTON_MENU_ATTACHMENT = 4,
    BUTTON_TOOLBAR_ATTACHMENT = 5,
    BUTTON_SLOT_COUNT = 6,
};

class CMarvikAddin : public IDTExtensibility2, public IRibbonExtensibility
{
public:
    CMarvikAddin();
    virtual ~CMarvikAddin();
    CMarvikAddin(const CMarvikAddin&) = delete;
    CMarvikAddin& operator=(const CMarvikAddin&) = delete;

    // IUnknown and IDispatch, shared by both bases.
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argError) override;

    // IDTExtensibility2
    STDMETHODIMP OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch* addInInst,
                              SAFEARRAY** custom) override;
    STDMETHODIMP OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom) override;
    STDMETHODIMP OnAddInsUpdate(SAFEARRAY** custom) override;
    STDMETHODIMP OnStartupComplete(SAFEARRAY** custom) override;
    STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) override;

    // IRibbonExtensibility
    STDMETHODIMP GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) override;

    // The ribbon's loadImage callback: the picture file of that name in the
    // installation folder as an IPictureDisp.
    HRESULT GetImage(const wchar_t* imageName, VARIANT* result);

    // The six commands, reached from the ribbon callbacks and the legacy
    // buttons' click sinks. Each reports its own failures.
    void OnArchive();
    void OnArchiveSingleOutlook(IDispatch* context);
    void OnAttachment(IDispatch* item);
    void OnAttachmentSingleOutlook(IDispatch* context);
    void OnSettings();
    void OnAbout();

    // Outlook window callbacks of the event sinks (Outlook before 14).
    void OnExplorerActivate(CExplorerHandler* handler);
    void OnExplorerClose(CExplorerHandler* handler);
    void OnNewExplorer(IDispatch* explorer);
    void OnNewInspector(IDispatch* inspector);
    void OnInspectorClose(CInspectorHandler* handler);

    // A command's stay in the add-in: a reference that keeps the object
    // alive until the command returns, also when the host drops its last
    // one from inside the command's dialog. A disconnection that arrives
    // meanwhile is completed when the last command ends.
    void CommandStarted();
    void CommandEnded() noexcept;

    HostKind GetHostKind() const { return m_hostKind; }
    int GetMajorVersion() const { return m_majorVersion; }
    IDispatch* GetApplication() const { return m_application; }
    CKQCSettings& GetSettings() { return m_settings; }
    const CKQCSettings& GetSettings() const { return m_settings; }
    // The add-in's own window for the clipboard (the legacy buttons' faces),
    // from the legacy road's start to its shutdown; null otherwise.
    HWND GetClipboardOwner() const { return m_clipboardOwner.Handle(); }

private:
    // The legacy road of hosts without the ribbon: command bars for the
    // main window (commandBars: the host's CommandBars; null in Outlook,
    // whose bars belong to its explorer), in older Outlook also the window
    // sinks. StartLegacyUI's result is OnStartupComplete's.
    HRESULT StartLegacyUI(IDispatch* commandBars);
    // Lets go of every button handler and window sink.
    void ShutdownLegacyUI();
    // OnDisconnection's work: the shutdown when the user unloads the
    // add-in, then the release of Application.
    void Disconnect(ext_DisconnectMode removeMode, SAFEARRAY** custom);

    // The archive command's roads: the active Word, Excel or PowerPoint
    // document, and the selected Outlook items.
    void ArchiveOfficeDocument();
    void ArchiveOutlookSelection();
    // The attachments command's road for an opened item, or the selection
    // (no item).
    void ArchiveChosenAttachments(IDispatch* item);
    // The end of every archive road: the storage location (dialog 118 when
    // there are several), then the receiving program with the host kind as
    // its source code. Cancel marks the listed hand-off folders deletable
    // and starts nothing. True when the receiving program was started.
    bool HandOver(HandoffIdList& ids);

    IDispatch* m_application;
    ULONG m_refs;
    HostKind m_hostKind;
    CButtonHandler* m_buttonHandlers[BUTTON_SLOT_COUNT];
    CExplorersHandler* m_explorersHandler;
    CInspectorsHandler* m_inspectorsHandler;
    std::list<CExplorerHandler*> m_explorerHandlers;
    std::list<CInspectorHandler*> m_inspectorHandlers;
    CKQCSettings m_settings;
    int m_majorVersion;
    CClipboardOwnerWindow m_clipboardOwner;
    // Commands running (a refused one inside the running one counts too),
    // and a disconnection that waits for their end.
    int m_commandsRunning;
    bool m_disconnectPending;
    ext_DisconnectMode m_pendingRemoveMode;
};

// True for the hosts whose buttons live on the ribbon: Outlook from 14, every
// other host from 12.
bool UsesRibbon(HostKind host, int majorVersion);
