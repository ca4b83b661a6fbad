// The image button in a host dialog built from an in-memory template: its
// pixels in each state (painted off-screen through WM_PRINTCLIENT), the
// messages it answers, hover, images, tooltip and leaks.
#include "ButtonVela.h"
#include "Framework.h"
#include "harness.h"

#include <functional>
#include <string>
#include <vector>

namespace {

enum : WORD { ID_FLAT = 100, ID_DEFAULT = 101, ID_NEXT = 102, ID_BOX = 103, ID_BARE = 104 };

// A dialog template assembled in memory: header, font, then the controls.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* title, WORD controls, short cx, short cy) {
        Dword(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        Dword(0);
        m_words.insert(m_words.end(), {controls, 0, 0, static_cast<WORD>(cx), static_cast<WORD>(cy), 0, 0});
        Text(title);
        m_words.push_back(9);
        Text(L"宋体");
    }
    void Button(WORD id, DWORD style, const wchar_t* text, short x, short y) {
        if (m_words.size() % 2) m_words.push_back(0);  // items start on whole DWORDs
        Dword(style | WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        Dword(0);
        m_words.insert(m_words.end(), {static_cast<WORD>(x), static_cast<WORD>(y), 60, 20, id, 0xFFFF, 0x0080});
        Text(text);
        m_words.push_back(0);  // no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void Dword(DWORD d) { m_words.insert(m_words.end(), {LOWORD(d), HIWORD(d)}); }
    void Text(const wchar_t* s) {
        while (*s) m_words.push_back(static_cast<WORD>(*s++));
        m_words.push_back(0);
    }
    std::vector<WORD> m_words;
};

// The parent: counts the clicks it receives as its own commands.
class Host : public CWnd {
public:
    int flatClicks = 0, boxClicks = 0;

protected:
    static const MessageMap* ClassMessageMap() {
        static const MsgMapEntry entries[] = {
            OnCommand<ID_FLAT, BN_CLICKED, &Host::OnFlat>(),
            OnCommand<ID_BOX, BN_CLICKED, &Host::OnBox>(),
        };
        static const MessageMap map = MakeMessageMap(CWnd::ClassMessageMap(), entries);
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }
    void OnFlat() { ++flatClicks; }
    void OnBox() { ++boxClicks; }
};

INT_PTR CALLBACK HostProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// 16 x 16, opaque, each pixel the colour `at` gives it.
HICON MakeIcon(const std::function<COLORREF(int, int)>& at) {
    DWORD bits[16 * 16];
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const COLORREF c = at(x, y);
            bits[y * 16 + x] = (DWORD{GetRValue(c)} << 16) | (DWORD{GetGValue(c)} << 8) | GetBValue(c);
        }
    const WORD maskBits[16] = {};
    CBitmap colour, mask;
    colour.CreateBitmap(16, 16, 1, 32, bits);
    mask.CreateBitmap(16, 16, 1, 1, maskBits);
    ICONINFO info{TRUE, 0, 0, mask, colour};
    return CreateIconIndirect(&info);
}
HICON RedIcon() { return MakeIcon([](int, int) { return RGB(255, 0, 0); }); }
// Quarters: red, green / blue, black.
HICON QuarterIcon() {
    return MakeIcon([](int x, int y) {
        if (y < 8) return x < 8 ? RGB(255, 0, 0) : RGB(0, 255, 0);
        return x < 8 ? RGB(0, 0, 255) : RGB(0, 0, 0);
    });
}

// What the button paints now, read from a 32-bpp DIB.
struct Shot {
    int width = 0, height = 0;
    std::vector<DWORD> bits;
    COLORREF At(int x, int y) const {
        const DWORD p = bits[static_cast<size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};
Shot Paint(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    Shot shot;
    shot.width = r.right;
    shot.height = r.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    CBitmap dib;
    dib.Attach(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(dib);
    dc.FillSolidRect(&r, RGB(255, 0, 255));  // shows where nothing was painted
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), PRF_CLIENT);
    GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    shot.bits.assign(p, p + r.right * r.bottom);
    return shot;
}

// The host dialog with its buttons, each 100 x 40 pixels; the flat one is
// dressed as the main dialog dresses its buttons.
struct Bench {
    Host host;
    CButtonVela flat, def, box, bare;
    HWND next = nullptr;

    Bench() {
        DialogTemplate t(L"button host", 5, 200, 130);
        t.Button(ID_FLAT, BS_PUSHBUTTON, L"开始旋转", 5, 5);
        t.Button(ID_DEFAULT, BS_DEFPUSHBUTTON, L"确定", 5, 35);
        t.Button(ID_NEXT, BS_PUSHBUTTON, L"next", 5, 65);
        t.Button(ID_BOX, BS_AUTOCHECKBOX, L"box", 100, 5);
        t.Button(ID_BARE, BS_PUSHBUTTON, L"", 100, 35);
        HWND h = CreateDialogIndirectParamW(AfxGetInstanceHandle(), t.Get(), nullptr, HostProc, 0);
        if (!h || !host.SubclassWindow(h)) return;
        flat.SubclassDlgItem(ID_FLAT, &host);
        def.SubclassDlgItem(ID_DEFAULT, &host);
        box.SubclassDlgItem(ID_BOX, &host);
        bare.SubclassDlgItem(ID_BARE, &host);
        next = GetDlgItem(h, ID_NEXT);
        SetWindowPos(h, HWND_TOPMOST, 200, 200, 360, 260, SWP_SHOWWINDOW);
        const int at[][3] = {{ID_FLAT, 10, 10}, {ID_DEFAULT, 10, 60}, {ID_NEXT, 10, 110}, {ID_BOX, 130, 10},
                             {ID_BARE, 130, 60}};
        for (const auto& a : at) ::MoveWindow(GetDlgItem(h, a[0]), a[1], a[2], 100, 40, TRUE);
        SetForegroundWindow(h);
        // The real pointer stays away unless a case moves it.
        SetCursorPos(5, 5);
        flat.AssignIcons(RedIcon());
        flat.ShowFocusWhenFlat(TRUE);
        box.AssignIcons(RedIcon());
        bare.AssignIcons(RedIcon());
        // The dialog gave the first button the focus; the cases choose.
        ::SetFocus(next);
    }
    ~Bench() {
        if (host.m_hWnd) ::DestroyWindow(host.m_hWnd);
    }
    bool Ready() const { return host.m_hWnd && flat.m_hWnd && def.m_hWnd && box.m_hWnd && bare.m_hWnd; }
    // A move over a button, as the platform would send it.
    static void MoveOver(CWnd& button, UINT keys = 0) {
        button.SendMessage(WM_MOUSEMOVE, keys, MAKELPARAM(50, 20));
    }
};

const COLORREF kRed = RGB(255, 0, 0);
COLORREF Sys(int index) { return GetSysColor(index); }

struct Pixel {
    int x, y;
    COLORREF colour;
};

TEST_CASE(pixels_of_each_state) {
    const COLORREF face = Sys(COLOR_BTNFACE), hi = Sys(COLOR_BTNHIGHLIGHT), sh = Sys(COLOR_BTNSHADOW);
    struct Row {
        const char* label;
        CButtonVela Bench::*button;
        std::function<void(Bench&)> setup;
        std::vector<Pixel> expected;
    } rows[] = {
        // Icon 3 from the left, centred down: 3..18 x 12..27; no frame.
        {"flat idle", &Bench::flat, [](Bench&) {},
         {{3, 12, kRed}, {18, 27, kRed}, {2, 12, face}, {3, 11, face}, {3, 28, face}, {0, 0, face}, {99, 39, face}}},
        {"flat hovered: raised frame", &Bench::flat, [](Bench& b) { Bench::MoveOver(b.flat); },
         {{0, 0, hi}, {98, 0, hi}, {0, 38, hi}, {99, 0, sh}, {0, 39, sh}, {99, 39, sh}, {3, 12, kRed}}},
        {"flat pressed: sunken, shifted by one", &Bench::flat, [](Bench& b) { b.flat.SendMessage(BM_SETSTATE, TRUE); },
         {{0, 0, sh}, {99, 39, hi}, {3, 12, face}, {4, 13, kRed}, {19, 28, kRed}}},
        {"disabled: embossed icon", &Bench::flat, [](Bench& b) { b.flat.EnableWindow(FALSE); },
         {{3, 12, sh}, {10, 20, sh}, {18, 27, sh}, {19, 28, hi}, {19, 13, hi}, {4, 28, hi}, {2, 11, face}}},
        {"empty caption centres the image", &Bench::bare, [](Bench&) {},
         {{42, 12, kRed}, {57, 27, kRed}, {41, 12, face}, {58, 27, face}, {42, 11, face}, {42, 28, face}}},
        {"raised default: black frame, edge one further in", &Bench::def,
         [](Bench& b) { b.def.SetFlat(FALSE); },
         {{0, 0, 0}, {99, 39, 0}, {50, 0, 0}, {1, 1, hi}, {1, 37, hi}, {2, 2, Sys(COLOR_3DLIGHT)},
          {98, 38, Sys(COLOR_3DDKSHADOW)}, {97, 37, sh}, {3, 3, face}}},
        {"checked check box: sunken, not shifted", &Bench::box,
         [](Bench& b) { b.box.SendMessage(BM_SETCHECK, BST_CHECKED); },
         {{0, 0, sh}, {99, 39, hi}, {3, 12, kRed}, {18, 27, kRed}, {19, 28, face}}},
    };
    for (const Row& r : rows) {
        testkit::SetContext(r.label);
        Bench b;
        REQUIRE(b.Ready());
        r.setup(b);
        const Shot shot = Paint((b.*r.button).m_hWnd);
        for (const Pixel& p : r.expected) {
            testkit::SetContext(std::string(r.label) + " at " + std::to_string(p.x) + "," + std::to_string(p.y));
            CHECK_EQ(shot.At(p.x, p.y), p.colour);
        }
    }
}

// The pixels of a row (or a column) that differ from `face`, between a and b.
int InkOnLine(const Shot& s, bool row, int at, int a, int b, COLORREF face) {
    int n = 0;
    for (int i = a; i < b; ++i) n += (row ? s.At(i, at) : s.At(at, i)) != face;
    return n;
}

TEST_CASE(caption_centred_beside_the_icon_and_embossed_when_disabled) {
    const COLORREF face = Sys(COLOR_BTNFACE), hi = Sys(COLOR_BTNHIGHLIGHT), sh = Sys(COLOR_BTNSHADOW);
    Bench b;
    REQUIRE(b.Ready());
    // Enabled: the caption's ink sits centred in 19..99 across and 0..39 down.
    Shot shot = Paint(b.flat.m_hWnd);
    int left = 100, right = -1, top = 40, bottom = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 19; x < 100; ++x)
            if (shot.At(x, y) != face) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    REQUIRE(right > left);
    CHECK(std::abs((left - 19) - (99 - right)) <= 2);
    CHECK(std::abs(top - (39 - bottom)) <= 3);
    CHECK_EQ(shot.At(left + (right - left) / 2, 0), face);

    // Disabled: highlight one pixel right and down, shadow on top; every
    // highlight pixel has the shadow's pixel above-left of it.
    b.flat.EnableWindow(FALSE);
    shot = Paint(b.flat.m_hWnd);
    int light = 0, dark = 0, paired = 0;
    for (int y = 1; y < 40; ++y)
        for (int x = 20; x < 100; ++x) {
            if (shot.At(x, y) == sh) ++dark;
            if (shot.At(x, y) != hi) continue;
            ++light;
            paired += shot.At(x - 1, y - 1) == sh;
        }
    CHECK(light > 10);
    CHECK(dark > 10);
    CHECK_EQ(paired, light);
}

TEST_CASE(focus_rectangle_three_inside_or_four_inside_a_default_frame) {
    const COLORREF face = Sys(COLOR_BTNFACE);
    Bench b;
    REQUIRE(b.Ready());
    b.flat.SetFocus();
    Shot shot = Paint(b.flat.m_hWnd);
    // Dotted: about every second pixel of the line, none on the line outside.
    const int dots = InkOnLine(shot, true, 3, 20, 96, face);
    CHECK(dots > 25 && dots < 50);
    CHECK_EQ(InkOnLine(shot, true, 2, 20, 96, face), 0);
    CHECK(InkOnLine(shot, false, 96, 4, 36, face) > 10);
    CHECK_EQ(InkOnLine(shot, false, 97, 4, 36, face), 0);

    b.def.SetFlat(FALSE);
    b.def.SetFocus();
    shot = Paint(b.def.m_hWnd);
    CHECK(InkOnLine(shot, true, 4, 20, 40, face) > 5);
    CHECK_EQ(InkOnLine(shot, true, 3, 20, 40, face), 0);

    // Without focus when flat, a focused flat button shows none.
    b.flat.ShowFocusWhenFlat(FALSE);
    b.flat.SetFocus();
    shot = Paint(b.flat.m_hWnd);
    CHECK_EQ(InkOnLine(shot, true, 3, 20, 96, face), 0);
}

TEST_CASE(grey_icon_while_idle_coloured_while_active) {
    Bench b;
    REQUIRE(b.Ready());
    HICON first = QuarterIcon();
    CHECK_EQ(b.flat.AssignIcons(first, ICON_AUTO_GREY), BUTTON_OK);
    REQUIRE(b.flat.Icon(1) != nullptr);
    // The grey copy itself: every pixel grey by luminance, black kept.
    ICONINFO info{};
    REQUIRE(GetIconInfo(b.flat.Icon(1), &info));
    CBitmap colour, mask;
    colour.Attach(info.hbmColor);
    mask.Attach(info.hbmMask);
    DWORD bits[16 * 16] = {};
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    CClientDC screen(nullptr);
    REQUIRE(GetDIBits(screen, colour, 0, 16, bits, &bi, DIB_RGB_COLORS) == 16);
    const DWORD quarter[2][2] = {{0x4C4C4C, 0x959595}, {0x1D1D1D, 0x000000}};
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) wrong += (bits[y * 16 + x] & 0xFFFFFF) != quarter[y / 8][x / 8];
    CHECK_EQ(wrong, 0);

    // Painted: grey at rest, coloured while hovered.
    Shot idle = Paint(b.flat.m_hWnd);
    CHECK_EQ(idle.At(4, 13), RGB(76, 76, 76));
    CHECK_EQ(idle.At(12, 13), RGB(149, 149, 149));
    CHECK_EQ(idle.At(4, 21), RGB(29, 29, 29));
    Bench::MoveOver(b.flat);
    Shot hot = Paint(b.flat.m_hWnd);
    CHECK_EQ(hot.At(4, 13), kRed);
    CHECK_EQ(hot.At(12, 13), RGB(0, 255, 0));

    // A second assignment destroys the first icons.
    HICON grey = b.flat.Icon(1);
    CHECK_EQ(b.flat.AssignIcons(RedIcon()), BUTTON_OK);
    ICONINFO gone{};
    CHECK(!GetIconInfo(first, &gone));
    CHECK(!GetIconInfo(grey, &gone));
    CHECK(b.flat.Icon(1) == nullptr);
}

TEST_CASE(assign_icons_without_or_with_a_bad_icon_leaves_no_image) {
    Bench b;
    REQUIRE(b.Ready());
    CHECK_EQ(b.flat.AssignIcons(nullptr), BUTTON_OK);
    CHECK(b.flat.Icon(0) == nullptr);
    CHECK_EQ(b.flat.AssignIcons(reinterpret_cast<HICON>(static_cast<INT_PTR>(0x7FFF1234))), BUTTON_BAD_IMAGE);
    CHECK(b.flat.Icon(0) == nullptr);
    // The good idle icon given with a bad active one is the button's too: destroyed.
    HICON idle = RedIcon();
    CHECK_EQ(b.flat.AssignIcons(reinterpret_cast<HICON>(static_cast<INT_PTR>(0x7FFF1234)), idle), BUTTON_BAD_IMAGE);
    ICONINFO gone{};
    CHECK(!GetIconInfo(idle, &gone));
    // The same handle twice is one icon, shown always.
    HICON once = RedIcon();
    CHECK_EQ(b.flat.AssignIcons(once, once), BUTTON_OK);
    CHECK(b.flat.Icon(0) == once);
    CHECK(b.flat.Icon(1) == nullptr);
    // With no image the caption is centred in the whole button.
    CHECK_EQ(b.flat.AssignIcons(nullptr), BUTTON_OK);
    const Shot shot = Paint(b.flat.m_hWnd);
    CHECK_EQ(shot.At(3, 12), Sys(COLOR_BTNFACE));
}

TEST_CASE(clicks_reach_the_parent_and_a_double_click_counts_twice) {
    Bench b;
    REQUIRE(b.Ready());
    const LPARAM at = MAKELPARAM(20, 20);
    for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) b.flat.SendMessage(m, MK_LBUTTON, at);
    CHECK_EQ(b.host.flatClicks, 2);
    CHECK(GetFocus() == b.flat.m_hWnd);

    // A check-box button toggles with each click; the parent sees each one.
    b.box.SendMessage(BM_CLICK);
    CHECK_EQ(b.box.SendMessage(BM_GETCHECK), 1);
    b.box.SendMessage(BM_CLICK);
    CHECK_EQ(b.box.SendMessage(BM_GETCHECK), 0);
    CHECK_EQ(b.host.boxClicks, 2);
}

TEST_CASE(check_state_messages) {
    Bench b;
    REQUIRE(b.Ready());
    CHECK(b.box.IsCheckBox());
    CHECK(!b.flat.IsCheckBox());
    struct Row {
        WPARAM sent;
        LRESULT read;
    } rows[] = {{BST_INDETERMINATE, 1}, {3, 0}, {BST_CHECKED, 1}, {BST_UNCHECKED, 0}};
    for (const Row& r : rows) {
        testkit::SetContext("BM_SETCHECK " + std::to_string(r.sent));
        b.box.SendMessage(BM_SETCHECK, r.sent);
        CHECK_EQ(b.box.SendMessage(BM_GETCHECK), r.read);
    }
    testkit::SetContext("push button");
    b.flat.SendMessage(BM_SETCHECK, BST_CHECKED);
    CHECK_EQ(b.flat.SendMessage(BM_GETCHECK), 0);
}

TEST_CASE(default_button_flag_follows_bm_setstyle_and_stays_owner_drawn) {
    Bench b;
    REQUIRE(b.Ready());
    const auto code = [](CWnd& w) { return w.SendMessage(WM_GETDLGCODE) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON); };
    CHECK(b.def.IsDefault());
    CHECK_EQ(code(b.def), LRESULT{DLGC_DEFPUSHBUTTON});
    CHECK_EQ(code(b.flat), LRESULT{DLGC_UNDEFPUSHBUTTON});
    for (CWnd* w : {static_cast<CWnd*>(&b.flat), static_cast<CWnd*>(&b.def), static_cast<CWnd*>(&b.box)})
        CHECK_EQ(w->GetStyle() & BS_TYPEMASK, DWORD{BS_OWNERDRAW});

    b.def.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    CHECK(!b.def.IsDefault());
    CHECK_EQ(code(b.def), LRESULT{DLGC_UNDEFPUSHBUTTON});
    CHECK_EQ(b.def.GetStyle() & BS_TYPEMASK, DWORD{BS_OWNERDRAW});
    b.flat.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    CHECK(b.flat.IsDefault());
    CHECK_EQ(b.flat.GetStyle() & BS_TYPEMASK, DWORD{BS_OWNERDRAW});
    // Another type leaves the flag alone.
    b.flat.SendMessage(BM_SETSTYLE, BS_CHECKBOX, TRUE);
    CHECK(b.flat.IsDefault());
}

TEST_CASE(disabling_the_focused_button_passes_the_focus_on) {
    Bench b;
    REQUIRE(b.Ready());
    b.flat.SetFocus();
    REQUIRE(GetFocus() == b.flat.m_hWnd);
    b.flat.EnableWindow(FALSE);
    CHECK(GetFocus() == b.def.m_hWnd);  // the next tab stop
    // Focus on another control stays where the user put it.
    b.flat.EnableWindow(TRUE);
    SetFocus(b.next);
    b.flat.EnableWindow(FALSE);
    CHECK(GetFocus() == b.next);
}

TEST_CASE(hover_lights_on_a_move_and_clears_on_leaving) {
    Bench b;
    REQUIRE(b.Ready());
    // A press begun elsewhere and dragged on does not light the button.
    Bench::MoveOver(b.flat, MK_LBUTTON);
    CHECK(!b.flat.IsHovering());
    // The real pointer: on the button, then straight onto the next control.
    RECT r;
    b.flat.GetWindowRect(&r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (!testkit::PumpUntil([&] { return b.flat.IsHovering() != FALSE; }, 5000)) {
        // The platform must move the pointer for this case to mean anything.
        POINT p;
        GetCursorPos(&p);
        testkit::ReportFailure(__FILE__, __LINE__,
                               "no hover after placing the pointer at " + std::to_string(p.x) + "," + std::to_string(p.y));
        return;
    }
    RECT n;
    GetWindowRect(b.next, &n);
    SetCursorPos((n.left + n.right) / 2, (n.top + n.bottom) / 2);
    CHECK(testkit::PumpUntil([&] { return !b.flat.IsHovering(); }, 5000));
    // A button that is not flat never hovers.
    b.def.SetFlat(FALSE);
    Bench::MoveOver(b.def);
    CHECK(!b.def.IsHovering());
}

TEST_CASE(tip_text_keeps_one_tool) {
    Bench b;
    REQUIRE(b.Ready());
    b.flat.SetTipText(L"开始自动旋转");
    b.flat.SetTipText(L"清空列表");
    CHECK_EQ(b.flat.Tip().GetToolCount(), 1);
    CHECK_EQ(b.flat.Tip().GetText(&b.flat, 1), CString(L"清空列表"));
    b.flat.SetTipText(nullptr);
    CHECK_EQ(b.flat.Tip().GetToolCount(), 1);
    CHECK_EQ(b.flat.Tip().GetText(&b.flat, 1), CString(L"清空列表"));
}

TEST_CASE(a_click_opens_the_address_maximised) {
    // A stand-in program as the address: it records how it was started.
    testkit::TempDir dir(L"button-url");
    const CString exe = dir.Path() + L"\\recorder.exe";
    REQUIRE(CopyFileW(testkit::ModuleDir() + L"\\fake_jhead.exe", exe, FALSE));
    const CString log = dir.Path() + L"\\runs.log";
    Bench b;
    REQUIRE(b.Ready());
    b.flat.SetURL(exe);
    b.flat.SendMessage(BM_CLICK);
    CHECK_EQ(b.host.flatClicks, 1);
    REQUIRE(testkit::PumpUntil([&] { return GetFileAttributesW(log) != INVALID_FILE_ATTRIBUTES; }, 15000));
    char line[64] = {};
    HANDLE f = INVALID_HANDLE_VALUE;
    testkit::PumpUntil([&] {
        f = CreateFileW(log, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return f != INVALID_HANDLE_VALUE;
    });
    DWORD read = 0;
    ReadFile(f, line, sizeof(line) - 1, &read, nullptr);
    CloseHandle(f);
    CHECK_EQ(std::string(line).substr(0, 2), std::string("3\t"));  // SW_SHOWMAXIMIZED
}

}  // namespace
