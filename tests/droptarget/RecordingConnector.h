// A test double of the connector class, registered in the test's own process
// under the connector's class id: it records the member names asked for and
// the arguments of every call, and returns a chosen result.
#pragma once

#include "ClassRegistration.h"
#include "FakeClassFactory.h"

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

struct RecordedCall {
    std::wstring member;  // the name passed to GetIDsOfNames
    UINT argCount = 0;
    WORD flags = 0;
    LCID locale = 0;
    // Slot 0 read as a path list of the length in slot 2.
    std::vector<std::wstring> paths;
    bool listClosed = false;  // the list ends with its extra NUL
    VARTYPE types[4] = {};
    std::wstring iniPath;  // slot 1
    bool iniIsNull = false;
    int length = 0;        // slot 2
    int count = 0;         // slot 3
};

class RecordingConnector
{
public:
    // Registers the class object; `result` is what every member returns.
    explicit RecordingConnector(HRESULT result = S_OK);

    const std::vector<RecordedCall>& Calls() const;
    std::vector<std::wstring> NamesAsked() const;

private:
    doubles::FakeClassFactoryPtr m_factory;
    doubles::ClassRegistration m_registration;
};
