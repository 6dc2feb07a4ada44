// The Tags that mark the add-in's legacy controls, by which a later build
// finds them again and a click finds its command; and the toolbar that
// receives the buttons.
#pragma once

// Main (explorer or document) window.
#define TAG_POPUP L"KVPMVX2_0001"
#define TAG_MENU_ARCHIVE L"KVPMBTVX2_0001"
#define TAG_MENU_SETTINGS L"KVPMBTVX2_0002"
#define TAG_MENU_INFO L"KVPMBTVX2_0003"
#define TAG_MENU_ATTACHMENT L"KVPMBTVX2_0004"
#define TAG_TOOLBAR_ARCHIVE L"KVCBBTVX2_0001"
#define TAG_TOOLBAR_ATTACHMENT L"KVCBBTVX2_0002"

// Outlook mail inspector window.
#define TAG_INSPECTOR_POPUP L"KVPMSVX2_0001"
#define TAG_INSPECTOR_MENU_ARCHIVE L"KVPMBTSVX2_0001"
#define TAG_INSPECTOR_MENU_SETTINGS L"KVPMBTSVX2_0002"
#define TAG_INSPECTOR_MENU_INFO L"KVPMBTSVX2_0003"
#define TAG_INSPECTOR_MENU_ATTACHMENT L"KVPMBTSVX2_0004"
#define TAG_INSPECTOR_TOOLBAR_ARCHIVE L"KVCBBTSVX2_0001"
#define TAG_INSPECTOR_TOOLBAR_ATTACHMENT L"KVCBBTSVX2_0002"

#define STANDARD_TOOLBAR_NAME L"Standard"
