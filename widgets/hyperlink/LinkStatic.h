#pragma once
// Classes in this file:
//   CLinkStatic - a static text of a dialog turned into a hyperlink: link,
//                 visited and hover colours, underlined while hovered, a hand
//                 cursor, a tooltip with the address; a click opens the
//                 address with the shell, or with the command registered for
//                 opening ".htm" files when the shell cannot
//   LinkLaunch  - the platform calls a click ends in, replaceable by tests
//
// The static control paints itself; the link chooses its colours when the
// parent sends the colour message back (reflection), and erases its own
// background. So WM_PRINTCLIENT paints a link into any DC, as it does any
// static control. The pointer leaving is noticed by a 100 ms timer that
// compares the cursor with the client rectangle; no leave notification of
// the platform is used.
#include <windows.h>

#include "Controls.h"
#include "Gdi.h"
#include "LinkRules.h"
#include "MessageMap.h"
#include "String.h"

// The message a link sends its parent after a click when it is asked to
// (wParam: the link's control id, lParam: 0); a parent lists it in its table
// with OnRegisteredMessage<&WM_LINKSTATIC_CLICKED, ...>.
extern const RegisteredMessage WM_LINKSTATIC_CLICKED;

struct LinkLaunch {
    HINSTANCE(WINAPI* shellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    UINT(WINAPI* winExec)(LPCSTR, UINT);
    BOOL(WINAPI* messageBeep)(UINT);
};

class CLinkStatic : public CStatic {
public:
    CLinkStatic();

    // The address a click opens. With a window, the link is fitted to its
    // text again and the tooltip shows the new address.
    void SetTargetUrl(const wchar_t* address);
    const CString& GetTargetUrl() const { return m_target; }
    // A click also sends WM_LINKSTATIC_CLICKED to the parent.
    void SetNotifyParent(BOOL notify) { m_notifyParent = notify; }
    // Where clicks go; the platform's own calls unless a test says otherwise.
    void SetLaunch(const LinkLaunch& launch) { m_launch = launch; }

    BOOL IsOver() const { return m_isOver; }
    COLORREF TextColour() const;

    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    // New fonts at the new DPI (the control's own when its dialog gave it
    // one), and the link fitted to its text in them.
    void DpiChanged(UINT dpi) override;

protected:
    void PreSubclassWindow() override;
    static const MessageMap* ClassMessageMap();
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

    // Resizes the window to its text in the underlined font (when auto-size is on).
    void FitToText();
    // The system's hand cursor, or a copy of the help viewer's.
    void LoadHandCursor();
    // Opens `target`; a result above 32 means it opened. An empty target
    // opens nothing and counts as opened.
    int OpenTarget(const wchar_t* target, BOOL newWindow);
    // Reads the default value of `key` into `out` and closes the key in every case.
    static LONG ReadKeyDefault(HKEY key, wchar_t (&out)[LINK_VALUE_CHARS]);

private:
    HBRUSH OnCtlColor(HDC dc, UINT kind);
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT message);
    void OnMouseMove(UINT keys, CPoint point);
    void OnTimer(UINT_PTR id);
    void OnClicked();
    BOOL OnEraseBkgnd(HDC dc);

    COLORREF m_linkColour = RGB(0, 0, 238);
    COLORREF m_visitedColour = RGB(85, 26, 139);
    COLORREF m_hoverColour = RGB(255, 0, 0);
    COLORREF m_backColour = CLR_NONE;  // CLR_NONE: the system's button face
    CBrush m_backBrush;                // when it holds one: the text background
    BOOL m_isOver = FALSE;
    BOOL m_isVisited = FALSE;
    // -1: underlined while hovered; 1: the leave step keeps the underline;
    // anything else: entering does not underline.
    int m_underlineMode = -1;
    BOOL m_autoSize = TRUE;
    CString m_target;
    CFont m_underlinedFont;  // the control's font with underline
    CFont m_plainFont;       // and without
    Scale m_scale;           // the link's DPI: its window's at the attach, then each change's
    HCURSOR m_handCursor = nullptr;  // shown over the link: the system's shared one, or m_handCursorCopy
    CCursor m_handCursorCopy;        // owned: the help viewer's cursor, when the system has none
    CToolTipCtrl m_tip;
    UINT_PTR m_timerId = 100;
    BOOL m_opensTarget = TRUE;  // clear: a click only counts as a visit
    BOOL m_notifyParent = FALSE;
    BOOL m_showTip = TRUE;
    BOOL m_newWindow = FALSE;  // the shell verb "new" instead of "open"
    LinkLaunch m_launch;
};
