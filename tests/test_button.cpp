// The image button in a host dialog: its pixels in each state (painted
// off-screen through WM_PRINTCLIENT), the messages it answers, hover, images,
// tooltip, address and leaks.
#include "ButtonVela.h"
#include "Framework.h"
#include "LiveCounts.h"
#include "harness.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

enum : WORD { ID_FLAT = 100, ID_DEFAULT, ID_NEXT, ID_BOX, ID_BARE };
const COLORREF kRed = RGB(255, 0, 0), kMagenta = RGB(255, 0, 255);

class Host : public CWnd {  // counts the clicks it receives as its own commands
public:
    int flatClicks = 0, boxClicks = 0;
    static const MessageMap* ClassMessageMap() {
        static const MsgMapEntry entries[] = {OnCommand<ID_FLAT, BN_CLICKED, &Host::OnFlat>(),
                                              OnCommand<ID_BOX, BN_CLICKED, &Host::OnBox>()};
        static const MessageMap map = MakeMessageMap(CWnd::ClassMessageMap(), entries);
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }
    void OnFlat() { ++flatClicks; }
    void OnBox() { ++boxClicks; }
};

// 16 x 16 pixels of 0x00RRGGBB, as a bitmap or as an opaque icon.
HBITMAP MakeBitmap(DWORD (*at)(int x, int y)) {
    DWORD bits[256];
    for (int i = 0; i < 256; ++i) bits[i] = at(i % 16, i / 16);
    CBitmap made;
    made.CreateBitmap(16, 16, 1, 32, bits);
    return static_cast<HBITMAP>(made.Detach());
}
HICON MakeIcon(DWORD (*at)(int x, int y)) {
    const WORD opaque[16] = {};
    CBitmap colour, mask;
    colour.Attach(MakeBitmap(at));
    mask.CreateBitmap(16, 16, 1, 1, opaque);
    ICONINFO info{TRUE, 0, 0, mask, colour};
    return CreateIconIndirect(&info);
}
HICON RedIcon() { return MakeIcon([](int, int) -> DWORD { return 0xFF0000; }); }
// Quarters red, green / blue, black.
HICON Quarters() {
    return MakeIcon([](int x, int y) -> DWORD { return y < 8 ? (x < 8 ? 0xFF0000 : 0xFF00) : x < 8 ? 0xFF : 0; });
}
// The left half magenta, the transparent colour; the right half red.
HBITMAP HalfBitmap() { return MakeBitmap([](int x, int) -> DWORD { return x < 8 ? 0xFF00FF : 0xFF0000; }); }

// What a button paints now, magenta where it painted nothing.
std::unique_ptr<CDibSurface> Paint(HWND window) {
    CRect r;
    GetClientRect(window, &r);
    auto surface = std::make_unique<CDibSurface>(r.right, r.bottom);
    surface->FillSolidRect(&r, kMagenta);
    CWindow(window).PrintClient(surface->GetSafeHdc());
    return surface;
}

// The host with five buttons of 100 x 40 pixels in tab order, in the main
// dialog's font; the flat one dressed as the main dialog dresses its buttons.
// The font is drawn crisp so that a caption's colours stay exact: the CJK face
// the test prefix substitutes for it is otherwise drawn antialiased.
struct Bench {
    Host host;
    CButtonVela flat, def, box, bare;
    HWND next = nullptr;
    CFont crisp;
    Bench() {
        HWND h = testkit::MakeDialog(WS_POPUP | WS_CAPTION, 200, 130);
        if (!h || !host.SubclassWindow(h)) return;
        const struct { WORD id; DWORD style; const wchar_t* caption; int x, y; } controls[] = {
            {ID_FLAT, BS_PUSHBUTTON, L"开始旋转", 10, 10}, {ID_DEFAULT, BS_DEFPUSHBUTTON, L"确定", 10, 60},
            {ID_NEXT, BS_PUSHBUTTON, L"next", 10, 110},    {ID_BOX, BS_AUTOCHECKBOX, L"box", 130, 10},
            {ID_BARE, BS_PUSHBUTTON, L"", 130, 60}};
        crisp.Attach(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, L"宋体"));
        for (const auto& c : controls) {
            HWND w = CreateWindowExW(0, L"BUTTON", c.caption, c.style | WS_CHILD | WS_VISIBLE | WS_TABSTOP, c.x, c.y,
                                     100, 40, h, reinterpret_cast<HMENU>(INT_PTR{c.id}), nullptr, nullptr);
            ::SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(crisp.GetSafeHandle()), FALSE);
        }
        flat.SubclassDlgItem(ID_FLAT, &host), def.SubclassDlgItem(ID_DEFAULT, &host);
        box.SubclassDlgItem(ID_BOX, &host), bare.SubclassDlgItem(ID_BARE, &host);
        next = GetDlgItem(h, ID_NEXT);
        SetWindowPos(h, HWND_TOPMOST, 200, 200, 360, 260, SWP_SHOWWINDOW);
        SetForegroundWindow(h);
        SetCursorPos(5, 5);  // the real pointer stays away unless a case moves it
        flat.AssignIcons(RedIcon()), box.AssignIcons(RedIcon()), bare.AssignIcons(RedIcon());
        flat.ShowFocusWhenFlat(TRUE);
        ::SetFocus(next);  // the cases choose who holds the focus
    }
    ~Bench() {
        if (host.m_hWnd) ::DestroyWindow(host.m_hWnd);
    }
    bool Ready() const { return host.m_hWnd && flat.m_hWnd && def.m_hWnd && box.m_hWnd && bare.m_hWnd; }
    // A move over the button as the platform sends it.
    static void MoveOver(CWnd& button, UINT keys = 0) { button.SendMessage(WM_MOUSEMOVE, keys, MAKELPARAM(50, 20)); }
};

COLORREF Sys(int index) { return GetSysColor(index); }

TEST_CASE(pixels_of_each_state) {
    const COLORREF face = Sys(COLOR_BTNFACE), hi = Sys(COLOR_BTNHIGHLIGHT), sh = Sys(COLOR_BTNSHADOW);
    const COLORREF blue = RGB(0, 0, 255);
    struct Row {
        const char* label;
        CButtonVela Bench::*button;
        std::function<void(Bench&)> setup;
        std::vector<std::pair<POINT, COLORREF>> expected;
    } rows[] = {
        // The icon 3 from the left and centred down: 3..18 x 12..27.
        {"flat idle", &Bench::flat, [](Bench&) {},
         {{{3, 12}, kRed}, {{18, 27}, kRed}, {{2, 12}, face}, {{3, 11}, face}, {{3, 28}, face}, {{0, 0}, face}}},
        {"flat hovered: raised frame", &Bench::flat, [](Bench& b) { Bench::MoveOver(b.flat); },
         {{{0, 0}, hi}, {{98, 0}, hi}, {{0, 38}, hi}, {{99, 0}, sh}, {{0, 39}, sh}, {{99, 39}, sh}}},
        {"flat pressed: sunken, shifted by one", &Bench::flat, [](Bench& b) { b.flat.SendMessage(BM_SETSTATE, 1); },
         {{{0, 0}, sh}, {{99, 39}, hi}, {{3, 12}, face}, {{4, 13}, kRed}, {{19, 28}, kRed}}},
        {"disabled: the platform's embossed icon", &Bench::flat, [](Bench& b) { b.flat.EnableWindow(FALSE); },
         {{{3, 12}, sh}, {{18, 27}, sh}, {{19, 28}, hi}, {{19, 13}, hi}, {{4, 28}, hi}, {{2, 11}, face}}},
        // Grey by luminance, truncated, black kept; the colours while hovered.
        {"auto-grey idle", &Bench::flat, [](Bench& b) { b.flat.AssignIcons(Quarters(), ICON_AUTO_GREY); },
         {{{3, 12}, RGB(76, 76, 76)}, {{18, 12}, RGB(149, 149, 149)}, {{3, 27}, RGB(29, 29, 29)}, {{18, 27}, 0}}},
        {"auto-grey hovered", &Bench::flat,
         [](Bench& b) { b.flat.AssignIcons(Quarters(), ICON_AUTO_GREY), Bench::MoveOver(b.flat); },
         {{{4, 13}, kRed}, {{12, 13}, RGB(0, 255, 0)}, {{4, 21}, blue}}},
        {"empty caption centres the image", &Bench::bare, [](Bench&) {},
         {{{42, 12}, kRed}, {{57, 27}, kRed}, {{41, 12}, face}, {{58, 27}, face}, {{42, 11}, face}}},
        {"raised default: black frame, edge one further in", &Bench::def, [](Bench& b) { b.def.SetFlat(FALSE); },
         {{{0, 0}, 0}, {{99, 39}, 0}, {{1, 1}, hi}, {{1, 37}, hi}, {{2, 2}, Sys(COLOR_3DLIGHT)},
          {{98, 38}, Sys(COLOR_3DDKSHADOW)}, {{97, 37}, sh}, {{3, 3}, face}}},
        {"the parent's pixels as the face", &Bench::bare,
         [](Bench& b) {  // painted where the button lies
             CClientDC(b.host.m_hWnd).FillSolidRect(130, 60, 100, 40, RGB(0, 0, 255));
             b.bare.SetCopyParentBack(TRUE);
         },
         {{{0, 0}, blue}, {{99, 39}, blue}, {{41, 12}, blue}, {{42, 12}, kRed}}},
        {"checked check box: sunken, not shifted", &Bench::box, [](Bench& b) { b.box.SendMessage(BM_SETCHECK, 1); },
         {{{0, 0}, sh}, {{99, 39}, hi}, {{3, 12}, kRed}, {{18, 27}, kRed}, {{19, 28}, face}}},
        {"bitmap masked by its transparent colour", &Bench::bare,
         [](Bench& b) { b.bare.AssignBitmaps(HalfBitmap(), nullptr, kMagenta); },
         {{{45, 15}, face}, {{49, 27}, face}, {{50, 12}, kRed}, {{57, 27}, kRed}, {{58, 27}, face}}},
        {"bitmap disabled: embossed", &Bench::bare,
         [](Bench& b) { b.bare.AssignBitmaps(HalfBitmap(), nullptr, kMagenta), b.bare.EnableWindow(FALSE); },
         {{{45, 15}, face}, {{50, 12}, sh}, {{57, 27}, sh}, {{58, 13}, hi}, {{51, 28}, hi}}},
    };
    for (const Row& r : rows) {
        Bench b;
        REQUIRE(b.Ready());
        r.setup(b);
        const auto shot = Paint((b.*r.button).m_hWnd);
        for (const auto& [p, colour] : r.expected) {
            testkit::SetContext(std::string(r.label) + " at " + std::to_string(p.x) + "," + std::to_string(p.y));
            CHECK_EQ(shot->ColourAt(p.x, p.y), colour);
        }
    }
}

// How many pixels of a row (or column) from a to b differ from `face`.
int Ink(CDibSurface& s, bool row, int at, int a, int b, COLORREF face) {
    int n = 0;
    for (int i = a; i < b; ++i) n += (row ? s.ColourAt(i, at) : s.ColourAt(at, i)) != face;
    return n;
}

TEST_CASE(caption_centred_focus_rectangle_dotted_disabled_caption_twice) {
    const COLORREF face = Sys(COLOR_BTNFACE), hi = Sys(COLOR_BTNHIGHLIGHT), sh = Sys(COLOR_BTNSHADOW);
    Bench b;
    REQUIRE(b.Ready());
    auto shot = Paint(b.flat.m_hWnd);
    CRect ink(19, 0, 99, 39);  // the caption's ink, right of the icon
    while (ink.left < 99 && !Ink(*shot, false, ink.left, 0, 40, face)) ++ink.left;
    while (ink.right > 19 && !Ink(*shot, false, ink.right, 0, 40, face)) --ink.right;
    while (ink.top < 39 && !Ink(*shot, true, ink.top, 19, 100, face)) ++ink.top;
    while (ink.bottom > 0 && !Ink(*shot, true, ink.bottom, 19, 100, face)) --ink.bottom;
    CHECK(ink.Width() > 20 && std::abs((ink.left - 19) - (99 - ink.right)) <= 2);  // glyphs' side bearings
    CHECK(ink.Height() > 5 && std::abs(ink.top - (39 - ink.bottom)) <= 3);
    // Focus: dotted, 3 inside the edge; inside a default frame one further in.
    b.flat.SetFocus();
    shot = Paint(b.flat.m_hWnd);
    const int dots = Ink(*shot, true, 3, 20, 96, face);
    CHECK(dots > 25 && dots < 50 && Ink(*shot, true, 2, 20, 96, face) == 0 && Ink(*shot, false, 96, 4, 36, face) > 10);
    b.def.SetFlat(FALSE);
    b.def.SetFocus();
    shot = Paint(b.def.m_hWnd);
    CHECK(Ink(*shot, true, 4, 20, 40, face) > 5 && Ink(*shot, true, 3, 20, 40, face) == 0);
    b.flat.ShowFocusWhenFlat(FALSE);
    b.flat.SetFocus();
    CHECK_EQ(Ink(*Paint(b.flat.m_hWnd), true, 3, 20, 96, face), 0);
    // Disabled: highlight one right and down, the shadow on top of it.
    b.flat.EnableWindow(FALSE);
    shot = Paint(b.flat.m_hWnd);
    int light = 0, dark = 0, paired = 0;
    for (int y = 1; y < 40; ++y)
        for (int x = 20; x < 100; ++x) {
            dark += shot->ColourAt(x, y) == sh;
            if (shot->ColourAt(x, y) == hi) ++light, paired += shot->ColourAt(x - 1, y - 1) == sh;
        }
    CHECK(light > 10 && dark > 10 && paired == light);
}

TEST_CASE(clicks_check_state_default_style_and_the_address) {
    testkit::TempDir dir(L"button-url");  // a recorder of how it was started, as the address
    const CString exe = dir.Path() + L"\\recorder.exe", log = dir.Path() + L"\\runs.log";
    REQUIRE(CopyFileW(testkit::ModuleDir() + L"\\fake_jhead.exe", exe, FALSE));
    Bench b;
    REQUIRE(b.Ready());
    for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) b.flat.SendMessage(m, 1, 0x00140014);
    CHECK_EQ(b.host.flatClicks, 2);  // a double click is two clicks, each reaching the parent
    CHECK(GetFocus() == b.flat.m_hWnd);
    b.box.SendMessage(BM_CLICK);
    CHECK(b.box.SendMessage(BM_GETCHECK) == 1 && b.host.boxClicks == 1);
    for (auto [sent, read] : {std::pair{2, 1}, {3, 0}, {1, 1}, {0, 0}}) {
        testkit::SetContext("BM_SETCHECK " + std::to_string(sent));
        b.box.SendMessage(BM_SETCHECK, sent);
        CHECK_EQ(b.box.SendMessage(BM_GETCHECK), LRESULT{read});
    }
    testkit::SetContext("");
    b.flat.SendMessage(BM_SETCHECK, 1);
    CHECK_EQ(b.flat.SendMessage(BM_GETCHECK), 0);  // not a check box
    auto code = [](CWnd& w) { return w.SendMessage(WM_GETDLGCODE) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON); };
    CHECK(code(b.def) == DLGC_DEFPUSHBUTTON && code(b.flat) == DLGC_UNDEFPUSHBUTTON);
    b.def.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    CHECK(code(b.def) == DLGC_UNDEFPUSHBUTTON && !b.def.IsDefault());
    CHECK((b.def.GetStyle() & 0xF) == BS_OWNERDRAW && (b.box.GetStyle() & 0xF) == BS_OWNERDRAW);
    // With an address a click opens it, maximised, and still reaches the parent.
    b.flat.SetURL(exe);
    b.flat.SendMessage(BM_CLICK);
    std::string line;
    testkit::PumpUntil([&] {
        std::ifstream in(std::filesystem::path(log.GetString()));
        return std::getline(in, line) && line.find('\t') != std::string::npos;
    }, 15000);
    CHECK_EQ(line.substr(0, 2), std::string("3\t"));  // SW_SHOWMAXIMIZED
    CHECK_EQ(b.host.flatClicks, 3);
}

TEST_CASE(focus_on_disabling_hover_and_tip_text) {
    Bench b;
    REQUIRE(b.Ready());
    // Disabling the focused button passes the focus to the next tab stop;
    // focus on another control stays where the user put it.
    b.flat.SetFocus();
    b.flat.EnableWindow(FALSE);
    CHECK(GetFocus() == b.def.m_hWnd);
    b.flat.EnableWindow(TRUE);
    SetFocus(b.next);
    b.flat.EnableWindow(FALSE);
    CHECK(GetFocus() == b.next);
    b.flat.EnableWindow(TRUE);

    // The tooltip is made when the pointer first comes, with the last text.
    for (const wchar_t* text : {L"开始自动旋转", L"清空列表", static_cast<const wchar_t*>(nullptr)})
        b.flat.SetTipText(text);
    CHECK(!b.flat.Tip().m_hWnd);
    Bench::MoveOver(b.flat, MK_LBUTTON);  // a press begun elsewhere, dragged on: no hover
    CHECK(!b.flat.IsHovering() && b.flat.Tip().GetToolCount() == 1);
    CHECK_EQ(b.flat.Tip().GetText(&b.flat, 1), CString(L"清空列表"));
    const auto pointAt = [](HWND w) {
        CRect r;
        GetWindowRect(w, &r), SetCursorPos(r.CenterPoint().x, r.CenterPoint().y);
    };
    // Onto the button, then straight onto another control: the leave
    // notification. Under Wine a late motion event of the first warp can
    // come after the second, so that the other control takes the thread's
    // one mouse tracking while the pointer seems to be on the button, and the
    // leave is lost; a user would move again, and so does the test.
    bool left = false;
    for (int attempt = 0; attempt < 3 && !left; ++attempt) {
        pointAt(b.flat.m_hWnd);
        REQUIRE(testkit::PumpUntil([&] { return b.flat.IsHovering() != FALSE; }, 5000));
        pointAt(b.next);
        left = testkit::PumpUntil([&] { return !b.flat.IsHovering(); }, 2000);
    }
    CHECK(left);
    b.flat.SetTipText(L"删除指定的项目");  // the tooltip that exists takes it
    CHECK(b.flat.Tip().GetToolCount() == 1 && b.flat.Tip().GetText(&b.flat, 1) == CString(L"删除指定的项目"));
}

TEST_CASE(images_replaced_or_refused_are_destroyed_and_nothing_leaks) {
    Bench b;
    REQUIRE(b.Ready());
    HICON first = RedIcon(), bad = reinterpret_cast<HICON>(INT_PTR{0x7FFF1234}), idle = RedIcon(), once = RedIcon();
    ICONINFO info{};
    CHECK_EQ(b.flat.AssignIcons(first, ICON_AUTO_GREY), BUTTON_OK);
    HICON copy = b.flat.Icon(1);  // the grey copy goes with a second assignment too
    CHECK(b.flat.AssignIcons(RedIcon()) == BUTTON_OK && !b.flat.Icon(1));
    CHECK(!GetIconInfo(first, &info) && !GetIconInfo(copy, &info));
    CHECK(b.flat.AssignIcons(nullptr) == BUTTON_OK && !b.flat.Icon(0));
    // A bad icon: no image, and the idle one given with it goes too.
    CHECK(b.flat.AssignIcons(bad, idle) == BUTTON_BAD_IMAGE && !b.flat.Icon(0) && !GetIconInfo(idle, &info));
    // One handle in both slots is one icon.
    CHECK(b.flat.AssignIcons(once, once) == BUTTON_OK && b.flat.Icon(0) == once && !b.flat.Icon(1));

    b.flat.SetTipText(L"tip");
    Bench::MoveOver(b.flat);  // the tooltip is made at the first hover, before the census
    const std::vector<long> before = testkit::LiveCensus();
    for (int i = 0; i < 1000; ++i) {
        b.flat.AssignIcons(RedIcon(), i % 2 ? ICON_AUTO_GREY : nullptr);
        b.bare.AssignBitmaps(HalfBitmap(), i % 3 ? nullptr : HalfBitmap(), kMagenta);
        Paint(b.flat.m_hWnd), Paint(b.bare.m_hWnd);
    }
    b.flat.AssignIcons(RedIcon()), b.bare.AssignIcons(RedIcon());  // the images held at the start
    for (int i = 0; i < 100; ++i) {  // painted on the screen too
        Bench::MoveOver(b.flat), b.flat.UpdateWindow();
        b.flat.SendMessage(WM_MOUSELEAVE), b.flat.UpdateWindow();
    }
    CHECK_EQ(testkit::LiveCensus(), before);
}

}  // namespace
