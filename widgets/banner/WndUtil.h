#pragma once
// Classes in this file:
//   CWndUtil - a second base for a window class of our own: it keeps the
//              class's name and registers the class once per module
#include <windows.h>

#include "String.h"

class CWndUtil {
public:
    CWndUtil() = default;
    virtual ~CWndUtil();
    CWndUtil(const CWndUtil&) = delete;
    CWndUtil& operator=(const CWndUtil&) = delete;

    // TRUE when the class is registered under this module's instance, by this
    // call or an earlier one; throws CResourceException when it cannot be.
    // The class's procedure is DefWindowProcW: the framework binds each
    // window to its object as it is created.
    virtual BOOL RegisterWindowClass();

    CString m_strClassName;  // set by the derived class before it registers
};
