#include "LinkRules.h"

#include <commctrl.h>

CRect FitLinkRect(const CRect& window, const CRect& client, CSize text, DWORD style) {
    const int width = text.cx + (window.Width() - client.Width());
    const int height = text.cy + (window.Height() - client.Height());
    CRect fitted = window;
    // Halves are truncated toward zero, so an odd difference leaves the extra
    // pixel on the right or bottom edge.
    if (style & SS_CENTERIMAGE)
        fitted.InflateRect(0, -((window.Height() - height) / 2));
    else
        fitted.bottom = fitted.top + height;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        fitted.InflateRect(-((window.Width() - width) / 2), 0);
        break;
    case SS_RIGHT:
        fitted.left = fitted.right - width;
        break;
    default:
        fitted.right = fitted.left + width;
        break;
    }
    return fitted;
}

COLORREF LinkTextColour(const LinkColours& colours, bool over, bool visited) {
    if (over) return colours.hover;
    return visited ? colours.visited : colours.link;
}

CString LinkFallbackCommand(const wchar_t* openCommand, const wchar_t* target) {
    CString line(openCommand);
    int cut = line.Find(L"\"%1\"");
    if (cut < 0) cut = line.Find(L"%1");
    if (cut >= 0) line = line.Left(cut);
    line += L' ';
    line += target;
    if (line.GetLength() + 1 > LINK_COMMAND_CHARS) return CString();
    return line;
}

CString HandCursorModulePath(const wchar_t* windowsDir) {
    CString folder(windowsDir);
    if (folder.IsEmpty()) return CString();
    // The platform names a drive's root with its backslash ("C:\").
    folder.TrimRight(L'\\');
    return folder + L"\\winhlp32.exe";
}
