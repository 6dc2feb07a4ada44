#include "DropletPlacement.h"

#include "UserRegistry.h"
#include "WideFormat.h"

#include <cstdlib>

DropletPlacement g_DropletPlacement;

namespace {

const size_t VALUE_CHARS = 1024;
const double MIN_SIDE = 32.0;

std::wstring ValueName(const DropletOptions& options, const wchar_t* suffix)
{
    return options.valuePrefix + suffix;
}

// The per-user text value; false when it does not exist.
bool ReadUserText(const DropletOptions& options, const wchar_t* suffix, std::wstring* text)
{
    wchar_t buffer[VALUE_CHARS] = {};
    // One character is kept free so that a value stored without its NUL
    // still ends.
    LONG size = ReadUserRegValue(ValueName(options, suffix).c_str(), buffer, sizeof(buffer) - sizeof(wchar_t));
    if (size <= 0)
        return false;
    *text = buffer;
    return true;
}

// The per-user value, else the first line of the ini section.
std::wstring ReadUserOrIni(const DropletOptions& options, const wchar_t* suffix, const wchar_t* section)
{
    std::wstring text;
    if (!ReadUserText(options, suffix, &text))
        text = ReadFirstSectionLine(options.iniPath, section);
    return text;
}

// A stored coordinate that keeps the scaled picture on the desktop, else the
// centre for the window's size; a window larger than the desktop starts at
// its edge.
int PlaceCoordinate(const DropletOptions& options, const wchar_t* suffix, LONG desktopEnd, int pictureSize,
                    double scale, int windowSize)
{
    std::wstring text;
    if (ReadUserText(options, suffix, &text)) {
        int value = _wtoi(text.c_str());
        if (value >= 0 && value <= desktopEnd + 1 - static_cast<int>(pictureSize * scale))
            return value;
    }
    int centre = (static_cast<int>(desktopEnd) - windowSize) / 2;
    return centre < 0 ? 0 : centre;
}

} // namespace

SIZE ScaledPictureSize(int pictureWidth, int pictureHeight, double scale)
{
    double w = pictureWidth * scale;
    double h = pictureHeight * scale;
    if (pictureWidth < pictureHeight) {
        if (w < MIN_SIDE) {
            w = MIN_SIDE;
            h = MIN_SIDE * pictureHeight / pictureWidth;
        }
    } else if (h < MIN_SIDE && pictureHeight > 0) {
        h = MIN_SIDE;
        w = MIN_SIDE * pictureWidth / pictureHeight;
    }
    return SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
}

void ReadDropletPlacement(const DropletOptions& options, int pictureWidth, int pictureHeight, const RECT& desktop,
                          DropletPlacement* placement)
{
    placement->scale = _wtof(ReadUserOrIni(options, L".Size", L"Size").c_str());
    if (placement->scale == 0.0)
        placement->scale = 1.0;
    placement->topmost = _wtoi(ReadUserOrIni(options, L".Vordergrund", L"Vordergrund").c_str()) ? DROPLET_FLAG_ON : 0;
    placement->fixed = _wtoi(ReadUserOrIni(options, L".Fest", L"Fest").c_str()) ? DROPLET_FLAG_ON : 0;

    const SIZE window = ScaledPictureSize(pictureWidth, pictureHeight, placement->scale);
    placement->x = PlaceCoordinate(options, L".X", desktop.right, pictureWidth, placement->scale, window.cx);
    placement->y = PlaceCoordinate(options, L".Y", desktop.bottom, pictureHeight, placement->scale, window.cy);

    std::wstring align = ReadUserOrIni(options, L".Align", L"Align");
    placement->alignTop = placement->alignBottom = placement->alignLeft = placement->alignRight = 0;
    if (lstrcmpiW(align.c_str(), L"oben") == 0) {
        placement->y = desktop.top;
        placement->alignTop = 1;
    } else if (lstrcmpiW(align.c_str(), L"unten") == 0) {
        placement->y = desktop.bottom - static_cast<int>(pictureHeight * placement->scale);
        placement->alignBottom = 1;
    } else if (lstrcmpiW(align.c_str(), L"links") == 0) {
        placement->x = desktop.left;
        placement->alignLeft = 1;
    } else if (lstrcmpiW(align.c_str(), L"rechts") == 0) {
        placement->x = desktop.right - static_cast<int>(pictureWidth * placement->scale);
        placement->alignRight = 1;
    }
}

void WriteDropletPlacement(const DropletOptions& options, const DropletPlacement& placement, HWND window)
{
    wchar_t text[64];
    FormatText(text, _countof(text), L"%1.2f", placement.scale);
    WriteUserRegString(ValueName(options, L".Size").c_str(), text);
    WriteUserRegString(ValueName(options, L".Vordergrund").c_str(), placement.topmost ? L"1" : L"0");
    WriteUserRegString(ValueName(options, L".Fest").c_str(), placement.fixed ? L"1" : L"0");

    const wchar_t* align = placement.alignLeft     ? L"links"
                           : placement.alignRight  ? L"rechts"
                           : placement.alignBottom ? L"unten"
                           : placement.alignTop    ? L"oben"
                                                   : L"";
    WriteUserRegString(ValueName(options, L".Align").c_str(), align);

    POINT position = {placement.x, placement.y};
    RECT rect;
    if (window && ::IsWindow(window) && ::GetWindowRect(window, &rect))
        position = {rect.left, rect.top};
    FormatText(text, _countof(text), L"%d", position.x);
    WriteUserRegString(ValueName(options, L".X").c_str(), text);
    FormatText(text, _countof(text), L"%d", position.y);
    WriteUserRegString(ValueName(options, L".Y").c_str(), text);
}
