// The CommandBars object model of one host window (Word, Excel, PowerPoint,
// an Outlook explorer or inspector), as the Office documentation describes
// its members:
// - CommandBars: Count, ActiveMenuBar, Item(index from 1 or name);
// - CommandBar: Name, Protection, Controls, FindControl(Type, Id, Tag,
//   Visible, Recursive), which gives the first match or Nothing;
// - CommandBarControls: Count, Add(Type, Id, Parameter, Before, Temporary),
//   which inserts in front of the control at Before (at the end when left
//   out) and fails on a bar whose Protection forbids customizing;
// - controls (buttons and popups): Caption, Tag, TooltipText, Type, Delete;
//   popups also Controls; buttons also Style, PasteFace (takes the picture
//   from the clipboard: the host's face format with its mask format, else a
//   plain bitmap) and CopyFace (puts the host's face formats on the
//   clipboard), and their Click event through _CommandBarButtonEvents.
// Every object answers the documented id of its typed interface. The test
// reads the state back (which controls a bar holds, in which order, with
// which face) and scripts failures on the objects.
#pragma once

#include "FakeDispatch.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace doubles {

// MsoControlType values the double builds.
const long FAKE_CONTROL_BUTTON = 1;
const long FAKE_CONTROL_POPUP = 10;

// One clipboard format that CopyFace puts there: its registered name and
// the size of its data.
struct FaceFormat {
    std::wstring name;
    size_t size;
};

// How a host deals with button faces: the names of the face and mask formats
// that PasteFace reads, and what CopyFace puts on the clipboard (in order).
struct FaceFormats {
    std::wstring face;
    std::wstring mask;
    std::vector<FaceFormat> copied;
};
// Office's own: "Toolbar Button Face" (the larger) and "Toolbar Button Mask".
FaceFormats OfficeFaceFormats();

struct FakeControlList;

// A control as the host holds it.
struct FakeControl {
    FakeDispatchPtr object;
    long type = FAKE_CONTROL_BUTTON;
    // The Temporary and Before arguments of the Add that made it (Before: 0
    // when left out; a control set up by the test: not temporary).
    bool temporary = false;
    long before = 0;
    bool deleted = false;
    std::weak_ptr<FakeControlList> parent;
    std::shared_ptr<FakeControlList> children; // popups

    // The face the last successful PasteFace took: the bytes of the host's
    // face and mask formats, or of CF_DIB without a mask.
    bool hasFace = false;
    bool faceFromPlainBitmap = false;
    std::string faceBytes;
    std::string maskBytes;
    // The clipboard's owner when the face was taken: whoever put it there.
    HWND faceOwner = nullptr;
    int pasteCalls = 0;
    // Called at the end of every PasteFace, the clipboard closed again (a
    // test can let another program take the clipboard just then).
    std::function<void()> afterPaste;

    std::wstring Caption() const;
    std::wstring Tag() const;
    std::wstring Tooltip() const;
    long Style() const;
    // The control's entries (popups).
    std::vector<std::shared_ptr<FakeControl>> Entries() const;
    // Fires Click with the control as the clicked control (Ctrl) to the
    // handlers of every button of the host, in any window, whose Tag is
    // this one's (Office's documented Tag behaviour); this button's own
    // first. The last handler's result.
    HRESULT Click();
    // Sinks advised on the button's events.
    int ClickSinks() const;
};

struct FakeControlList {
    FakeDispatchPtr object;
    std::vector<std::shared_ptr<FakeControl>> controls;
    // Add is refused while the owning bar forbids customizing.
    std::weak_ptr<struct FakeBar> bar;
};

struct FakeBar {
    FakeDispatchPtr object;
    std::shared_ptr<FakeControlList> controls;

    std::wstring Name() const;
    long Protection() const;
    std::vector<std::shared_ptr<FakeControl>> Controls() const { return controls->controls; }
    std::vector<std::wstring> Captions() const;
};

class FakeCommandBars
{
public:
    explicit FakeCommandBars(FaceFormats faces = OfficeFaceFormats());
    ~FakeCommandBars();
    FakeCommandBars(const FakeCommandBars&) = delete;
    FakeCommandBars& operator=(const FakeCommandBars&) = delete;

    // The window's CommandBars object.
    FakeDispatch* Object() const { return m_object; }

    // A menu bar with popups of these captions; the first one added is the
    // active menu bar.
    std::shared_ptr<FakeBar> AddMenuBar(const std::wstring& name, const std::vector<std::wstring>& menus);
    std::shared_ptr<FakeBar> AddToolbar(const std::wstring& name);
    // A control added as a user or an earlier run would have.
    std::shared_ptr<FakeControl> AddControl(const std::shared_ptr<FakeControlList>& list, long type,
                                            const std::wstring& caption, const std::wstring& tag);

    std::shared_ptr<FakeBar> MenuBar() const;
    std::shared_ptr<FakeBar> Bar(const std::wstring& name) const;
    // Every control with this Tag, on all bars and in all popups.
    std::vector<std::shared_ptr<FakeControl>> FindAll(const std::wstring& tag) const;
    std::shared_ptr<FakeControl> Find(const std::wstring& tag) const;

    const FaceFormats& Faces() const { return m_faces; }

    // Called whenever a control is added or deleted (Word marks its template
    // as changed then).
    void OnCustomize(std::function<void()> callback);
    // A failure scripted on the objects the host makes later: the n-th
    // Invoke of the member (0: every one) on each new object of the type
    // ("CommandBarPopup", "CommandBarButton", "CommandBarControls").
    void FailOnNew(const std::wstring& typeName, const std::wstring& member, int nth, HRESULT hr);

    // A typical window: menu bar "Menu Bar" with "Datei", "Bearbeiten",
    // "Ansicht", "?"; toolbars "Standard" and "Formatting".
    void AddTypicalBars();

private:
    struct State;
    std::shared_ptr<State> m_state;
    FakeDispatch* m_object;
    FaceFormats m_faces;
};

} // namespace doubles
