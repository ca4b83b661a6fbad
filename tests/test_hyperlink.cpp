// The hyperlink control in dialogs of this process: fitting to its text,
// hover and leave, clicks with a stand-in shell, the fallback's command line,
// and the about box with its two links.
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

// Dialog D, handed to `body` inside its initialisation and ended after it.
template <class D>
class Opened : public D {
public:
    using D::D;
    std::function<void(Opened&)> body;

protected:
    BOOL OnInitDialog() override {
        D::OnInitDialog();
        if (body) body(*this);
        this->EndDialog(IDOK);
        return TRUE;
    }
};

// tests.rc's template 201: links 500 to 503.
struct LinkHost : CDialog {
    LinkHost() : CDialog(201) {}
    CLinkStatic links[4];
    void DoDataExchange(CDataExchange* dx) override {
        for (int i = 0; i < 4; ++i) DDX_Control(dx, 500 + i, links[i]);
    }
};

std::vector<long> Census() {
    std::vector<long> counts;
    for (int k = 0; k < static_cast<int>(LiveKind::Kinds); ++k) counts.push_back(LiveObjects(static_cast<LiveKind>(k)));
    return counts;
}

LOGFONTW FontOf(CLinkStatic& link) {
    LOGFONTW lf{};
    GetObjectW(link.GetFont(), sizeof(lf), &lf);
    return lf;
}
bool Underlined(CLinkStatic& link) { return FontOf(link).lfUnderline != 0; }

TEST_CASE(links_fit_their_underlined_text_keeping_the_edge_of_their_alignment) {
    Opened<LinkHost> host;
    host.links[3].SetTargetUrl(L"http://empty.example/");  // its control has no text
    host.body = [](Opened<LinkHost>& h) {
        const RECT units[] = {{10, 10, 150, 13}, {10, 30, 150, 13}, {10, 50, 150, 13}, {10, 70, 10, 10}};
        for (int i = 0; i < 4; ++i) {
            testkit::SetContext(std::to_string(500 + i));
            CLinkStatic& link = h.links[i];
            LOGFONTW lf = FontOf(link);
            lf.lfUnderline = TRUE;
            CFont underlined;
            underlined.CreateFontIndirect(&lf);
            CClientDC dc(link);
            CSelectGuard font(dc, underlined);
            const CSize text = dc.GetTextExtent(link.GetWindowText());
            CRect before = ExpectedPixels(h, units[i]), after, client;
            link.GetWindowRect(&after);
            h.ScreenToClient(&after);
            link.GetClientRect(&client);
            // The border stays; a centred link moves both edges alike and may keep an odd pixel.
            CHECK(client.Width() == text.cx || (i == 2 && client.Width() == text.cx + 1));
            CHECK_EQ(client.Height(), text.cy);
            CHECK_EQ(after.top, before.top);
            if (i == 1) CHECK_EQ(after.right, before.right);
            if (i == 2) CHECK_EQ(after.left - before.left, before.right - after.right);
            if (i != 1 && i != 2) CHECK_EQ(after.left, before.left);
        }
        CHECK_EQ(h.links[3].GetWindowText(), CString(L"http://empty.example/"));
    };
    CHECK_EQ(host.DoModal(), static_cast<INT_PTR>(IDOK));
}

// Puts the cursor at `screen`, as the position of this thread's current
// message, which the leave check reads.
bool CursorAt(POINT screen) {
    POINT now{};
    if (!SetCursorPos(screen.x, screen.y) || !GetCursorPos(&now)) return false;
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE);
    return now.x == screen.x && now.y == screen.y;
}

// How many pixels have `colour` when the link paints itself off the screen.
int PixelsOf(CLinkStatic& link, COLORREF colour) {
    CRect client;
    link.GetClientRect(&client);
    CDibSurface dib(client.Width(), client.Height());
    link.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dib.GetSafeHdc()));
    link.PrintClient(dib);
    int count = 0;
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) count += dib.ColourAt(x, y) == colour;
    return count;
}


TEST_CASE(hovering_underlines_in_red_and_leaving_restores_the_plain_link_without_leaks) {
    Opened<LinkHost> host;
    host.body = [](Opened<LinkHost>& h) {
        CLinkStatic& link = h.links[0];
        CRect r;
        link.GetWindowRect(&r);
        const POINT outside{r.right + 40, r.bottom + 40};
        REQUIRE(CursorAt(outside));
        const std::vector<long> before = Census();
        // The leave check's timer message is sent at once rather than waited for.
        for (int cycle = 0; cycle < 100; ++cycle) {
            link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            if (cycle == 0) CHECK(link.IsOver() && Underlined(link) && PixelsOf(link, RGB(255, 0, 0)) > 0);
            if (cycle == 0) CHECK_EQ(PixelsOf(link, RGB(0, 0, 238)), 0);
            link.SendMessage(WM_TIMER, 100);
        }
        CHECK(Census() == before);
        CHECK(!link.IsOver() && !Underlined(link) && PixelsOf(link, RGB(0, 0, 238)) > 0);
        CHECK_EQ(PixelsOf(link, RGB(255, 0, 0)), 0);
        REQUIRE(CursorAt(r.CenterPoint()));  // still inside: the check changes nothing
        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        link.SendMessage(WM_TIMER, 100);
        CHECK(link.IsOver() && Underlined(link));
        REQUIRE(CursorAt(outside));  // the link's own timer notices
        CHECK(testkit::PumpUntil([&] { return !link.IsOver() && !Underlined(link); }, 2000));
        CHECK_EQ(link.SendMessage(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);  // the hand
    };
    CHECK_EQ(host.DoModal(), static_cast<INT_PTR>(IDOK));
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
    struct Row {
        const char* label;
        const wchar_t* target;
        INT_PTR shellAnswer;
        bool visited;
    } const rows[] = {
        {"an empty target opens nothing and counts", L"", 2, true},
        {"the shell opens it", L"http://a.example/", 42, true},
        {"failing after a success", L"http://b.example/", 2, false},
    };
    Opened<LinkHost> host;
    host.links[0].SetLaunch({&FakeShell, &FakeExec, &FakeBeep});
    host.body = [&](Opened<LinkHost>& h) {
        for (const Row& row : rows) {
            testkit::SetContext(row.label);
            h.links[0].SetTargetUrl(row.target);
            g_shellAnswer = row.shellAnswer;
            g_beeps = 0;
            h.links[0].SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            CHECK(PixelsOf(h.links[0], row.visited ? RGB(85, 26, 139) : RGB(0, 0, 238)) > 0);
            CHECK_EQ(g_beeps, row.visited ? 0 : 1);
        }
    };
    CHECK_EQ(host.DoModal(), static_cast<INT_PTR>(IDOK));
}

TEST_CASE(the_fallback_cuts_the_open_command_at_its_placeholder_and_never_overflows) {
    const CString url = L"http://a.example/", longest(L'x', LINK_COMMAND_CHARS - 1 - 6);
    struct Row {
        const wchar_t* command;
        CString target, expected;
    } const rows[] = {
        {L"\"C:\\b.exe\" -nohome \"%1\"", url, L"\"C:\\b.exe\" -nohome  " + url},
        {L"C:\\b.exe %1 -x", url, L"C:\\b.exe  " + url},
        {L"b.exe %1 \"%1\"", url, L"b.exe %1  " + url},  // the quoted one first
        {L"b.exe -url", url, L"b.exe -url " + url},
        {L"b.exe", longest, L"b.exe " + longest},  // fills the buffer exactly
        {L"b.exe", longest + L"x", L""},           // one more: given up
    };
    for (const Row& row : rows) {
        testkit::SetContext(testkit::Narrow(row.command));
        CHECK_EQ(LinkFallbackCommand(row.command, row.target), row.expected);
    }
    // The older hand cursor comes from the Windows folder, by full path only.
    CHECK_EQ(HandCursorModulePath(L"C:\\"), CString(L"C:\\winhlp32.exe"));
    CHECK_EQ(HandCursorModulePath(L""), CString());
}

TEST_CASE(the_about_box_labels_show_the_targets_and_100_openings_leak_nothing) {
    Opened<CAboutDlg> first;
    first.body = [](Opened<CAboutDlg>& about) {
        auto link = [&](int id) { return static_cast<CLinkStatic*>(CWnd::FromHandlePermanent(about.GetDlgItem(id))); };
        REQUIRE(link(IDC_LINK_HOME) && link(IDC_LINK_FEEDBACK));
        CHECK_EQ(link(IDC_LINK_HOME)->GetWindowText(), CString(L"官方主页：" MAKER_HOME_HOST));
        CHECK(link(IDC_LINK_HOME)->GetTargetUrl().Find(L"://" MAKER_HOME_HOST) > 0);
        CHECK_EQ(link(IDC_LINK_FEEDBACK)->GetWindowText(), CString(L"意见反馈：" MAKER_FEEDBACK_ADDRESS));
        CHECK(link(IDC_LINK_FEEDBACK)->GetTargetUrl().Find(L"mailto:" MAKER_FEEDBACK_ADDRESS L"?") == 0);
    };
    CHECK_EQ(first.DoModal(), static_cast<INT_PTR>(IDOK));
    const std::vector<long> before = Census();
    for (int i = 0; i < 100; ++i) Opened<CAboutDlg>().DoModal();
    CHECK(Census() == before);
}

}  // namespace
