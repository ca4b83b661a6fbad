// The image button's drop-down menu in a host dialog: drawn pressed while the
// menu is open, the chosen command posted to the target, nothing on dismissal,
// the menu's messages left to the base when the button has no menu; and no
// handles left behind by many openings and paints.
#include "ButtonVela.h"
#include "Framework.h"
#include "LiveCounts.h"
#include "harness.h"

#include <functional>
#include <utility>

namespace {

constexpr UINT ID_HOST = 200, ID_BUTTON = 300, ID_MENU = 300, ID_OPEN = 100;

INT_PTR CALLBACK HostProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The menu loop tells the menu's owner (the button) when it waits for
// input: a thread hook sees that and lets the case act on the open menu.
std::function<void(HWND menuWindow)> g_onIdle;
int g_idles = 0;

LRESULT CALLBACK IdleHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_ENTERIDLE && call->wParam == MSGF_MENU && g_onIdle) {
        ++g_idles;
        auto act = std::exchange(g_onIdle, nullptr);  // once per opening
        act(reinterpret_cast<HWND>(call->lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

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
        const DWORD* bits = dib.Bits();
        return {bits, bits + rc.Width() * rc.Height()};
    }
    // A command posted to the host since the last call, or 0.
    WPARAM PostedCommand(LPARAM* lParam) {
        MSG msg{};
        if (!PeekMessageW(&msg, host, WM_COMMAND, WM_COMMAND, PM_REMOVE)) return 0;
        *lParam = msg.lParam;
        return msg.wParam;
    }
};

void ChooseFirstItem(HWND menuWindow) {
    PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_CASE(drop_down_is_drawn_pressed_and_posts_only_a_chosen_command) {
    Bench b;
    REQUIRE(b.button.m_hWnd);
    REQUIRE(b.button.SetDropDownMenu(ID_MENU, b.host));
    const std::vector<DWORD> released = b.Face();
    b.button.SendMessage(BM_SETSTATE, TRUE);
    const std::vector<DWORD> pressed = b.Face();
    b.button.SendMessage(BM_SETSTATE, FALSE);
    REQUIRE(released != pressed);

    const struct {
        const char* label;
        void (*act)(HWND);
        WPARAM command;
    } rows[] = {
        {"dismissed", [](HWND) { EndMenu(); }, 0},
        {"chosen", ChooseFirstItem, MAKEWPARAM(ID_OPEN, 0)},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        std::vector<DWORD> open;
        g_idles = 0;
        g_onIdle = [&](HWND menuWindow) {
            open = b.Face();
            row.act(menuWindow);
        };
        b.button.SendMessage(BM_CLICK);
        REQUIRE(g_idles > 0);
        CHECK(open == pressed);
        CHECK(b.Face() == released);
        LPARAM lParam = -1;
        CHECK_EQ(b.PostedCommand(&lParam), row.command);
        if (row.command) CHECK_EQ(lParam, static_cast<LPARAM>(0));
    }
    testkit::SetContext("");
}

TEST_CASE(menu_messages_reach_the_menu_only_when_the_button_has_one) {
    Bench b;
    REQUIRE(b.button.m_hWnd);
    CButtonVela& button = b.button;
    LumMenu other;  // a known pop-up that this button does not own
    REQUIRE(other.LoadTemplate(ID_MENU));
    HMENU popup = other.GetSubMenu(0);
    auto* popupObject = dynamic_cast<LumMenu*>(CMenu::FromHandlePermanent(popup));
    REQUIRE(popupObject);
    LumMenuData foreign;  // data no menu registered: never read
    for (const bool withMenu : {false, true}) {
        testkit::SetContext(withMenu ? "with a menu" : "without a menu");
        if (withMenu) REQUIRE(button.SetDropDownMenu(ID_MENU, b.host));
        const LRESULT base = DefWindowProcW(button, WM_MENUCHAR, MAKEWPARAM(L'o', MF_POPUP),
                                            reinterpret_cast<LPARAM>(popup));
        const LRESULT answer =
            button.SendMessage(WM_MENUCHAR, MAKEWPARAM(L'o', MF_POPUP), reinterpret_cast<LPARAM>(popup));
        CHECK_EQ(answer, withMenu ? static_cast<LRESULT>(0x20000) : base);
        for (const ULONG_PTR data : {reinterpret_cast<ULONG_PTR>(popupObject->GetRecord(0)),
                                     reinterpret_cast<ULONG_PTR>(&foreign)}) {
            MEASUREITEMSTRUCT mis{ODT_MENU, 0, static_cast<UINT>(reinterpret_cast<UINT_PTR>(popup)), 7, 7, data};
            button.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
            CHECK_EQ(mis.itemWidth != 7, data != reinterpret_cast<ULONG_PTR>(&foreign));
        }
    }
    testkit::SetContext("");
}

#ifdef ORLENZA_LIVE_COUNTS
TEST_CASE(item_paints_leave_no_handles_behind) {
    LumMenu menu;
    REQUIRE(menu.LoadTemplate(ID_MENU));
    auto* popup = dynamic_cast<LumMenu*>(CMenu::FromHandlePermanent(menu.GetSubMenu(0)));
    REQUIRE(popup);
    CDibSurface dib(160, 22);
    const UINT states[] = {0, ODS_SELECTED, ODS_CHECKED, ODS_GRAYED, ODS_GRAYED | ODS_SELECTED};
    auto paint = [&](int i) {
        LumMenu::s_drawMode = i % 2;  // both styles, every state, every item
        const int position = i % 3;
        const auto data = reinterpret_cast<ULONG_PTR>(popup->GetRecord(position));
        DRAWITEMSTRUCT dis{ODT_MENU, 0, popup->GetMenuItemID(position), ODA_DRAWENTIRE, states[i % 5],
                           reinterpret_cast<HWND>(popup->m_hMenu), dib, {0, 0, 160, 22}, data};
        popup->DrawItem(&dis);
        MEASUREITEMSTRUCT mis{ODT_MENU, 0, 0, 0, 0, data};
        popup->MeasureItem(&mis);
    };
    paint(0);
    const std::vector<long> before = testkit::LiveCensus();
    for (int i = 0; i < 1000; ++i) paint(i);
    LumMenu::s_drawMode = 0;
    CHECK(testkit::LiveCensus() == before);
}

TEST_CASE(menu_openings_leave_no_handles_behind) {
    Bench b;
    REQUIRE(b.button.m_hWnd);
    REQUIRE(b.button.SetDropDownMenu(ID_MENU, b.host));
    // One opening first: whatever is made once per run is made by then.
    g_onIdle = [](HWND) { EndMenu(); };
    b.button.SendMessage(BM_CLICK);
    const std::vector<long> before = testkit::LiveCensus();
    for (int i = 0; i < 100; ++i) {
        g_onIdle = [](HWND) { EndMenu(); };
        b.button.SendMessage(BM_CLICK);
    }
    CHECK(testkit::LiveCensus() == before);
}
#endif

}  // namespace
