#include "Controls.h"

#include "App.h"

#include <iterator>

BOOL CButton::Create(const wchar_t* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_BUTTONW, caption, style, rect, parent, id);
}

void CButton::DrawItem(DRAWITEMSTRUCT*) {}

const MessageMap* CButton::ClassMessageMap() {
    static const MsgMapEntry entries[] = {
        OnReflectedMessage<WM_DRAWITEM, &CButton::OnReflectedDrawItem>(),
    };
    static const MessageMap map = MakeMessageMap(CWnd::ClassMessageMap(), entries);
    return &map;
}

BOOL CStatic::Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_STATICW, text, style, rect, parent, id);
}

int CListCtrl::InsertColumn(int column, const wchar_t* heading, int format, int width) {
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
    c.fmt = format;
    c.pszText = const_cast<wchar_t*>(heading);
    c.iSubItem = column;
    if (width >= 0) {
        c.mask |= LVCF_WIDTH;
        c.cx = width;
    }
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c)));
}

int CListCtrl::InsertItem(int index, const wchar_t* text, int image) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text);
    item.iImage = image;
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int index, int subItem, const wchar_t* text) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<wchar_t*>(text);
    return SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

CString CListCtrl::GetItemText(int index, int subItem) const {
    // The list cannot report a text's length; grow the buffer until it fits.
    CString text;
    for (int capacity = 264;; capacity *= 2) {
        LVITEMW item{};
        item.iSubItem = subItem;
        item.cchTextMax = capacity;
        item.pszText = text.GetBuffer(capacity);
        const int copied = static_cast<int>(
            SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        if (copied < capacity - 1 || capacity >= (1 << 20)) {
            text.ReleaseBuffer(copied > 0 ? copied : 0);
            return text;
        }
    }
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) {
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    return SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
    // Tooltips are top-level windows owned by the control; CreateEx with a
    // parent but without WS_CHILD makes exactly that.
    const CRect none(CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
    if (!CreateEx(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, none, parent, 0)) return FALSE;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

TTTOOLINFOW CToolTipCtrl::ToolInfo(CWnd* window, UINT_PTR id) {
    TTTOOLINFOW info{};
    // The size of the version-5 structure: accepted by every comctl32.
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = window->m_hWnd;
    if (id == 0) {
        info.uFlags = TTF_IDISHWND;
        info.uId = reinterpret_cast<UINT_PTR>(window->m_hWnd);
    } else {
        info.uId = id;
    }
    return info;
}

BOOL CToolTipCtrl::AddTool(CWnd* window, const wchar_t* text, const RECT* rect, UINT_PTR id) {
    TTTOOLINFOW info = ToolInfo(window, id);
    // No TTF_SUBCLASS: the owner relays mouse messages itself (TTM_RELAYEVENT
    // from PreTranslateMessage), and relaying twice would confuse the timing.
    info.hinst = AfxGetResourceHandle();
    info.lpszText = const_cast<wchar_t*>(text ? text : LPSTR_TEXTCALLBACKW);
    if (rect)
        info.rect = *rect;
    else
        window->GetClientRect(&info.rect);
    return SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolTipCtrl::UpdateTipText(const wchar_t* text, CWnd* window, UINT_PTR id) {
    TTTOOLINFOW info = ToolInfo(window, id);
    info.hinst = AfxGetResourceHandle();
    info.lpszText = const_cast<wchar_t*>(text);
    SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CListCtrl::PreSubclassWindow() {
    m_dpi = GetDpi();
    CWnd::PreSubclassWindow();
}

void CListCtrl::DpiChanged(UINT dpi) {
    const Scale to{dpi};
    const int columns = static_cast<int>(::SendMessageW(GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < columns; ++i) SetColumnWidth(i, to.From(m_dpi, GetColumnWidth(i)));
    m_dpi = dpi;
}

void CToolTipCtrl::SetToolRect(CWnd* window, UINT_PTR id, const RECT& rect) {
    TTTOOLINFOW info = ToolInfo(window, id);
    info.rect = rect;
    SendMessage(TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

CString CToolTipCtrl::GetText(CWnd* window, UINT_PTR id) const {
    // Tooltip texts are limited to 80 characters unless they come from a
    // resource or a callback; 1024 covers every text we set.
    wchar_t buffer[1024] = {};
    TTTOOLINFOW info = ToolInfo(window, id);
    info.lpszText = buffer;
    SendMessage(TTM_GETTEXTW, static_cast<WPARAM>(std::size(buffer)), reinterpret_cast<LPARAM>(&info));
    return CString(buffer);
}
