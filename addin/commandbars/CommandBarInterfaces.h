// The host's CommandBars object model as the legacy menus and buttons use
// it: the documented ids of its typed interfaces (each object is asked for
// its own before its members are called by name), of the buttons' event
// interface, and the constants of the members' arguments.
#pragma once

#include <windows.h>

// {000C0302-0000-0000-C000-000000000046}
static const IID IID__CommandBars = {0x000c0302, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C0304-0000-0000-C000-000000000046}
static const IID IID_CommandBar = {0x000c0304, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C0306-0000-0000-C000-000000000046}
static const IID IID_CommandBarControls = {0x000c0306, 0x0000, 0x0000,
                                           {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C0308-0000-0000-C000-000000000046}
static const IID IID_CommandBarControl = {0x000c0308, 0x0000, 0x0000,
                                          {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C030A-0000-0000-C000-000000000046}
static const IID IID_CommandBarPopup = {0x000c030a, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C030E-0000-0000-C000-000000000046}
static const IID IID__CommandBarButton = {0x000c030e, 0x0000, 0x0000,
                                          {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C0351-0000-0000-C000-000000000046}: the buttons' Click event.
static const IID IID__CommandBarButtonEvents = {0x000c0351, 0x0000, 0x0000,
                                                {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const DISPID DISPID_COMMANDBARBUTTON_CLICK = 1;

// MsoControlType
const long msoControlButton = 1;
const long msoControlPopup = 10;
// MsoBarProtection
const long msoBarNoProtection = 0;
const long msoBarNoCustomize = 1;
// MsoButtonStyle
const long msoButtonIcon = 1;
