// The hyperlink control, in the about box opened in this process: fitting to
// its text, hover and leave, clicks with a stand-in shell, the fallback's
// command line, and the about box's two links.
#include "AboutDlg.h"
#include "LinkStatic.h"
#include "LiveCounts.h"
#include "Maker.h"
#include "dialog_layout.h"
#include "harness.h"
#include "resource.h"

#include <functional>
#include <vector>

namespace {

constexpr COLORREF kLink = RGB(0, 0, 238), kVisited = RGB(85, 26, 139), kHover = RGB(255, 0, 0);

TEST_CASE(a_link_is_fitted_to_its_text_keeping_the_edge_of_its_alignment) {
    // 100 by 20 pixels with a 2-pixel edge all round.
    const CRect window(10, 10, 110, 30), client(12, 12, 108, 28);
    const struct { const char* label; DWORD style; CSize text; CRect expected; } rows[] = {
        {"left", SS_LEFT, {60, 13}, {10, 10, 74, 27}},
        {"right", SS_RIGHT, {60, 13}, {46, 10, 110, 27}},
        {"centred, shrinking", SS_CENTER, {60, 13}, {28, 10, 92, 27}},
        {"centred, an odd difference keeps its pixel", SS_CENTER, {61, 13}, {27, 10, 93, 27}},
        {"centred, growing", SS_CENTER, {120, 13}, {-2, 10, 122, 27}},
        {"centred vertically", SS_LEFT | SS_CENTERIMAGE, {60, 10}, {10, 13, 74, 27}},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        CHECK(FitLinkRect(window, client, row.text, row.style) == row.expected);
    }
}

TEST_CASE(the_fallback_cuts_the_open_command_at_its_placeholder_and_never_overflows) {
    const CString url = L"http://a.example/", longest(L'x', LINK_COMMAND_CHARS - 1 - 6);
    const struct { const wchar_t* command; CString target, expected; } rows[] = {
        {L"\"C:\\b.exe\" -nohome \"%1\"", url, L"\"C:\\b.exe\" -nohome  " + url},
        {L"C:\\b.exe %1 -x", url, L"C:\\b.exe  " + url},
        {L"b.exe %1 \"%1\"", url, L"b.exe %1  " + url},  // the quoted one first
        {L"b.exe -url", url, L"b.exe -url " + url},
        {L"b.exe", longest, L"b.exe " + longest},  // fills the buffer exactly
        {L"b.exe", longest + L"x", L""},           // one more: given up
    };
    for (const auto& row : rows) {
        testkit::SetContext(testkit::Narrow(row.command));
        CHECK_EQ(LinkFallbackCommand(row.command, row.target), row.expected);
    }
    // The older hand cursor comes from the Windows folder, by full path only.
    CHECK_EQ(HandCursorModulePath(L"C:\\"), CString(L"C:\\winhlp32.exe"));
    CHECK_EQ(HandCursorModulePath(L""), CString());
}

// The about box, handed with its home link to `body` inside its
// initialisation, and ended after it.
struct OpenedAbout : CAboutDlg {
    std::function<void(CDialog&, CLinkStatic&)> body;
    BOOL OnInitDialog() override {
        CAboutDlg::OnInitDialog();
        if (body) body(*this, *static_cast<CLinkStatic*>(FromHandlePermanent(GetDlgItem(IDC_LINK_HOME))));
        EndDialog(IDOK);
        return TRUE;
    }
};

void WithHomeLink(const std::function<void(CDialog&, CLinkStatic&)>& body) {
    OpenedAbout about;
    about.body = body;
    CHECK_EQ(about.DoModal(), static_cast<INT_PTR>(IDOK));
}

// Puts the cursor at `screen`, as the position of this thread's current
// message, which the leave check reads.
bool CursorAt(POINT screen) {
    POINT now{};
    MSG msg;
    if (!SetCursorPos(screen.x, screen.y) || !GetCursorPos(&now)) return false;
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE);
    return now.x == screen.x && now.y == screen.y;
}

// Whether the link painted off the screen shows text in `colour`.
bool Shows(CLinkStatic& link, COLORREF colour) {
    CRect client;
    link.GetClientRect(&client);
    CDibSurface dib(client.Width(), client.Height());
    link.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dib.GetSafeHdc()));
    link.PrintClient(dib);
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x)
            if (dib.ColourAt(x, y) == colour) return true;
    return false;
}

// Whether the link has its hovered look (underlined, in red only) or its plain one.
bool Looks(CLinkStatic& link, bool hovered) {
    LOGFONTW lf{};
    GetObjectW(link.GetFont(), sizeof(lf), &lf);
    return link.IsOver() == hovered && (lf.lfUnderline != 0) == hovered && Shows(link, hovered ? kHover : kLink) &&
           !Shows(link, hovered ? kLink : kHover);
}

TEST_CASE(hovering_underlines_in_red_and_leaving_restores_the_plain_link_without_leaks) {
    WithHomeLink([](CDialog&, CLinkStatic& link) {
        CRect r;
        link.GetWindowRect(&r);
        const POINT outside{r.right + 40, r.bottom + 40};
        REQUIRE(CursorAt(outside));
        const std::vector<long> before = testkit::LiveCensus();
        // The leave check's timer message is sent at once rather than waited for.
        for (int cycle = 0; cycle < 100; ++cycle) {
            link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            if (cycle == 0) CHECK(Looks(link, true));
            link.SendMessage(WM_TIMER, 100);
        }
        CHECK_EQ(testkit::LiveCensus(), before);
        CHECK(Looks(link, false));
        REQUIRE(CursorAt(r.CenterPoint()));  // still inside: the check changes nothing
        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        link.SendMessage(WM_TIMER, 100);
        CHECK(Looks(link, true));
        REQUIRE(CursorAt(outside));  // the link's own timer notices
        CHECK(testkit::PumpUntil([&] { return Looks(link, false); }, 2000));
        CHECK_EQ(link.SendMessage(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);  // the hand
    });
}

// A stand-in shell that answers g_shellAnswer, and a fallback that fails.
INT_PTR g_shellAnswer = 0;
int g_beeps = 0;
HINSTANCE WINAPI FakeShell(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) {
    return reinterpret_cast<HINSTANCE>(g_shellAnswer);
}
UINT WINAPI FakeExec(LPCSTR, UINT) { return 0; }
BOOL WINAPI FakeBeep(UINT) { return ++g_beeps, TRUE; }

TEST_CASE(a_click_turns_the_link_visited_and_a_failed_one_back_with_a_beep) {
    const struct { const char* label; const wchar_t* target; INT_PTR shellAnswer; bool visited; } rows[] = {
        {"an empty target opens nothing and counts", L"", 2, true},
        {"the shell opens it", L"http://a.example/", 42, true},
        {"failing after a success", L"http://b.example/", 2, false},
    };
    WithHomeLink([&](CDialog&, CLinkStatic& link) {
        link.SetLaunch({&FakeShell, &FakeExec, &FakeBeep});
        for (const auto& row : rows) {
            testkit::SetContext(row.label);
            link.SetTargetUrl(row.target);
            g_shellAnswer = row.shellAnswer;
            g_beeps = 0;
            link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            CHECK(Shows(link, row.visited ? kVisited : kLink));
            CHECK_EQ(g_beeps, row.visited ? 0 : 1);
        }
    });
}

TEST_CASE(the_about_box_fits_its_links_to_their_texts_and_100_openings_leak_nothing) {
    WithHomeLink([](CDialog& about, CLinkStatic& home) {
        home.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));  // now in the underlined font it was fitted to
        CClientDC dc(home);
        CSelectGuard font(dc, home.GetFont());
        CRect shown, client;
        home.GetWindowRect(&shown);
        about.ScreenToClient(&shown);
        home.GetClientRect(&client);
        CHECK(shown.TopLeft() == CRect(ExpectedPixels(about, {37, 93, 122, 13})).TopLeft());
        CHECK(client.Size() == dc.GetTextExtent(home.GetWindowText()));
        CHECK(home.GetTargetUrl().Find(L"://" MAKER_HOME_HOST) > 0);
        auto* feedback = static_cast<CLinkStatic*>(CWnd::FromHandlePermanent(about.GetDlgItem(IDC_LINK_FEEDBACK)));
        CHECK(feedback && feedback->GetTargetUrl().Find(L"mailto:" MAKER_FEEDBACK_ADDRESS L"?subject=") == 0);
    });
    // A DPI change and back: shown in the dialog's font, the link makes its
    // fonts from the one the dialog scaled; shown in its own, it scales them.
    WithHomeLink([](CDialog& about, CLinkStatic& home) {
        LOGFONTW at96{}, font{};
        GetObjectW(home.GetFont(), sizeof(at96), &at96);
        for (const UINT dpi : {192u, 96u}) {
            testkit::SetContext("at " + std::to_string(dpi) + " DPI");
            CRect place;
            about.GetWindowRect(&place);
            about.SendMessage(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
            home.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));  // the underlined font from here on
            GetObjectW(home.GetFont(), sizeof(font), &font);
            CHECK_EQ(font.lfHeight, Scale{dpi}.From(96, at96.lfHeight));
            CClientDC dc(home);
            CSelectGuard font(dc, home.GetFont());
            CRect client;
            home.GetClientRect(&client);
            CHECK(client.Size() == dc.GetTextExtent(home.GetWindowText()));
        }
    });
    const std::vector<long> before = testkit::LiveCensus();
    for (int i = 0; i < 100; ++i) OpenedAbout().DoModal();
    CHECK_EQ(testkit::LiveCensus(), before);
}

}  // namespace
