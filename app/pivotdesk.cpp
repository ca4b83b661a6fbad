#include "pivotdesk.h"

#include <commctrl.h>

#include "pivotdeskDlg.h"

BOOL CpivotdeskApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&icc);

    CWinApp::InitInstance();
    // The dialog hosts no ActiveX controls, so the framework has no control
    // containment to enable.

    // Profile values live in HKCU\Software\pivotdesk\<program name>.
    SetRegistryKey(L"pivotdesk");

    CpivotdeskDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // FALSE: the program ends now instead of running a message loop.
    return FALSE;
}
