#pragma once
// Classes and functions in this file:
//   CWinApp          - the application object: one global instance per program
//   AfxGetApp, AfxGetMainWnd, AfxGetInstanceHandle, AfxGetResourceHandle
//   AfxRegisterClass - registers a window class of this module
//   AfxWinMain       - the entry point's body: initialise, run, exit
//
// The application object is the one piece of process-wide state the
// framework keeps: window procedures and dialog code reach the profile and the
// resource module through it. Its constructor registers it; a second live
// instance is a programming error and replaces the first.
#include <windows.h>

#include "String.h"

class CWnd;

class CWinApp {
public:
    // appName null: the program file's name without its extension.
    explicit CWinApp(const wchar_t* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns FALSE to end the program at once (a dialog-based program does
    // its whole work inside InitInstance), TRUE to run a message loop.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // Profile values then live under HKCU\Software\<company>\<application name>.
    void SetRegistryKey(const wchar_t* company);
    const CString& GetRegistryKey() const { return m_strRegistryKey; }
    const CString& GetAppName() const { return m_strAppName; }

    // An empty or null section means the application's own key. Values that
    // are missing, of a non-string type or unreadable give the default. With
    // no registry key set there is no profile: reads give the default and
    // writes fail.
    CString GetProfileString(const wchar_t* section, const wchar_t* entry,
                             const wchar_t* defaultValue = nullptr) const;
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value);

    HINSTANCE m_hInstance;
    HINSTANCE m_hResource;  // where templates, icons and strings are loaded from
    CWnd* m_pMainWnd = nullptr;  // not owned

private:
    CString ProfileKeyPath(const wchar_t* section) const;

    CString m_strAppName;
    CString m_strRegistryKey;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// Registers the class under this module's instance unless it is registered
// already; FALSE when registration fails.
BOOL AfxRegisterClass(WNDCLASSW* wndClass);
// The failure of a class that a window cannot do without: raises
// CResourceException.
[[noreturn]] void AfxThrowResourceException();

int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);
