// The image button's drop-down menu in a host dialog: the menu's messages
// left to the base while the button has none; drawn pressed while open, the
// chosen command posted, nothing on dismissal, no handles left behind.
#include <functional>
#include <utility>

#include "ButtonVela.h"
#include "Framework.h"
#include "harness.h"

namespace {

constexpr UINT ID_HOST = 200, ID_BUTTON = 300, ID_MENU = 300, ID_OPEN = 100;

// The menu loop tells the menu's owner (the button) when it waits for input:
// a thread hook sees that and lets the case act on the open menu, once.
std::function<void(HWND menuWindow)> g_onIdle;

LRESULT CALLBACK IdleHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_ENTERIDLE && call->wParam == MSGF_MENU && g_onIdle)
        std::exchange(g_onIdle, nullptr)(reinterpret_cast<HWND>(call->lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK HostProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Bench {
    CWnd host;  // reflects the button's click back to it
    CButtonVela button;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, IdleHook, nullptr, GetCurrentThreadId());

    Bench() {
        HWND h = CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(ID_HOST), nullptr, HostProc, 0);
        if (!h || !host.SubclassWindow(h)) return;
        button.SubclassDlgItem(ID_BUTTON, &host);
        SetWindowPos(h, HWND_TOPMOST, 100, 100, 300, 200, SWP_SHOWWINDOW);
        SetCursorPos(5, 5);
    }
    ~Bench() {
        UnhookWindowsHookEx(hook);
        if (host.m_hWnd) ::DestroyWindow(host.m_hWnd);
    }
    // The button's face as WM_PRINTCLIENT paints it.
    std::vector<DWORD> Face() {
        CRect rc;
        button.GetClientRect(&rc);
        CDibSurface dib(rc.Width(), rc.Height());
        button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.GetSafeHdc()), PRF_CLIENT);
        return {dib.Bits(), dib.Bits() + rc.Width() * rc.Height()};
    }
    // Drops the menu down and runs `act` on it once it waits for input.
    void Open(std::function<void(HWND)> act) {
        g_onIdle = std::move(act);
        button.SendMessage(BM_CLICK);
    }
};

TEST_CASE(drop_down_answers_only_once_set_is_drawn_pressed_and_posts_only_a_chosen_command) {
    Bench b;
    REQUIRE(b.button.m_hWnd);
    // The menu's messages go to the base until the button has a menu; data
    // no menu registered is never read.
    LumMenu other;  // a known pop-up that this button does not own
    REQUIRE(other.LoadTemplate(ID_MENU));
    HMENU popup = other.GetSubMenu(0);
    auto* popupObject = dynamic_cast<LumMenu*>(CMenu::FromHandlePermanent(popup));
    REQUIRE(popupObject);
    LumMenuData foreign;
    const WPARAM key = MAKEWPARAM(L'o', MF_POPUP);
    for (const bool withMenu : {false, true}) {
        testkit::SetContext(withMenu ? "with a menu" : "without a menu");
        if (withMenu) REQUIRE(b.button.SetDropDownMenu(ID_MENU, b.host));
        const LRESULT base = DefWindowProcW(b.button, WM_MENUCHAR, key, reinterpret_cast<LPARAM>(popup));
        CHECK_EQ(b.button.SendMessage(WM_MENUCHAR, key, reinterpret_cast<LPARAM>(popup)),
                 withMenu ? static_cast<LRESULT>(0x20000) : base);
        for (LumMenuData* data : {popupObject->GetRecord(0), &foreign}) {
            MEASUREITEMSTRUCT mis{ODT_MENU, 0, static_cast<UINT>(reinterpret_cast<UINT_PTR>(popup)), 7, 7,
                                  reinterpret_cast<ULONG_PTR>(data)};
            b.button.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
            CHECK_EQ(mis.itemWidth != 7, data != &foreign);
        }
    }

    const std::vector<DWORD> released = b.Face();
    b.button.SendMessage(BM_SETSTATE, TRUE);
    const std::vector<DWORD> pressed = b.Face();
    b.button.SendMessage(BM_SETSTATE, FALSE);
    REQUIRE(released != pressed);
    const struct { const char* label; void (*act)(HWND); WPARAM command; } rows[] = {
        {"dismissed", [](HWND) { EndMenu(); }, 0},
        {"chosen", [](HWND menu) { testkit::PostKey(menu, VK_DOWN), testkit::PostKey(menu, VK_RETURN); }, ID_OPEN},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        std::vector<DWORD> open;
        b.Open([&](HWND menu) { open = b.Face(); row.act(menu); });
        REQUIRE(!open.empty());
        CHECK(open == pressed);
        CHECK(b.Face() == released);
        MSG msg{};  // the command goes to the target, from no control
        const bool posted = PeekMessageW(&msg, b.host, WM_COMMAND, WM_COMMAND, PM_REMOVE);
        CHECK_EQ(posted ? msg.wParam : 0, row.command);
        if (posted) CHECK_EQ(msg.lParam, static_cast<LPARAM>(0));
    }
    testkit::SetContext("many openings");
    const std::vector<long> before = testkit::LiveCensus();
    for (int i = 0; i < 100; ++i) b.Open(rows[0].act);
    CHECK_EQ(testkit::LiveCensus(), before);
}

}  // namespace
