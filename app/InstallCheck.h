#pragma once
// Functions in this file:
//   CheckInstallation - whether the two tools beside the program can work
//
// jhead.exe lies beside the program and starts jpegtran.exe, which it finds
// only through the search path its own child process sees: the machine-wide
// PATH. So a working installation has both files beside the program and the
// program's folder in the stored machine PATH.
#include <windows.h>

#include "String.h"

enum InstallLevel {
    INSTALL_OK = 0,
    INSTALL_DAMAGED = 1,       // jpegtran.exe missing, or the folder not in the machine PATH
    INSTALL_TOOL_MISSING = 2,  // jhead.exe missing
};

// Where the stored machine PATH is read; tests substitute their own key or opener.
struct EnvironmentKey {
    HKEY root;
    const wchar_t* subKey;
    LONG(WINAPI* open)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
};
EnvironmentKey MachineEnvironmentKey();

// The PATH part is skipped when the key or its "PATH" value cannot be read,
// including a value of 1024 characters or more. The stored text is searched
// as it is, environment references unexpanded, for the folder as a
// case-folded substring.
InstallLevel CheckInstallation(const CString& appDir, const CString& toolPath,
                               const EnvironmentKey& environment = MachineEnvironmentKey());
