// The class ids of Brenmark's two classes and the connector's dispatch
// members, fixed once for the server's registration and all its clients.
#pragma once

#include <windows.h>

// {EA6D73EC-BAD0-4476-8018-AF7DD76A8CC2} "Marvik.DovraneAddinVX2"
static const CLSID CLSID_MarvikAddin = {0xea6d73ec, 0xbad0, 0x4476, {0x80, 0x18, 0xaf, 0x7d, 0xd7, 0x6a, 0x8c, 0xc2}};
// {D49A300A-33D8-4B50-B786-C6F797D3EEF4} "Marvik.DovraneConnectorVX2COM"
static const CLSID CLSID_KQConnectorCOM = {0xd49a300a, 0x33d8, 0x4b50, {0xb7, 0x86, 0xc6, 0xf7, 0x97, 0xd3, 0xee, 0xf4}};

#define PROGID_MARVIKADDIN L"Marvik.DovraneAddinVX2"
#define PROGID_KQCONNECTORCOM L"Marvik.DovraneConnectorVX2COM"

enum ConnectorDispId {
    DISPID_CONNECTOR_RUN = 1,
    DISPID_CONNECTOR_DISPLAYSETTINGS = 2,
    DISPID_CONNECTOR_DISPLAYINFO = 3,
    DISPID_CONNECTOR_DELETEMAIL = 4,
};

// Positions in Run's four-entry argument array. One argument is slot 0; two
// are slots 0 and 1; three are slots 0, 2 and 3; four are all of them.
// Run's result when the user cancels the choice of storage location: the
// Windows error code ERROR_CANCELLED returned as it is, so a success code.
const HRESULT CONNECTOR_RUN_CANCELLED = 1223;

enum ConnectorArgSlot {
    ARG_PATHLIST = 0,   // VT_PTR: the NUL-separated path list
    ARG_PROPERTIES = 1, // VT_BSTR: path of a properties ini file
    ARG_LISTLENGTH = 2, // VT_INT: the list's length in characters
    ARG_PATHCOUNT = 3,  // VT_INT: the number of paths
};
