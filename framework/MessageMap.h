#pragma once
// Classes and functions in this file:
//   MsgMapEntry, MessageMap - one table of handlers per window class, chained
//                             to the table of its base class
//   OnMessage<MSG, &C::H>()              - a window message, cracked into typed arguments
//   OnRawMessage<MSG, &C::H>()           - any message: LRESULT H(WPARAM, LPARAM)
//   RegisteredMessage                    - a message whose id the system hands out at
//                                          run time (RegisterWindowMessage), by name
//   OnRegisteredMessage<&M, &C::H>()     - such a message: LRESULT H(WPARAM, LPARAM)
//   OnCommand<ID, CODE, &C::H>()         - WM_COMMAND from a control, menu or accelerator
//   OnNotify<ID, CODE, &C::H>()          - WM_NOTIFY from a control
//   OnReflectedCommand<CODE, &C::H>()    - a control's own WM_COMMAND, sent back by its parent
//   OnReflectedNotify<CODE, &C::H>()     - a control's own WM_NOTIFY, sent back by its parent
//   OnReflectedMessage<MSG, &C::H>()     - WM_DRAWITEM, WM_MEASUREITEM or WM_CTLCOLOR
//                                          about the control, sent back by its parent
//
// A class lists its handlers in a static array and returns a MessageMap that
// points to that array and to its base's map; the window finds the first
// matching entry from the most derived class upward. Handlers are ordinary
// member functions with typed parameters; the Cracker for each message is the
// single place that unpacks WPARAM and LPARAM. No macros, no casts of member
// pointers: each entry's invoke function is instantiated for its handler.
//
// Reflected handlers decide who else sees the notification: a handler that
// returns void (or TRUE) consumes it, one that returns FALSE passes it on to
// the parent's own table, as if it had not been reflected.
#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <type_traits>

#include "Types.h"

class CWnd;
class CDC;

// The framework's name for all WM_CTLCOLOR* messages in a reflected entry;
// the handler receives the control colour type (CTLCOLOR_STATIC, ...).
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

enum class MsgKind : unsigned char {
    Message,   // a message sent to this window
    Command,   // WM_COMMAND from a child control, a menu or an accelerator
    Notify,    // WM_NOTIFY from a child control
    Reflect,   // a notification about this control, sent back by its parent
};

// A registered message, declared once at namespace scope:
//   const RegisteredMessage kTaskbarCreated{L"TaskbarCreated"};
// and put in a table with OnRegisteredMessage<&kTaskbarCreated, &C::H>().
class RegisteredMessage {
public:
    explicit constexpr RegisteredMessage(const wchar_t* name) : m_name(name) {}
    RegisteredMessage(const RegisteredMessage&) = delete;
    RegisteredMessage& operator=(const RegisteredMessage&) = delete;

    // Registered on first use; the same name gives the same id in every
    // process of the session, so a race between threads is harmless. 0 when
    // the system refused the name.
    UINT Id() const {
        UINT id = m_id.load(std::memory_order_relaxed);
        if (!id) {
            id = ::RegisterWindowMessageW(m_name);
            m_id.store(id, std::memory_order_relaxed);
        }
        return id;
    }
    const wchar_t* Name() const { return m_name; }

private:
    const wchar_t* m_name;
    mutable std::atomic<UINT> m_id{0};
};

struct MsgMapEntry {
    MsgKind kind;
    UINT message;  // Message and Reflect entries (a registered message's entry: 0)
    UINT id;       // Command and Notify entries: the control or command id
    UINT code;     // Command, Notify and reflected WM_COMMAND/WM_NOTIFY: the notification code
    // Runs the handler and stores its result; false when the handler declined
    // (a reflected handler passing the notification on).
    bool (*invoke)(CWnd& self, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A Message entry for a registered message: its id is looked up when a
    // message in the registered range (0xC000 to 0xFFFF) arrives.
    const RegisteredMessage* registered = nullptr;

    bool Matches(UINT msg) const {
        if (!registered) return message == msg;
        return msg >= 0xC000 && msg <= 0xFFFF && registered->Id() == msg;
    }
};

struct MessageMap {
    const MessageMap* base;  // null for the root of the chain
    const MsgMapEntry* first;
    const MsgMapEntry* last;
};

template <size_t N>
constexpr MessageMap MakeMessageMap(const MessageMap* base, const MsgMapEntry (&entries)[N]) {
    return {base, entries, entries + N};
}
constexpr MessageMap MakeMessageMap(const MessageMap* base) { return {base, nullptr, nullptr}; }

namespace msgmap_detail {

template <class>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
    using Class = C;
    using Return = R;
};

template <auto H>
using ClassOf = typename MemberOf<decltype(H)>::Class;

template <auto H>
ClassOf<H>& Self(CWnd& w) {
    return static_cast<ClassOf<H>&>(w);
}

// Calls a handler and turns what it returned into "handled" and a result.
template <auto H, class... A>
bool CallReflected(CWnd& w, LRESULT& result, A... args) {
    using R = typename MemberOf<decltype(H)>::Return;
    if constexpr (std::is_void_v<R>) {
        (Self<H>(w).*H)(args...);
        result = 0;
        return true;
    } else {
        const bool consumed = (Self<H>(w).*H)(args...) != FALSE;
        result = 0;
        return consumed;
    }
}

}  // namespace msgmap_detail

// How each message's parameters reach its handler. Specialisations exist for
// the messages that our windows handle; anything else goes through
// OnRawMessage.
template <UINT Msg>
struct Cracker;

#define ORLENZA_CRACKER(MSG, CALL)                                                   \
    template <>                                                                       \
    struct Cracker<MSG> {                                                             \
        template <auto H>                                                             \
        static bool Invoke(CWnd& w, [[maybe_unused]] WPARAM wp, [[maybe_unused]] LPARAM lp, \
                           LRESULT& result) {                                         \
            auto& self = msgmap_detail::Self<H>(w);                                   \
            CALL;                                                                     \
            return true;                                                              \
        }                                                                             \
    };
// The one macro of the framework: it only spares writing the same
// specialisation header twenty times; each body is the whole unpacking rule.
ORLENZA_CRACKER(WM_PAINT, (self.*H)(); result = 0)
ORLENZA_CRACKER(WM_DESTROY, (self.*H)(); result = 0)
ORLENZA_CRACKER(WM_SYSCOMMAND, (self.*H)(static_cast<UINT>(wp), lp); result = 0)
ORLENZA_CRACKER(WM_QUERYDRAGICON, result = reinterpret_cast<LRESULT>((self.*H)()))
ORLENZA_CRACKER(WM_DROPFILES, (self.*H)(reinterpret_cast<HDROP>(wp)); result = 0)
// The mouse messages: void H(UINT keys, CPoint client), keys the MK_* state
// of the buttons and of Shift and Ctrl.
ORLENZA_CRACKER(WM_MOUSEMOVE, (self.*H)(static_cast<UINT>(wp), CPoint(lp)); result = 0)
ORLENZA_CRACKER(WM_LBUTTONDOWN, (self.*H)(static_cast<UINT>(wp), CPoint(lp)); result = 0)
ORLENZA_CRACKER(WM_LBUTTONUP, (self.*H)(static_cast<UINT>(wp), CPoint(lp)); result = 0)
ORLENZA_CRACKER(WM_LBUTTONDBLCLK, (self.*H)(static_cast<UINT>(wp), CPoint(lp)); result = 0)
ORLENZA_CRACKER(WM_MOUSELEAVE, (self.*H)(); result = 0)
ORLENZA_CRACKER(WM_TIMER, (self.*H)(static_cast<UINT_PTR>(wp)); result = 0)
ORLENZA_CRACKER(WM_SETCURSOR,
                result = (self.*H)(reinterpret_cast<HWND>(wp), LOWORD(lp), HIWORD(lp)))
ORLENZA_CRACKER(WM_ERASEBKGND, result = (self.*H)(reinterpret_cast<HDC>(wp)))
ORLENZA_CRACKER(WM_SETFOCUS, (self.*H)(reinterpret_cast<HWND>(wp)); result = 0)
ORLENZA_CRACKER(WM_KILLFOCUS, (self.*H)(reinterpret_cast<HWND>(wp)); result = 0)
ORLENZA_CRACKER(WM_GETDLGCODE, result = (self.*H)())
ORLENZA_CRACKER(WM_SYSCOLORCHANGE, (self.*H)(); result = 0)
ORLENZA_CRACKER(WM_ENABLE, (self.*H)(static_cast<BOOL>(wp)); result = 0)
ORLENZA_CRACKER(WM_CANCELMODE, (self.*H)(); result = 0)
// void H(UINT type, CSize client), or the older void H(UINT type, int cx, int cy).
ORLENZA_CRACKER(WM_SIZE,
                if constexpr (std::is_invocable_v<decltype(H), decltype(self), UINT, CSize>)(self.*H)(
                    static_cast<UINT>(wp), CSize(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))));
                else(self.*H)(static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
                result = 0)
ORLENZA_CRACKER(WM_ACTIVATE, (self.*H)(LOWORD(wp), reinterpret_cast<HWND>(lp), HIWORD(wp) != 0); result = 0)
ORLENZA_CRACKER(WM_MENUCHAR,
                result = (self.*H)(LOWORD(wp), HIWORD(wp), reinterpret_cast<HMENU>(lp)))
ORLENZA_CRACKER(WM_DRAWITEM,
                (self.*H)(static_cast<int>(wp), reinterpret_cast<DRAWITEMSTRUCT*>(lp));
                result = TRUE)
ORLENZA_CRACKER(WM_MEASUREITEM,
                (self.*H)(static_cast<int>(wp), reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
                result = TRUE)
ORLENZA_CRACKER(WM_INITMENUPOPUP,
                (self.*H)(reinterpret_cast<HMENU>(wp), LOWORD(lp), HIWORD(lp) != 0);
                result = 0)
// void H(HWND gainingCapture): this window lost the mouse capture.
ORLENZA_CRACKER(WM_CAPTURECHANGED, (self.*H)(reinterpret_cast<HWND>(lp)); result = 0)
// void H(UINT virtualKey, UINT repeatCount, UINT flags): flags are the high
// word of lParam (KF_EXTENDED, KF_REPEAT, KF_UP ...).
ORLENZA_CRACKER(WM_KEYDOWN, (self.*H)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp)); result = 0)
ORLENZA_CRACKER(WM_KEYUP, (self.*H)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp)); result = 0)
// void H(HDC dc, UINT flags): paint the client area into someone else's DC
// (PRF_CLIENT, PRF_ERASEBKGND ...), as WM_PAINT would on the screen.
ORLENZA_CRACKER(WM_PRINTCLIENT, (self.*H)(reinterpret_cast<HDC>(wp), static_cast<UINT>(lp)); result = 0)
// void H(HWND clicked, CPoint screen): screen is (-1, -1) when the menu was
// asked for from the keyboard.
ORLENZA_CRACKER(WM_CONTEXTMENU, (self.*H)(reinterpret_cast<HWND>(wp), CPoint(lp)); result = 0)
// void H(UINT reason, HWND menuOrDialog): MSGF_MENU or MSGF_DIALOGBOX.
ORLENZA_CRACKER(WM_ENTERIDLE, (self.*H)(static_cast<UINT>(wp), reinterpret_cast<HWND>(lp)); result = 0)
ORLENZA_CRACKER(WM_MOUSEHOVER, (self.*H)(static_cast<UINT>(wp), CPoint(lp)); result = 0)
ORLENZA_CRACKER(WM_RBUTTONDOWN, (self.*H)(static_cast<UINT>(wp), CPoint(lp)); result = 0)
ORLENZA_CRACKER(WM_RBUTTONUP, (self.*H)(static_cast<UINT>(wp), CPoint(lp)); result = 0)
// void H(HFONT font, BOOL redraw) / HFONT H()
ORLENZA_CRACKER(WM_SETFONT, (self.*H)(reinterpret_cast<HFONT>(wp), static_cast<BOOL>(LOWORD(lp))); result = 0)
ORLENZA_CRACKER(WM_GETFONT, result = reinterpret_cast<LRESULT>((self.*H)()))
// void H(UINT dpi, const RECT* suggested): the window's new DPI and the
// place the system suggests for it.
ORLENZA_CRACKER(WM_DPICHANGED, (self.*H)(LOWORD(wp), reinterpret_cast<const RECT*>(lp)); result = 0)
// UINT H(CPoint screen): HTCLIENT, HTTRANSPARENT ...
ORLENZA_CRACKER(WM_NCHITTEST, result = static_cast<LRESULT>((self.*H)(CPoint(lp))))
#undef ORLENZA_CRACKER

template <UINT Msg, auto H>
constexpr MsgMapEntry OnMessage() {
    return {MsgKind::Message, Msg, 0, 0, &Cracker<Msg>::template Invoke<H>};
}

// LRESULT H(WPARAM, LPARAM): for messages without a cracker, such as
// registered ones or WM_APP messages of our own.
template <UINT Msg, auto H>
constexpr MsgMapEntry OnRawMessage() {
    return {MsgKind::Message, Msg, 0, 0, [](CWnd& w, WPARAM wp, LPARAM lp, LRESULT& result) {
                result = (msgmap_detail::Self<H>(w).*H)(wp, lp);
                return true;
            }};
}

// LRESULT H(WPARAM, LPARAM): a registered message, `M` its declaration.
template <const RegisteredMessage* M, auto H>
constexpr MsgMapEntry OnRegisteredMessage() {
    return {MsgKind::Message, 0, 0, 0,
            [](CWnd& w, WPARAM wp, LPARAM lp, LRESULT& result) {
                result = (msgmap_detail::Self<H>(w).*H)(wp, lp);
                return true;
            },
            M};
}

// void H(): a command from control or menu item `Id` with notification `Code`
// (BN_CLICKED and menu commands are both 0).
template <UINT Id, UINT Code, auto H>
constexpr MsgMapEntry OnCommand() {
    return {MsgKind::Command, WM_COMMAND, Id, Code, [](CWnd& w, WPARAM, LPARAM, LRESULT& result) {
                (msgmap_detail::Self<H>(w).*H)();
                result = 0;
                return true;
            }};
}

// void H(NMHDR*, LRESULT* result): a notification from control `Id`.
template <UINT Id, UINT Code, auto H>
constexpr MsgMapEntry OnNotify() {
    return {MsgKind::Notify, WM_NOTIFY, Id, Code, [](CWnd& w, WPARAM, LPARAM lp, LRESULT& result) {
                result = 0;
                (msgmap_detail::Self<H>(w).*H)(reinterpret_cast<NMHDR*>(lp), &result);
                return true;
            }};
}

// void H() consumes; BOOL H() consumes when TRUE and passes on when FALSE.
template <UINT Code, auto H>
constexpr MsgMapEntry OnReflectedCommand() {
    return {MsgKind::Reflect, WM_COMMAND, 0, Code, [](CWnd& w, WPARAM, LPARAM, LRESULT& result) {
                return msgmap_detail::CallReflected<H>(w, result);
            }};
}

// void H(NMHDR*, LRESULT*) consumes; BOOL H(NMHDR*, LRESULT*) as above.
template <UINT Code, auto H>
constexpr MsgMapEntry OnReflectedNotify() {
    return {MsgKind::Reflect, WM_NOTIFY, 0, Code, [](CWnd& w, WPARAM, LPARAM lp, LRESULT& result) {
                using R = typename msgmap_detail::MemberOf<decltype(H)>::Return;
                result = 0;
                auto& self = msgmap_detail::Self<H>(w);
                if constexpr (std::is_void_v<R>) {
                    (self.*H)(reinterpret_cast<NMHDR*>(lp), &result);
                    return true;
                } else {
                    return (self.*H)(reinterpret_cast<NMHDR*>(lp), &result) != FALSE;
                }
            }};
}

// WM_CTLCOLOR:    HBRUSH H(HDC dc, UINT ctlColorType); a null brush means "not handled".
// WM_DRAWITEM:    void H(DRAWITEMSTRUCT*)
// WM_MEASUREITEM: void H(MEASUREITEMSTRUCT*)
template <UINT Msg, auto H>
constexpr MsgMapEntry OnReflectedMessage() {
    static_assert(Msg == WM_CTLCOLOR || Msg == WM_DRAWITEM || Msg == WM_MEASUREITEM,
                  "only these messages are reflected as messages");
    return {MsgKind::Reflect, Msg, 0, 0, [](CWnd& w, WPARAM wp, LPARAM lp, LRESULT& result) {
                auto& self = msgmap_detail::Self<H>(w);
                if constexpr (Msg == WM_CTLCOLOR) {
                    // wp is the control's DC; the reflection stores the colour type in lp.
                    HBRUSH brush = (self.*H)(reinterpret_cast<HDC>(wp), static_cast<UINT>(lp));
                    result = reinterpret_cast<LRESULT>(brush);
                    return brush != nullptr;
                } else if constexpr (Msg == WM_DRAWITEM) {
                    (self.*H)(reinterpret_cast<DRAWITEMSTRUCT*>(lp));
                    result = TRUE;
                    return true;
                } else {
                    (self.*H)(reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
                    result = TRUE;
                    return true;
                }
            }};
}
