#pragma once
// Classes in this file:
//   CWindow - a view of a window: the handle and the thin wrappers; owns
//             nothing, copies freely, and leaves the window alone when it goes
//   CWnd    - one object bound to one window, with its message table
//
// A window the program only borrows (a dialog frame of the platform's, a
// window found by its class) is used through a CWindow. A CWnd is bound in
// exactly one of three ways, and stays bound until the window is destroyed or
// the object lets go:
//   - SubclassWindow / SubclassDlgItem: an existing window (a control of a
//     dialog template, a frame of the platform's) is hooked; PreSubclassWindow
//     runs first, while the window still has its own procedure only.
//   - CreateEx / Create: the window is created by us; the object is bound by
//     a creation hook before the window's first message (the class itself may
//     use DefWindowProcW as its procedure). Such a window is the object's: it
//     is destroyed with the object if it still lives.
//   - CDialog binds itself at WM_INITDIALOG.
// All three go through one hook: it replaces the window's procedure
// (GWLP_WNDPROC) and keeps the previous one with the object in a table of our
// own, which also finds the object of a window (FromHandlePermanent). The
// previous procedure is put back when the window goes (WM_NCDESTROY) or the
// object lets go (UnsubclassWindow, the destructor), unless a later subclass
// sits above ours: then ours stays in the chain and passes every message on.
//
// Every message goes through WindowProc: the notification is first offered
// back to the child it is about (reflection), then to this class's table and
// its bases', and finally to DefWindowProc, the previous procedure. Owner-drawn
// menu items (WM_MEASUREITEM, WM_DRAWITEM) that no entry took go to the CMenu
// that registered the item's data.
#include <windows.h>

#include "Debug.h"
#include "Dpi.h"
#include "MessageMap.h"
#include "String.h"
#include "Types.h"

class CWindow {
public:
    CWindow() = default;
    CWindow(HWND hwnd) : m_hWnd(hwnd) {}  // NOLINT: implicit, a view of any handle

    HWND m_hWnd = nullptr;  // not owned

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(Hwnd(), message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(Hwnd(), message, wParam, lParam);
    }
    // Paints the client area into `dc` through the window's WM_PRINTCLIENT.
    void PrintClient(HDC dc, UINT flags = PRF_CLIENT) const {
        SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), static_cast<LPARAM>(flags));
    }

    // --- thin wrappers -----------------------------------------------------
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(Hwnd(), enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(Hwnd()); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(Hwnd()); }
    BOOL ShowWindow(int show) { return ::ShowWindow(Hwnd(), show); }
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(Hwnd(), text); }
    CString GetWindowText() const;
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(Hwnd()); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(Hwnd(), id); }
    HWND GetParent() const { return ::GetParent(Hwnd()); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(Hwnd(), GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE)); }
    // Changes the style bits; with swpFlags also applies them (SetWindowPos,
    // adding SWP_NOSIZE|SWP_NOMOVE|SWP_NOZORDER|SWP_NOACTIVATE). TRUE when the
    // style changed.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    HICON SetIcon(HICON icon, BOOL big) {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                                                   reinterpret_cast<LPARAM>(icon)));
    }
    HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(Hwnd(), revert); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(Hwnd(), nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(Hwnd(), rect, erase); }
    void UpdateWindow() { ::UpdateWindow(Hwnd()); }
    BOOL RedrawWindow(const RECT* rect = nullptr, HRGN region = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
        return ::RedrawWindow(Hwnd(), rect, region, flags);
    }
    void GetClientRect(RECT* rect) const { ::GetClientRect(Hwnd(), rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(Hwnd(), rect); }
    void ScreenToClient(POINT* point) const { ::ScreenToClient(Hwnd(), point); }
    void ScreenToClient(RECT* rect) const;
    void ClientToScreen(POINT* point) const { ::ClientToScreen(Hwnd(), point); }
    void ClientToScreen(RECT* rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) {
        ::MoveWindow(Hwnd(), x, y, width, height, repaint);
    }
    void MoveWindow(const RECT& rect, BOOL repaint = TRUE) {
        MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
    }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(Hwnd(), insertAfter, x, y, cx, cy, flags);
    }
    HWND SetFocus() { return ::SetFocus(Hwnd()); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(Hwnd(), id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(Hwnd(), id); }
    // Caption null: the application's name.
    int MessageBox(const wchar_t* text, const wchar_t* caption = nullptr, UINT type = MB_OK);
    // The DPI the window is drawn at (Dpi.h).
    UINT GetDpi() const { return DpiOfWindow(m_hWnd); }
    // Centres the window over its owner (or the given window), within the
    // owner's monitor work area.
    void CenterWindow(HWND alternateOwner = nullptr);

protected:
    // The handle for a wrapper: a wrapper called on a view of no window is a
    // caller's mistake, stopped in debug builds.
    HWND Hwnd() const {
        ORLENZA_ASSERT(m_hWnd && ::IsWindow(m_hWnd));
        return m_hWnd;
    }
};

class CWnd : public CWindow {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object bound to a window of this thread, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // --- binding -----------------------------------------------------------
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();  // restores the previous procedure; the window lives on
    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style,
                  const RECT& rect, CWnd* parent, UINT id, void* createParam = nullptr);
    virtual BOOL Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id, void* createParam = nullptr);
    virtual BOOL DestroyWindow();
    // The top-level window this one lies in has moved to `dpi` and has laid
    // out its children anew (CDialog, on WM_DPICHANGED): the place to remake
    // what was made for the old DPI. The platform cannot be asked here: where
    // it does not scale a dialog itself, it still answers the old DPI.
    virtual void DpiChanged(UINT dpi) { (void)dpi; }

    // --- routing -----------------------------------------------------------
    // Offered each message of a modal loop that is meant for this window or
    // one of its children, before the dialog manager; TRUE consumes it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What the window did before it was bound: the previous procedure.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message being handled, passed on to DefWindowProc.
    LRESULT Default();

protected:
    // Called once the object knows its window, before the window's procedure
    // is replaced: the place to change the control's style.
    virtual void PreSubclassWindow();
    // Called after the window's last message (WM_NCDESTROY); the object is
    // unbound by then.
    virtual void PostNcDestroy();
    // Offers a notification about this control, sent back by its parent;
    // TRUE when consumed, with the result for the parent to return.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Looks the message up in the table chain; false when no entry took it.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static const MessageMap* ClassMessageMap();
    virtual const MessageMap* GetMessageMap() const { return ClassMessageMap(); }

private:
    friend LRESULT CALLBACK CreationHookProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool Hook(HWND hwnd);
    void Unhook();
    bool Dispatch(MsgKind kind, UINT message, UINT id, UINT code, WPARAM wParam, LPARAM lParam,
                  LRESULT& result);

    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    CurrentMessage m_current;  // the message inside WindowProc, for Default()
    bool m_createdHere = false;  // Create/CreateEx made the window: the object destroys it
};
