#include "Wnd.h"

#include <commctrl.h>

#include <mutex>
#include <unordered_map>
#include <utility>

#include "App.h"
#include "LiveCountsImpl.h"
#include "Menu.h"

namespace {

// Each bound window's object and the procedure the window had before. Every
// message looks its window up here, so the lookup must cost next to nothing:
// a window property (where comctl32's SetWindowSubclass keeps its chain) is a
// round trip to the server under Wine, and the three or four of them per
// message made filling a list of ten thousand rows take seconds where the
// bare list takes a tenth of one.
struct Binding {
    CWnd* object;       // null: the object let go while a later subclass sat above ours
    WNDPROC previous;   // what our procedure passes unhandled messages on to
};

std::mutex g_bindingsLock;  // windows of other threads may be bound too

std::unordered_map<HWND, Binding>& Bindings() {
    static std::unordered_map<HWND, Binding> bindings;
    return bindings;
}

bool FindBinding(HWND hwnd, Binding& found) {
    std::lock_guard<std::mutex> hold(g_bindingsLock);
    const auto it = Bindings().find(hwnd);
    if (it == Bindings().end()) return false;
    found = it->second;
    return true;
}

void ForgetBinding(HWND hwnd) {
    std::lock_guard<std::mutex> hold(g_bindingsLock);
    Bindings().erase(hwnd);
}

// The creation hook has no context argument, so the object being created is
// handed over in thread-local storage, set only around CreateWindowExW.
thread_local CWnd* t_creating = nullptr;

// WM_CTLCOLORMSGBOX to WM_CTLCOLORSTATIC are consecutive; the offset from
// the first is the CTLCOLOR_* kind.
bool IsCtlColorMessage(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

// The child a notification is about, for reflection; null when none.
HWND ReflectionSource(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
    case WM_NOTIFY:
        return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return dis->CtlType == ODT_MENU ? nullptr : dis->hwndItem;
    }
    case WM_MEASUREITEM: {
        const auto* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        return mis->CtlType == ODT_MENU ? nullptr : ::GetDlgItem(self, static_cast<int>(mis->CtlID));
    }
    default:
        (void)wParam;
        return IsCtlColorMessage(message) ? reinterpret_cast<HWND>(lParam) : nullptr;
    }
}

// An owner-drawn menu item, in a top-level menu or a sub-menu, is measured and
// painted by the CMenu that registered its data. Data that no live object
// registered (the system menu's, another library's) is never dereferenced.
bool RouteMenuItem(UINT message, LPARAM lParam, LRESULT& result) {
    if (message == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        CMenu* menu = mis->CtlType == ODT_MENU ? CMenu::FromItemData(mis->itemData) : nullptr;
        if (!menu) return false;
        menu->MeasureItem(mis);
    } else if (message == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        CMenu* menu = dis->CtlType == ODT_MENU ? CMenu::FromItemData(dis->itemData) : nullptr;
        if (!menu) return false;
        menu->DrawItem(dis);
    } else {
        return false;
    }
    result = TRUE;
    return true;
}

}  // namespace

LRESULT CALLBACK CreationHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_creating) {
        // The first window created while the hand-off is set is ours (a
        // window creating children in WM_CREATE runs after this point).
        CWnd* self = std::exchange(t_creating, nullptr);
        self->m_hWnd = reinterpret_cast<HWND>(wParam);
        self->PreSubclassWindow();
        if (!self->Hook(self->m_hWnd)) self->m_hWnd = nullptr;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

CWnd::~CWnd() {
    if (!m_hWnd) return;
    // Unbind first: messages sent while the window goes away must not reach
    // an object whose derived parts are already destroyed.
    HWND hwnd = m_hWnd;
    const bool destroy = m_createdHere;
    Unhook();
    if (destroy && ::IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    Binding found{};
    return hwnd && FindBinding(hwnd, found) ? found.object : nullptr;
}

bool CWnd::Hook(HWND hwnd) {
    {
        std::lock_guard<std::mutex> hold(g_bindingsLock);
        const auto it = Bindings().find(hwnd);
        if (it != Bindings().end()) {
            // Our procedure is still in the chain from an earlier object:
            // take it over rather than stacking a second one.
            if (it->second.object) return false;
            it->second.object = this;
            CountLive(LiveKind::Window, +1);
            return true;
        }
        // Recorded before the swap: the window's next message must find it.
        Bindings()[hwnd] = {this, reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC))};
    }
    ::SetLastError(0);
    const LONG_PTR previous =
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc));
    if (!previous && ::GetLastError() != 0) {
        ForgetBinding(hwnd);  // not a window of this process
        return false;
    }
    CountLive(LiveKind::Window, +1);
    return true;
}

void CWnd::Unhook() {
    if (m_hWnd) {
        Binding found{};
        if (FindBinding(m_hWnd, found) && found.object == this) {
            CountLive(LiveKind::Window, -1);
            if (::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)) {
                ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found.previous));
                ForgetBinding(m_hWnd);
            } else {
                // Someone subclassed the window after us and holds our
                // procedure as theirs to call: it stays, passing messages on.
                std::lock_guard<std::mutex> hold(g_bindingsLock);
                Bindings()[m_hWnd].object = nullptr;
            }
        }
    }
    m_hWnd = nullptr;
    m_createdHere = false;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (m_hWnd || !hwnd || !::IsWindow(hwnd) || FromHandlePermanent(hwnd)) return FALSE;
    m_hWnd = hwnd;
    PreSubclassWindow();
    if (!Hook(hwnd)) {
        m_hWnd = nullptr;
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!parent || !parent->m_hWnd) return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    Unhook();
    return hwnd;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style,
                    const RECT& rect, CWnd* parent, UINT id, void* createParam) {
    if (m_hWnd) return FALSE;
    HHOOK hook = SetWindowsHookExW(WH_CBT, &CreationHookProc, nullptr, GetCurrentThreadId());
    if (!hook) return FALSE;
    t_creating = this;
    HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND hwnd = CreateWindowExW(exStyle, className, windowName, style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                                menuOrId, AfxGetInstanceHandle(), createParam);
    t_creating = nullptr;
    UnhookWindowsHookEx(hook);
    if (!hwnd) {
        // Creation failed after our hook ran: the window is gone, and with it
        // the subclass.
        m_hWnd = nullptr;
        return FALSE;
    }
    m_createdHere = true;
    return TRUE;
}

BOOL CWnd::Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, void* createParam) {
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, createParam);
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);  // WM_NCDESTROY unbinds the object
}

void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}
BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Binding found{};
    if (!FindBinding(hwnd, found)) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    CWnd* self = found.object;
    if (!self) {
        const LRESULT passed = ::CallWindowProcW(found.previous, hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) ForgetBinding(hwnd);
        return passed;
    }
    const CurrentMessage saved = self->m_current;
    self->m_current = {message, wParam, lParam};
    const LRESULT result = self->WindowProc(message, wParam, lParam);
    self->m_current = saved;
    if (message == WM_NCDESTROY) {
        if (self->m_hWnd == hwnd) {
            self->Unhook();
            self->PostNcDestroy();
        }
        ForgetBinding(hwnd);  // the handle may be reused by a new window
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    Binding found{};
    if (m_hWnd && FindBinding(m_hWnd, found) && found.object == this)
        return ::CallWindowProcW(found.previous, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (HWND child = ReflectionSource(m_hWnd, message, wParam, lParam)) {
        CWnd* object = FromHandlePermanent(child);
        if (object && object != this && object->OnChildNotify(message, wParam, lParam, &result)) return true;
    }
    switch (message) {
    case WM_COMMAND:
        return Dispatch(MsgKind::Command, message, LOWORD(wParam), HIWORD(wParam), wParam, lParam, result);
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        return Dispatch(MsgKind::Notify, message, static_cast<UINT>(hdr->idFrom), hdr->code, wParam, lParam,
                        result);
    }
    default:
        if (Dispatch(MsgKind::Message, message, 0, 0, wParam, lParam, result)) return true;
        return RouteMenuItem(message, lParam, result);
    }
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_COMMAND:
        return Dispatch(MsgKind::Reflect, WM_COMMAND, 0, HIWORD(wParam), wParam, lParam, *result);
    case WM_NOTIFY:
        return Dispatch(MsgKind::Reflect, WM_NOTIFY, 0, reinterpret_cast<const NMHDR*>(lParam)->code, wParam,
                        lParam, *result);
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        return Dispatch(MsgKind::Reflect, message, 0, 0, wParam, lParam, *result);
    default:
        // One reflected entry answers every colour message; it learns the kind.
        if (IsCtlColorMessage(message))
            return Dispatch(MsgKind::Reflect, WM_CTLCOLOR, 0, 0, wParam,
                            static_cast<LPARAM>(message - WM_CTLCOLORMSGBOX), *result);
        return FALSE;
    }
}

bool CWnd::Dispatch(MsgKind kind, UINT message, UINT id, UINT code, WPARAM wParam, LPARAM lParam,
                    LRESULT& result) {
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (const MsgMapEntry* e = map->first; e != map->last; ++e) {
            if (e->kind != kind || !e->Matches(message)) continue;
            if ((kind == MsgKind::Command || kind == MsgKind::Notify) && e->id != id) continue;
            if (kind != MsgKind::Message && e->code != code) continue;
            // A reflected entry matches exactly; only the first one counts, so a
            // declining handler hands the notification to the parent, not to
            // a base-class entry.
            return e->invoke(*this, wParam, lParam, result);
        }
    }
    return false;
}

const MessageMap* CWnd::ClassMessageMap() {
    static const MessageMap map = MakeMessageMap(nullptr);
    return &map;
}

CString CWindow::GetWindowText() const {
    const int length = ::GetWindowTextLengthW(Hwnd());
    if (length <= 0) return CString();
    CString text;
    wchar_t* buffer = text.GetBuffer(length + 1);
    const int copied = ::GetWindowTextW(Hwnd(), buffer, length + 1);
    text.ReleaseBuffer(copied > 0 ? copied : 0);
    return text;
}

namespace {

// Changes style bits (GWL_STYLE or GWL_EXSTYLE); with swpFlags the frame is
// told (SWP_FRAMECHANGED and the like) without moving the window.
BOOL ModifyWindowLong(HWND hwnd, int index, DWORD remove, DWORD add, UINT swpFlags) {
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, index));
    const DWORD updated = (style & ~remove) | add;
    if (style == updated) return FALSE;
    ::SetWindowLongPtrW(hwnd, index, static_cast<LONG_PTR>(updated));
    if (swpFlags)
        ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}

}  // namespace

BOOL CWindow::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) {
    return ModifyWindowLong(Hwnd(), GWL_STYLE, remove, add, swpFlags);
}

BOOL CWindow::ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags) {
    return ModifyWindowLong(Hwnd(), GWL_EXSTYLE, remove, add, swpFlags);
}

void CWindow::ScreenToClient(RECT* rect) const { ::MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(rect), 2); }
void CWindow::ClientToScreen(RECT* rect) const { ::MapWindowPoints(Hwnd(), nullptr, reinterpret_cast<POINT*>(rect), 2); }

int CWindow::MessageBox(const wchar_t* text, const wchar_t* caption, UINT type) {
    CString fallback;
    if (!caption) {
        if (CWinApp* app = AfxGetApp()) fallback = app->GetAppName();
        caption = fallback;
    }
    return ::MessageBoxW(m_hWnd, text, caption, type);
}

void CWindow::CenterWindow(HWND alternateOwner) {
    HWND owner = alternateOwner ? alternateOwner : ::GetWindow(Hwnd(), GW_OWNER);
    if (!owner && (GetStyle() & WS_CHILD)) owner = ::GetParent(Hwnd());
    CRect self, area;
    ::GetWindowRect(Hwnd(), &self);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    HMONITOR monitor = ::MonitorFromWindow(owner ? owner : Hwnd(), MONITOR_DEFAULTTONEAREST);
    ::GetMonitorInfoW(monitor, &mi);
    CRect work = mi.rcWork;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        area = work;
    int x = area.left + (area.Width() - self.Width()) / 2;
    int y = area.top + (area.Height() - self.Height()) / 2;
    // Keep the whole window on the monitor's work area.
    if (x + self.Width() > work.right) x = work.right - self.Width();
    if (y + self.Height() > work.bottom) y = work.bottom - self.Height();
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    if (GetStyle() & WS_CHILD) {
        POINT p{x, y};
        ::ScreenToClient(::GetParent(Hwnd()), &p);
        x = p.x;
        y = p.y;
    }
    ::SetWindowPos(Hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
