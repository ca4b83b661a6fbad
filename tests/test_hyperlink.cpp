// The hyperlink control in a dialog of this process: fitting to its text,
// hover and leave, clicks with a stand-in shell, the fallback's command line,
// and the about box that carries two links.
#include "AboutDlg.h"
#include "Maker.h"
#include "LinkStatic.h"
#include "LiveCounts.h"
#include "dialog_layout.h"
#include "harness.h"

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kLinkHost = 201;  // tests.rc: links 500 to 503

// Runs `body` inside the dialog's initialisation, on its own thread, and
// ends the dialog after it.
class LinkHost : public CDialog {
public:
    explicit LinkHost(std::function<void(LinkHost&)> body) : CDialog(kLinkHost), m_body(std::move(body)) {}
    CLinkStatic links[4];

protected:
    void DoDataExchange(CDataExchange* dx) override {
        for (int i = 0; i < 4; ++i) DDX_Control(dx, 500 + i, links[i]);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_body(*this);
        EndDialog(IDOK);
        return TRUE;
    }

private:
    std::function<void(LinkHost&)> m_body;
};

CRect ParentRect(HWND window) {
    CRect r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Underlined(CLinkStatic& link) {
    LOGFONTW lf{};
    GetObjectW(link.GetFont(), sizeof(lf), &lf);
    return lf.lfUnderline != 0;
}

TEST_CASE(links_fit_their_underlined_text_keeping_the_edge_of_their_alignment) {
    struct Row {
        int index;
        const char* label;
        RECT units;
    };
    const Row rows[] = {
        {0, "left", {10, 10, 150, 13}},
        {1, "right", {10, 30, 150, 13}},
        {2, "centred", {10, 50, 150, 13}},
        {3, "no text: shows its address", {10, 70, 10, 10}},
    };
    LinkHost host([&](LinkHost& h) {
        for (const Row& row : rows) {
            testkit::SetContext(row.label);
            HWND link = h.links[row.index];
            LOGFONTW lf{};
            GetObjectW(h.links[row.index].GetFont(), sizeof(lf), &lf);
            lf.lfUnderline = TRUE;
            CFont underlined;
            underlined.CreateFontIndirect(&lf);
            CSize text;
            {
                CClientDC dc(link);
                CSelectGuard font(dc, underlined);
                text = dc.GetTextExtent(h.links[row.index].GetWindowText());
            }
            const CRect before = ExpectedPixels(h, row.units), after = ParentRect(link);
            CRect client;
            GetClientRect(link, &client);
            // The border stays; the client area takes the text's size, but a
            // centred link moves both edges by the same whole pixels.
            const int extra = client.Width() - text.cx;  // a centred link's odd pixel
            CHECK(extra == 0 || (row.index == 2 && extra == 1));
            CHECK_EQ(client.Height(), text.cy);
            CHECK_EQ(after.top, before.top);
            if (row.index == 1)
                CHECK_EQ(after.right, before.right);
            else if (row.index == 2)
                CHECK_EQ(after.left - before.left, before.right - after.right);
            else
                CHECK_EQ(after.left, before.left);
        }
        CHECK_EQ(h.links[3].GetWindowText(), CString(L"http://empty.example/"));
    });
    host.links[3].SetTargetUrl(L"http://empty.example/");
    CHECK_EQ(host.DoModal(), static_cast<INT_PTR>(IDOK));
}

// Puts the cursor at `screen` and makes it the position of this thread's
// current message, which the link's leave check reads.
bool CursorAt(POINT screen) {
    constexpr UINT kMark = WM_APP + 7;
    POINT now{};
    if (!SetCursorPos(screen.x, screen.y) || !GetCursorPos(&now)) return false;
    PostThreadMessageW(GetCurrentThreadId(), kMark, 0, 0);
    MSG msg;
    PeekMessageW(&msg, nullptr, kMark, kMark, PM_REMOVE);
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

// Every kind of object the framework's owners hold, to compare before and after.
std::vector<long> Census() {
    std::vector<long> counts;
    for (int kind = 0; kind < static_cast<int>(LiveKind::Kinds); ++kind)
        counts.push_back(LiveObjects(static_cast<LiveKind>(kind)));
    return counts;
}

TEST_CASE(hovering_underlines_in_red_and_leaving_restores_the_plain_link) {
    LinkHost host([&](LinkHost& h) {
        CLinkStatic& link = h.links[0];
        CRect r;
        link.GetWindowRect(&r);
        const POINT outside{r.right + 40, r.bottom + 40};
        REQUIRE(CursorAt(outside));
        CHECK(PixelsOf(link, RGB(0, 0, 238)) > 0);
        const std::vector<long> before = Census();
        // The leave check's timer message is sent at once rather than waited for.
        for (int cycle = 0; cycle < 100; ++cycle) {
            link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            if (cycle == 0) {
                CHECK(link.IsOver() && Underlined(link));
                CHECK(PixelsOf(link, RGB(255, 0, 0)) > 0);
                CHECK_EQ(PixelsOf(link, RGB(0, 0, 238)), 0);
            }
            link.SendMessage(WM_TIMER, 100);
        }
        CHECK(Census() == before);
        CHECK(!link.IsOver() && !Underlined(link));
        CHECK(PixelsOf(link, RGB(0, 0, 238)) > 0);
        CHECK_EQ(PixelsOf(link, RGB(255, 0, 0)), 0);
        // Still inside: the check changes nothing.
        REQUIRE(CursorAt(r.CenterPoint()));
        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        link.SendMessage(WM_TIMER, 100);
        CHECK(link.IsOver() && Underlined(link));
        // Outside again, the link's own timer notices.
        REQUIRE(CursorAt(outside));
        CHECK(testkit::PumpUntil([&] { return !link.IsOver(); }, 2000));
        CHECK(!Underlined(link));
        // Over the link, the pointer is a hand.
        CHECK(link.HandCursor() != nullptr);
        CHECK_EQ(link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    });
    CHECK_EQ(host.DoModal(), static_cast<INT_PTR>(IDOK));
}

// A stand-in shell: answers what the row says and records what it was asked.
struct FakeLaunch {
    static inline INT_PTR shellAnswer = 42;
    static inline UINT execAnswer = 33;
    static inline std::wstring shellFile;
    static inline std::string execLine;
    static inline int beeps = 0;
    static HINSTANCE WINAPI Shell(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
        shellFile = file;
        return reinterpret_cast<HINSTANCE>(shellAnswer);
    }
    static UINT WINAPI Exec(LPCSTR line, UINT) {
        execLine = line;
        return execAnswer;
    }
    static BOOL WINAPI Beep(UINT) { return ++beeps, TRUE; }
};

TEST_CASE(a_click_turns_the_link_visited_or_back_with_a_beep) {
    struct Row {
        const char* label;
        const wchar_t* target;
        INT_PTR shellAnswer;
        UINT execAnswer;  // the fallback through the ".htm" open command
        bool visited;
        int beeps;
    };
    const Row rows[] = {
        {"an empty target opens nothing and counts", L"", 2, 2, true, 0},
        {"the shell opens it", L"http://a.example/", 42, 2, true, 0},
        {"failing after a success: back to the link colour", L"http://b.example/", 2, 2, false, 1},
        {"the fallback opens it", L"http://c.example/", 2, 33, true, 0},
    };
    // The fallback reads the ".htm" registration; Wine's prefix has none of its own.
    struct HtmRegistration {
        bool made = false;
        HtmRegistration() {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L".htm", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS)
                RegCloseKey(key);
            else
                made = RegSetValueW(HKEY_CLASSES_ROOT, L".htm", REG_SZ, L"htmlfile", 8) == ERROR_SUCCESS;
        }
        ~HtmRegistration() {
            if (made) RegDeleteKeyW(HKEY_CLASSES_ROOT, L".htm");
        }
    } registration;
    LinkHost host([&](LinkHost& h) {
        CLinkStatic& link = h.links[0];
        link.SetLaunch({&FakeLaunch::Shell, &FakeLaunch::Exec, &FakeLaunch::Beep});
        for (const Row& row : rows) {
            testkit::SetContext(row.label);
            link.SetTargetUrl(row.target);
            FakeLaunch::shellAnswer = row.shellAnswer;
            FakeLaunch::execAnswer = row.execAnswer;
            FakeLaunch::beeps = 0;
            SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            CHECK_EQ(link.IsVisited() != FALSE, row.visited);
            CHECK_EQ(link.TextColour(), row.visited ? RGB(85, 26, 139) : RGB(0, 0, 238));
            CHECK_EQ(FakeLaunch::beeps, row.beeps);
            if (*row.target) CHECK_EQ(CString(FakeLaunch::shellFile.c_str()), CString(row.target));
            if (row.execAnswer > 32) CHECK(FakeLaunch::execLine.find(" http://c.example/") != std::string::npos);
        }
    });
    CHECK_EQ(host.DoModal(), static_cast<INT_PTR>(IDOK));
}

TEST_CASE(the_fallback_cuts_the_open_command_at_its_placeholder_and_never_overflows) {
    const CString target = L"http://a.example/";
    const CString longest(L'x', LINK_COMMAND_CHARS - 1 - 6);  // "b.exe " and it fill the buffer
    struct Row {
        const char* label;
        const wchar_t* command;
        CString target;
        CString expected;
    };
    const Row rows[] = {
        {"quoted placeholder", L"\"C:\\b.exe\" -nohome \"%1\"", target, L"\"C:\\b.exe\" -nohome  " + target},
        {"bare placeholder", L"C:\\b.exe %1 -x", target, L"C:\\b.exe  " + target},
        {"quoted before bare", L"b.exe %1 \"%1\"", target, L"b.exe %1  " + target},
        {"no placeholder", L"b.exe -url", target, L"b.exe -url " + target},
        {"exactly fills the buffer", L"b.exe", longest, L"b.exe " + longest},
        {"one too long: given up", L"b.exe", longest + L"x", L""},
    };
    for (const Row& row : rows) {
        testkit::SetContext(row.label);
        CHECK_EQ(LinkFallbackCommand(row.command, row.target), row.expected);
    }
    // The older hand cursor comes from the Windows folder by full path only.
    CHECK_EQ(HandCursorModulePath(L"C:\\windows"), CString(L"C:\\windows\\winhlp32.exe"));
    CHECK_EQ(HandCursorModulePath(L"C:\\"), CString(L"C:\\winhlp32.exe"));
    CHECK_EQ(HandCursorModulePath(L""), CString());
}

// The about box, ended as soon as it has opened, after `body` looked at it.
class AboutOpened : public CAboutDlg {
public:
    std::function<void(AboutOpened&)> body;
    CLinkStatic& Home() { return m_linkHome; }
    CLinkStatic& Feedback() { return m_linkFeedback; }

protected:
    BOOL OnInitDialog() override {
        CAboutDlg::OnInitDialog();
        if (body) body(*this);
        EndDialog(IDOK);
        return TRUE;
    }
};

TEST_CASE(the_about_box_links_home_and_to_a_feedback_mail_and_leaks_nothing_over_100_openings) {
    AboutOpened first;
    first.body = [](AboutOpened& about) {
        CHECK_EQ(about.GetWindowText(), CString(L"使用说明"));
        // Each label shows what its link opens.
        CHECK_EQ(about.Home().GetWindowText(), CString(L"官方主页：" MAKER_HOME_HOST));
        CHECK(about.Home().GetTargetUrl().Find(L"://" MAKER_HOME_HOST) > 0);
        CHECK_EQ(about.Feedback().GetWindowText(), CString(L"意见反馈：" MAKER_FEEDBACK_ADDRESS));
        CHECK_EQ(about.Feedback().GetTargetUrl(), CString(L"mailto:" MAKER_FEEDBACK_ADDRESS L"?subject=关于[Tessaly]"));
    };
    CHECK_EQ(first.DoModal(), static_cast<INT_PTR>(IDOK));
    const std::vector<long> before = Census();
    for (int i = 0; i < 100; ++i) {
        AboutOpened again;
        again.DoModal();
    }
    CHECK(Census() == before);
}

// The parent learns of a click through the registered message in its table.
class NotifiedHost : public LinkHost {
public:
    using LinkHost::LinkHost;
    WPARAM clicked = 0;

protected:
    static const MessageMap* ClassMessageMap() {
        static const MsgMapEntry entries[] = {
            OnRegisteredMessage<&WM_LINKSTATIC_CLICKED, &NotifiedHost::OnLinkClicked>(),
        };
        static const MessageMap map = MakeMessageMap(CDialog::ClassMessageMap(), entries);
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }
    LRESULT OnLinkClicked(WPARAM id, LPARAM) { return clicked = id, 0; }
};

TEST_CASE(a_link_that_notifies_sends_its_id_to_the_parent_s_table) {
    NotifiedHost host([](LinkHost& h) {
        h.links[1].SetNotifyParent(TRUE);
        h.links[1].SetTargetUrl(L"");  // opens nothing
        h.links[1].SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    });
    host.DoModal();
    CHECK_EQ(host.clicked, static_cast<WPARAM>(501));
}

}  // namespace
