#pragma once
// Classes and functions in this file:
//   Scale        - a length of the look as drawn at 96 DPI, in pixels at a DPI
//   DpiOfWindow  - the DPI a window is drawn at
//   SystemDpi    - the DPI of the system (what LoadIcon and GetSystemMetrics answer for)
//   MetricAtDpi  - GetSystemMetrics at a DPI
//   MenuFontAtDpi - the menu font of the non-client metrics at a DPI
//
// The program declares itself per-monitor aware (its manifest): the system no
// longer stretches its windows as bitmaps, so every length that the widgets
// draw in pixels is given for 96 DPI and goes through a Scale. The functions
// that answer per monitor exist from Windows 10 version 1607 on; they are
// looked up at run time, and before that the system DPI stands for every
// window (a per-monitor change then still arrives with WM_DPICHANGED).
#include <windows.h>

// Sent to a top-level window whose DPI changed (wParam: the new DPI in both
// words; lParam: the RECT the system suggests for the window).
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

struct Scale {
    static constexpr UINT kBase = 96;  // the DPI every design length is given for
    UINT dpi = kBase;

    // `pixels` at 96 DPI, scaled by dpi / 96 and rounded half away from zero.
    constexpr int operator()(int pixels) const {
        const long long n = static_cast<long long>(pixels) * dpi;
        return static_cast<int>(n >= 0 ? (n + kBase / 2) / kBase : -((-n + kBase / 2) / kBase));
    }
    // A length already at `from` DPI, at this one (a window moving between monitors).
    int From(UINT from, int pixels) const { return ::MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(from)); }
    // A font described for `from` DPI, made the size it has at this one.
    void Rescale(LOGFONTW& font, UINT from) const {
        font.lfHeight = From(from, font.lfHeight);
        font.lfWidth = From(from, font.lfWidth);
    }
    friend constexpr bool operator==(Scale a, Scale b) { return a.dpi == b.dpi; }
};

UINT SystemDpi();
// The window's own DPI where the platform tells it, else the system DPI.
UINT DpiOfWindow(HWND window);
int MetricAtDpi(int index, UINT dpi);
LOGFONTW MenuFontAtDpi(UINT dpi);
