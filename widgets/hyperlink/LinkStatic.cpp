#include "LinkStatic.h"

#include <shellapi.h>

#include <climits>
#include <cwchar>
#include <string>
#include <utility>

const RegisteredMessage WM_LINKSTATIC_CLICKED{L"WM_LINKSTATIC_CLICKED"};

namespace {

constexpr UINT kLeaveCheckMs = 100;
// What a click returns when it opened nothing but counts as a visit.
constexpr int kVisitWithoutOpening = 33;
constexpr int kEmptyTarget = 36;

// The link's two fonts from a description: as it is, and underlined.
void MakeFonts(LOGFONTW described, CFont& plain, CFont& underlined) {
    described.lfUnderline = FALSE;
    plain.CreateFontIndirect(&described);
    described.lfUnderline = TRUE;
    underlined.CreateFontIndirect(&described);
}

}  // namespace

CLinkStatic::CLinkStatic() : m_launch{&::ShellExecuteW, &::WinExec, &::MessageBeep} {}

const MessageMap* CLinkStatic::ClassMessageMap() {
    using L = CLinkStatic;
    static const MsgMapEntry entries[] = {
        OnReflectedMessage<WM_CTLCOLOR, &L::OnCtlColor>(),
        OnMessage<WM_SETCURSOR, &L::OnSetCursor>(),
        OnMessage<WM_MOUSEMOVE, &L::OnMouseMove>(),
        OnMessage<WM_TIMER, &L::OnTimer>(),
        // The click is the link's own: the parent does not see it as a command.
        OnReflectedCommand<STN_CLICKED, &L::OnClicked>(),
        OnMessage<WM_ERASEBKGND, &L::OnEraseBkgnd>(),
    };
    static const MessageMap map = MakeMessageMap(CStatic::ClassMessageMap(), entries);
    return &map;
}

void CLinkStatic::SetTargetUrl(const wchar_t* address) {
    m_target = address;
    if (!m_hWnd) return;
    FitToText();
    if (m_tip.m_hWnd) m_tip.UpdateTipText(m_target, this, 1);
}

COLORREF CLinkStatic::TextColour() const {
    return LinkTextColour({m_linkColour, m_visitedColour, m_hoverColour}, m_isOver, m_isVisited);
}

void CLinkStatic::PreSubclassWindow() {
    // A static control reports clicks only with SS_NOTIFY.
    ModifyStyle(0, SS_NOTIFY);
    if (m_target.IsEmpty()) m_target = GetWindowText();
    if (GetWindowText().IsEmpty()) {
        // A link without a text shows its address (and is fitted to it below,
        // once the fonts exist).
        SetWindowText(L"");
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
        SetWindowText(m_target);
    }

    HFONT font = GetFont();
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (!font) font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    LOGFONTW lf{};
    ::GetObjectW(font, sizeof(lf), &lf);
    MakeFonts(lf, m_plainFont, m_underlinedFont);
    m_scale = Scale{GetDpi()};

    FitToText();
    LoadHandCursor();

    if (m_showTip && m_tip.Create(this, 0)) {
        CRect client;
        GetClientRect(&client);
        m_tip.AddTool(this, m_target, &client, 1);
    }
    CStatic::PreSubclassWindow();
}

BOOL CLinkStatic::DestroyWindow() {
    KillTimer(m_timerId);
    return CStatic::DestroyWindow();
}

BOOL CLinkStatic::PreTranslateMessage(MSG* msg) {
    if (m_tip.m_hWnd) m_tip.RelayEvent(msg);
    return CStatic::PreTranslateMessage(msg);
}

void CLinkStatic::FitToText() {
    // Before the attach step has made the fonts there is nothing to measure with.
    if (!m_hWnd || !m_autoSize || !m_underlinedFont.GetSafeHandle()) return;
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    ClientToScreen(&client);
    if (HWND parent = GetParent()) {
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&client), 2);
    }
    CSize text;
    {
        CClientDC dc(m_hWnd);
        CSelectGuard font(dc, m_underlinedFont);
        text = dc.GetTextExtent(GetWindowText());
    }
    const CRect fitted = FitLinkRect(window, client, text, GetStyle());
    SetWindowPos(nullptr, fitted.left, fitted.top, fitted.Width(), fitted.Height(), SWP_NOZORDER);
}

void CLinkStatic::LoadHandCursor() {
    if (m_handCursor) return;
    if (HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND)) {
        m_handCursor = hand;  // shared: never destroyed
        return;
    }
    // Systems without IDC_HAND: the help viewer's hand cursor, by full path.
    wchar_t windows[LINK_VALUE_CHARS] = {};
    const UINT length = ::GetWindowsDirectoryW(windows, LINK_VALUE_CHARS);
    if (length == 0 || length >= LINK_VALUE_CHARS) return;
    const CString path = HandCursorModulePath(windows);
    if (path.IsEmpty()) return;
    HMODULE module = ::LoadLibraryW(path);
    if (!module) return;
    if (HCURSOR found = ::LoadCursorW(module, MAKEINTRESOURCEW(106))) {
        // A copy, so that the cursor outlives the module.
        if (m_handCursorCopy.Attach(static_cast<HCURSOR>(::CopyIcon(found)))) m_handCursor = m_handCursorCopy;
    }
    ::FreeLibrary(module);
}

int CLinkStatic::OpenTarget(const wchar_t* target, BOOL newWindow) {
    if (!target || !*target) return kEmptyTarget;
    const auto shell = reinterpret_cast<UINT_PTR>(
        m_launch.shellExecute(nullptr, newWindow ? L"new" : L"open", target, nullptr, nullptr, SW_SHOW));
    // Success is any value above 32; one beyond int must not read as failure.
    const int shellResult = shell > INT_MAX ? INT_MAX : static_cast<int>(shell);
    if (shell > 32) return shellResult;

    // The shell cannot open it: try the browser that opens ".htm" files.
    // Whatever is missing on the way, the shell's result stands.
    HKEY key = nullptr;
    wchar_t type[LINK_VALUE_CHARS] = {};
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, L".htm", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return shellResult;
    if (ReadKeyDefault(key, type) != ERROR_SUCCESS) return shellResult;
    const CString commandKey = CString(type) + L"\\shell\\open\\command";
    wchar_t command[LINK_VALUE_CHARS] = {};
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, commandKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return shellResult;
    if (ReadKeyDefault(key, command) != ERROR_SUCCESS) return shellResult;
    const CString line = LinkFallbackCommand(command, target);
    if (line.IsEmpty()) return shellResult;

    // WinExec takes the ANSI code page; the buffer is sized by asking, since
    // a character may take more than two bytes there.
    const int bytes = ::WideCharToMultiByte(CP_THREAD_ACP, 0, line, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return shellResult;
    std::string ansi(static_cast<size_t>(bytes), '\0');
    if (::WideCharToMultiByte(CP_THREAD_ACP, 0, line, -1, ansi.data(), bytes, nullptr, nullptr) != bytes)
        return shellResult;
    return static_cast<int>(m_launch.winExec(ansi.c_str(), SW_SHOW));
}

LONG CLinkStatic::ReadKeyDefault(HKEY key, wchar_t (&out)[LINK_VALUE_CHARS]) {
    wchar_t value[LINK_VALUE_CHARS] = {};
    LONG size = sizeof(value);
    const LONG status = ::RegQueryValueW(key, nullptr, value, &size);
    ::RegCloseKey(key);
    if (status == ERROR_SUCCESS) {
        // A value stored without its terminator fills the buffer to the end.
        value[LINK_VALUE_CHARS - 1] = L'\0';
        std::wcscpy(out, value);
    }
    return status;
}

HBRUSH CLinkStatic::OnCtlColor(HDC dc, UINT) {
    ::SetTextColor(dc, TextColour());
    ::SetBkMode(dc, TRANSPARENT);
    if (m_backBrush.GetSafeHandle()) {
        ::SetBkColor(dc, m_backColour);
        return m_backBrush;
    }
    // The background is erased already (OnEraseBkgnd).
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CLinkStatic::OnSetCursor(HWND, UINT, UINT) {
    if (!m_handCursor) return FALSE;
    ::SetCursor(m_handCursor);
    return TRUE;
}

void CLinkStatic::OnMouseMove(UINT, CPoint) {
    if (!m_isOver) {
        m_isOver = TRUE;
        if (m_underlineMode == -1) SetFont(m_underlinedFont, TRUE);
        Invalidate(TRUE);
        SetTimer(m_timerId, kLeaveCheckMs);
    }
    Default();
}

void CLinkStatic::OnTimer(UINT_PTR) {
    // The cursor where the current message was queued, in client coordinates.
    const DWORD pos = ::GetMessagePos();
    POINT point{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    ScreenToClient(&point);
    CRect client;
    GetClientRect(&client);
    if (!client.PtInRect(point)) {
        m_isOver = FALSE;
        KillTimer(m_timerId);
        if (m_underlineMode != 1) SetFont(m_plainFont, TRUE);
        client.bottom += m_scale(10);
        InvalidateRect(&client, TRUE);
    }
    Default();
}

void CLinkStatic::DpiChanged(UINT dpi) {
    const UINT from = std::exchange(m_scale, Scale{dpi}).dpi;
    // A dialog that scaled itself handed a control in its own font the new
    // one; a link that shows one of ours got none, and ours are scaled.
    const HFONT shown = GetFont();
    const bool ours = shown == m_plainFont || shown == m_underlinedFont;
    LOGFONTW lf{};
    if (!::GetObjectW(ours || !shown ? static_cast<HFONT>(m_plainFont) : shown, sizeof(lf), &lf)) return;
    if (ours || !shown) m_scale.Rescale(lf, from);
    CFont plain, underlined;
    MakeFonts(lf, plain, underlined);
    if (ours) SetFont(shown == m_underlinedFont ? underlined : plain, TRUE);
    // The old ones go only now that the control no longer shows them.
    m_plainFont = std::move(plain);
    m_underlinedFont = std::move(underlined);
    FitToText();
    if (m_tip.m_hWnd) {
        CRect client;
        GetClientRect(&client);
        m_tip.SetToolRect(this, 1, client);
    }
}

void CLinkStatic::OnClicked() {
    // The timer runs on until it finds the pointer outside.
    m_isOver = FALSE;
    const int result = m_opensTarget ? OpenTarget(m_target, m_newWindow) : kVisitWithoutOpening;
    m_isVisited = result > 32;
    if (!m_isVisited) m_launch.messageBeep(MB_ICONEXCLAMATION);
    // Repainted either way: a failed open also ends an earlier visited look.
    if (m_hWnd) Invalidate(TRUE);
    if (m_notifyParent) {
        HWND parent = GetParent();
        if (parent && ::IsWindow(parent))
            ::SendMessageW(parent, WM_LINKSTATIC_CLICKED.Id(), static_cast<WPARAM>(GetDlgCtrlID()), 0);
    }
}

BOOL CLinkStatic::OnEraseBkgnd(HDC dc) {
    CDC target = CDC::FromHandle(dc);
    CRect client;
    GetClientRect(&client);
    target.FillSolidRect(&client, m_backColour == CLR_NONE ? ::GetSysColor(COLOR_BTNFACE) : m_backColour);
    return TRUE;
}
