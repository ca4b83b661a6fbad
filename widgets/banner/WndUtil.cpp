#include "WndUtil.h"

#include "App.h"

CWndUtil::~CWndUtil() = default;

BOOL CWndUtil::RegisterWindowClass() {
    HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSW existing{};
    if (::GetClassInfoW(instance, m_strClassName, &existing)) return TRUE;

    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = m_strClassName;  // no icon, no background brush, no menu
    if (!AfxRegisterClass(&wc)) AfxThrowResourceException();
    return TRUE;
}
