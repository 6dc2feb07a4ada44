// The Acrobat test host as a program, for the demo: loads a plug-in, opens
// one PDF with the given XMP packet, presses the plug-in's toolbar button
// and unloads it, telling what it saw on the way. Message boxes that come up
// are printed and answered with OK.
//
//   AcroTestHost.exe <plug-in.api> <document.pdf> [<metadata.xmp>]
//
// Exit code 0 when the plug-in loaded, archived without a box and left the
// host clean; 1 otherwise.
#include "AcroTestHost.h"
#include "DialogWatcher.h"
#include "HostAutomation.h"
#include "TempDir.h"

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>

using namespace acrohost;

namespace {

std::string Narrow(const std::wstring& text)
{
    int cb = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(cb > 0 ? cb : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &ansi[0], cb, nullptr, nullptr);
    ansi.resize(ansi.size() - 1);
    return ansi;
}

int Run(int argc, wchar_t** argv)
{
    if (argc < 3) {
        printf("usage: AcroTestHost.exe <plug-in.api> <document.pdf> [<metadata.xmp>]\n");
        return 1;
    }
    AcroTestHost host;
    HostAutomation automation(host);
    bool ok = automation.Registered();

    LoadResult loaded = host.Load(argv[1]);
    printf("host: loaded %s: %s, extension \"%s\"\n", Narrow(argv[1]).c_str(),
           loaded == LOAD_OK ? "bound" : "refused", host.ExtensionName().c_str());
    if (loaded != LOAD_OK)
        return 1;
    std::string bar;
    for (const std::string& name : host.MenubarNames())
        bar += (bar.empty() ? "" : " | ") + name;
    printf("host: menu bar: %s\n", bar.c_str());
    MenuView menu;
    if (host.FindMenu("dovrane VX", &menu)) {
        for (const MenuItemView& item : menu.items)
            printf("host:   %s > %-18s (%s)\n", menu.title.c_str(), item.title.c_str(), item.name.c_str());
    }
    for (const std::string& button : host.ToolBarButtons("dovrane VX"))
        printf("host: toolbar \"dovrane VX\": button %s, tooltip \"%s\"\n", button.c_str(),
               ToUtf8(host.ButtonTooltip(button)).c_str());

    DocumentSpec pdf;
    pdf.path = Narrow(argv[2]);
    pdf.content = ReadFileBytes(argv[2]);
    if (argc > 3)
        pdf.xmp = ReadFileBytes(argv[3]);
    int doc = host.OpenDocument(pdf);
    printf("host: opened %s (%u bytes, XMP %u bytes); archive button enabled: %s\n", pdf.path.c_str(),
           static_cast<unsigned>(pdf.content.size()), static_cast<unsigned>(pdf.xmp.size()),
           host.ButtonEnabled("marvik:40002") ? "yes" : "no");

    size_t boxes = 0;
    {
        DialogWatcher watcher({}, DialogAnswer{IDOK});
        printf("host: pressing the button marvik:40002\n");
        ok = host.PressButton("marvik:40002") && ok;
        for (const SeenDialog& box : watcher.Seen())
            printf("host: message box \"%s\": %s\n", ToUtf8(box.caption).c_str(), ToUtf8(box.text).c_str());
        boxes = watcher.Count();
    }
    size_t saves = host.Saves(doc).size();
    for (const SavedCopy& saved : host.Saves(doc))
        printf("host: the plug-in saved a copy to %s (flags 0x%X)\n", saved.path.c_str(), saved.flags);

    host.CloseDocument(doc);
    host.Unload();
    LiveCounts live = host.Live();
    printf("host: unloaded; menus %u, items %u, buttons %u, path names %u, texts %u of the plug-in left\n",
           static_cast<unsigned>(live.pluginMenus), static_cast<unsigned>(live.pluginItems),
           static_cast<unsigned>(live.buttonsInToolBars), static_cast<unsigned>(live.pathNames),
           static_cast<unsigned>(live.texts));
    for (const std::string& problem : host.Problems())
        printf("host: problem: %s\n", problem.c_str());
    return ok && boxes == 0 && host.Problems().empty() && saves == 1 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    OleInitialize(nullptr);
    int rc = Run(argc, argv);
    OleUninitialize();
    return rc;
}
