#pragma once
// Classes in this file:
//   RedrawSuspended - a window's drawing switched off for a batch of changes
#include <windows.h>

// Switches a window's drawing off for a batch of changes and repaints it
// once afterwards; drawing after every inserted or deleted row makes a batch
// of ten thousand rows take minutes instead of a fraction of a second.
class RedrawSuspended {
public:
    explicit RedrawSuspended(HWND window) : m_window(window) { ::SendMessageW(m_window, WM_SETREDRAW, FALSE, 0); }
    ~RedrawSuspended() {
        ::SendMessageW(m_window, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(m_window, nullptr, TRUE);
    }
    RedrawSuspended(const RedrawSuspended&) = delete;
    RedrawSuspended& operator=(const RedrawSuspended&) = delete;

private:
    HWND m_window;
};
