// The side banner: its placement and colour rules without a window, docking
// to a dialog built from an in-memory template, and its painting read back
// through WM_PRINTCLIENT, compared pixel for pixel with what the expected
// layout draws.
#include <array>
#include <string>
#include <vector>

#include "LiveCounts.h"
#include "TorSideBannerWnd.h"
#include "harness.h"
#include "resource.h"

namespace {

// Opens the banner's fixed settings to the tests.
class BannerProbe : public CTorSideBannerWnd {
public:
    using CTorSideBannerWnd::m_bmIcon, CTorSideBannerWnd::m_lfTitle, CTorSideBannerWnd::m_lfCaption;
    using CTorSideBannerWnd::m_nPosition, CTorSideBannerWnd::m_pfnGradientFill;
};

std::string Pt(POINT p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
std::string Rc(RECT r) { return Pt({r.left, r.top}) + "," + Pt({r.right, r.bottom}); }

constexpr COLORREF kLight = RGB(200, 255, 200), kDark = RGB(20, 160, 0), kBlack = RGB(0, 0, 0);

// A dialog from an in-memory template with a button, an edit box and a
// static; the edit box holds a child of its own, made at run time.
class Host {
public:
    Host() {
        std::vector<WORD> t;
        auto dword = [&](DWORD v) { t.push_back(LOWORD(v)), t.push_back(HIWORD(v)); };
        dword(WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME);
        t.insert(t.end(), {0, 0, 3, 20, 20, 200, 100, 0, 0, 0});  // no ex-style; items; place; menu, class, title
        for (WORD i : {0, 1, 2}) {
            if (t.size() % 2) t.push_back(0);  // each item starts on a DWORD
            dword(WS_CHILD | WS_VISIBLE | WS_BORDER);
            // No ex-style; place; id; class by atom (button, edit, static); no title, no creation data.
            t.insert(t.end(), {0, 0, WORD(10 + i * 60), WORD(10 + i * 20), 50, 30, WORD(10 + i), 0xFFFF,
                               WORD(0x80 + i), 0, 0});
        }
        HWND dialog = CreateDialogIndirectParamW(nullptr, reinterpret_cast<DLGTEMPLATE*>(t.data()), nullptr,
                                                 &HostProc, 0);
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 3, 4, 20, 10, GetDlgItem(dialog, 11),
                        reinterpret_cast<HMENU>(77), nullptr, nullptr);
        wnd.SubclassWindow(dialog);
    }
    ~Host() { ::DestroyWindow(wnd.UnsubclassWindow()); }
    CWnd wnd;

private:
    static INT_PTR CALLBACK HostProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
};

// A window's rectangle, moved up by `up`, in its parent's client coordinates
// (a top-level window's: on the screen).
std::string Place(HWND hwnd, int up = 0) {
    CRect r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    r.OffsetRect(0, -up);
    return Rc(r);
}

// What a banner shows, painted through WM_PRINTCLIENT, or what it should show.
class Shot : public CDibSurface {
public:
    using CDibSurface::CDibSurface;
    explicit Shot(const CWnd& banner, Shot* copyOf = nullptr) : CDibSurface(Size(banner).cx, Size(banner).cy) {
        if (copyOf) std::copy_n(copyOf->Bits(), Width() * Height(), Bits());
        else banner.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(GetSafeHdc()), PRF_CLIENT);
    }
    // Text as the banner is expected to draw it: transparent, black.
    void Text(const LOGFONTW& lf, POINT at, const wchar_t* text) {
        CFont font;
        font.CreateFontIndirect(&lf);
        CSelectGuard selected(*this, font);
        SetBkMode(TRANSPARENT);
        TextOut(at.x, at.y, text, static_cast<int>(wcslen(text)));
    }
    int Differences(Shot& want) {
        int count = 0;
        for (int y = 0; y < Height(); ++y)
            for (int x = 0; x < Width(); ++x) count += ColourAt(x, y) != want.ColourAt(x, y);
        return count;
    }
    static CSize Size(HWND hwnd) {
        CRect r;
        GetClientRect(hwnd, &r);
        return r.Size();
    }
};

bool Near(COLORREF a, COLORREF b) {  // GradientFill may round a channel either way
    return abs(GetRValue(a) - GetRValue(b)) <= 2 && abs(GetGValue(a) - GetGValue(b)) <= 2 &&
           abs(GetBValue(a) - GetBValue(b)) <= 2;
}

}  // namespace

TEST_CASE(icon_placement_and_fallback_gradient_follow_the_edge) {
    const RECT across{0, 0, 400, 50}, side{0, 0, 50, 300};
    const UINT start = BANNER_ICON_START, end = BANNER_ICON_END, nearer = BANNER_ICON_NEAR, farther = BANNER_ICON_FAR;
    const struct { UINT position, placement; RECT rect; std::string at, textRect; } icons[] = {
        {BANNER_POS_TOP, start | BANNER_ICON_CENTER, across, "5,9", "37,0,400,50"},
        {BANNER_POS_TOP, end | farther, across, "363,17", "0,0,363,50"},
        {BANNER_POS_BOTTOM, start | end | nearer | BANNER_ICON_CENTER, across, "5,1", "37,0,400,50"},
        {BANNER_POS_LEFT, start | BANNER_ICON_CENTER, side, "9,265", "0,0,50,265"},
        {BANNER_POS_LEFT, end | farther, side, "17,3", "0,3,50,300"},
        {BANNER_POS_RIGHT, start | nearer, side, "18,3", "0,35,50,300"},
        {BANNER_POS_RIGHT, end | farther, side, "1,265", "0,0,50,265"},
    };
    for (const auto& row : icons) {
        testkit::SetContext("icon " + row.at);
        RECT rect = row.rect;
        CHECK_EQ(Pt(PlaceBannerIcon(row.position, row.placement, {32, 32}, BannerOffsets{}, &rect)), row.at);
        CHECK_EQ(Rc(rect), row.textRect);
    }

    const struct {
        const char* label;
        UINT position;
        RECT rect;
        int bitsPerPixel;
        size_t bands;
        std::string firstBand;
        COLORREF first, last;
    } gradients[] = {
        {"top: columns", BANNER_POS_TOP, across, 32, 400, "0,0,1,50", kLight, kDark},
        {"left: rows, upward", BANNER_POS_LEFT, side, 32, 300, "0,0,50,1", kDark, kLight},
        {"right: rows, downward", BANNER_POS_RIGHT, side, 16, 300, "0,0,50,1", kLight, kDark},
        {"one pixel wide", BANNER_POS_TOP, {7, 0, 8, 50}, 32, 1, "7,0,8,50", kLight, kLight},
        {"8 bits: one band", BANNER_POS_TOP, across, 8, 1, "0,0,400,50", kDark, kDark},
    };
    for (const auto& row : gradients) {
        testkit::SetContext(row.label);
        const auto bands = FallbackGradientBands(row.position, row.rect, kLight, kDark, row.bitsPerPixel);
        REQUIRE(bands.size() == row.bands);
        CHECK_EQ(Rc(bands.front().rect), row.firstBand);
        CHECK_EQ(bands.front().colour, row.first);
        CHECK_EQ(bands.back().colour, row.last);
    }
    // Channels are truncated, not rounded: column 200 of 400 lies at 200/399.
    CHECK_EQ(FallbackGradientBands(BANNER_POS_TOP, across, kLight, kDark, 32)[200].colour, RGB(109, 207, 99));
}

TEST_CASE(docking_grows_the_host_and_moves_only_its_direct_children) {
    Host host;
    HWND inner = GetDlgItem(GetDlgItem(host.wnd, 11), 77), button = GetDlgItem(host.wnd, 10);
    CRect frame, client;
    host.wnd.GetWindowRect(&frame);
    host.wnd.GetClientRect(&client);
    const std::string before[] = {Place(button), Place(GetDlgItem(host.wnd, 11)), Place(GetDlgItem(host.wnd, 12))};
    const std::string innerBefore = Place(inner);

    CWnd windowless;
    for (const char* refused : {"null host", "host without a window", "banner window cannot be made"}) {
        testkit::SetContext(refused);
        BannerProbe banner;
        if (refused[0] == 'b') CHECK(UnregisterClassW(L"TorSideBanner", AfxGetInstanceHandle()));
        CHECK(!banner.AttachToHost(refused[0] == 'n' ? nullptr : refused[0] == 'h' ? &windowless : &host.wnd));
        CHECK(!banner.m_hWnd);
        CHECK_EQ(Place(host.wnd), Rc(frame));
        CHECK_EQ(Place(button), before[0]);
    }

    testkit::SetContext("");
    BannerProbe banner;  // registers the class again
    REQUIRE(banner.AttachToHost(&host.wnd));
    frame.bottom += 50;
    CHECK_EQ(Place(host.wnd), Rc(frame));
    for (int i = 0; i < 3; ++i) CHECK_EQ(Place(GetDlgItem(host.wnd, 10 + i), 50), before[i]);
    CHECK_EQ(Place(inner), innerBefore);
    CHECK_EQ(GetDlgItem(host.wnd, 0xFFF0), banner.m_hWnd);
    CHECK_EQ(Place(banner), Rc({0, 0, client.right, 50}));

    // Docking twice would open a second gap: refused, nothing moves.
    CHECK(!banner.AttachToHost(&host.wnd));
    CHECK_EQ(Place(host.wnd), Rc(frame));
}

// Every setting is made before the banner's window exists; the first paint
// shows the background alone, the second adds icon, title and caption.
TEST_CASE(banners_paint_background_edge_icon_and_text_where_their_edge_puts_them) {
    CClientDC screen(nullptr);
    REQUIRE(screen.GetDeviceCaps(LOGPIXELSY) == 96);  // the expected places are those at 96 pixels per inch
    HICON icon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    const COLORREF red = RGB(255, 0, 0);
    const UINT gradient = BANNER_FILL_GRADIENT;
    const RECT bottomLine{0, 49, 400, 50};
    const std::vector<std::pair<POINT, const wchar_t*>> text{{{42, 3}, L"Orlenza"}, {{46, 28}, L"Turns photos"}};
    const struct {
        const char* label;
        UINT position, fill;
        COLORREF end;  // the start colour is the light green
        bool ownGradient;
        const wchar_t* caption;
        std::vector<std::pair<POINT, const wchar_t*>> lines;  // the title's first
        POINT startPixel, endPixel;
        COLORREF startSeen, endSeen;
        RECT edge;  // where the edge line lies, or would lie
        COLORREF edgeSeen;
    } rows[] = {
        {"top, as on the main dialog", BANNER_POS_TOP, gradient, kDark, false, L"Turns photos", text, {0, 20},
         {399, 20}, kLight, kDark, bottomLine, red},
        {"top, own gradient, the third line below the banner", BANNER_POS_TOP, gradient, kDark, true, L"A\nB\nC",
         {{{42, 3}, L"Orlenza"}, {{46, 28}, L"A"}, {{46, 42}, L"B"}, {{46, 54}, L"C"}}, {0, 20}, {399, 20}, kLight,
         kDark, bottomLine, red},
        {"top, gradient of one colour", BANNER_POS_TOP, gradient, kLight, false, L"Turns photos", text, {0, 20},
         {399, 20}, kLight, kLight, bottomLine, red},
        {"top, no fill: no edge line either", BANNER_POS_TOP, 0, kDark, false, L"Turns photos", text, {0, 20},
         {399, 20}, kBlack, kBlack, bottomLine, kBlack},
        {"left, reading upward", BANNER_POS_LEFT, gradient, kDark, false, L"Caption\nSecond",
         {{{5, 297}, L"Orlenza"}, {{24, 287}, L"Caption"}, {{36, 287}, L"Second"}}, {20, 299}, {20, 0}, kLight,
         kDark, {49, 0, 50, 300}, red},
        {"right, reading downward", BANNER_POS_RIGHT, gradient, kDark, false, L"Caption\nSecond",
         {{{45, 3}, L"Orlenza"}, {{26, 13}, L"Caption"}, {{14, 13}, L"Second"}}, {20, 0}, {20, 299}, kLight,
         kDark, {0, 0, 1, 300}, red},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        const bool across = row.position == BANNER_POS_TOP;
        Host host;
        BannerProbe banner;
        banner.m_nPosition = row.position;
        if (row.ownGradient) banner.m_pfnGradientFill = nullptr;
        banner.SetFillStyle(row.fill);
        banner.SetBackgroundColors(kLight, row.end);
        banner.SetEdgeColor(red);
        banner.SetTitle(L"");
        banner.SetCaption(L"");
        REQUIRE(banner.Create(WS_CHILD | WS_VISIBLE, across ? CRect(0, 0, 400, 50) : CRect(0, 0, 50, 300), &host.wnd,
                              1));
        Shot background(banner);
        CHECK(Near(background.ColourAt(row.startPixel.x, row.startPixel.y), row.startSeen));
        CHECK(Near(background.ColourAt(row.endPixel.x, row.endPixel.y), row.endSeen));
        for (int y = row.edge.top; y < row.edge.bottom; ++y)
            for (int x = row.edge.left; x < row.edge.right; ++x) CHECK_EQ(background.ColourAt(x, y), row.edgeSeen);

        if (across) CHECK(banner.SetIcon(CopyIcon(icon)));
        banner.SetTitle(L"Orlenza");
        banner.SetCaption(row.caption);
        Shot got(banner), want(banner, &background);
        if (across) want.DrawIconEx(5, 9, icon, 0, 0, DI_NORMAL);
        // The fonts as described at 96 pixels per inch, turned by the paint.
        CHECK_EQ(banner.m_lfTitle.lfHeight, -15L);
        CHECK_EQ(banner.m_lfCaption.lfHeight, -12L);
        CHECK_EQ(CString(banner.m_lfTitle.lfFaceName) + L"/" + banner.m_lfCaption.lfFaceName, L"Tahoma Bold/Tahoma");
        CHECK_EQ(banner.m_lfTitle.lfEscapement, across ? 0L : row.position == BANNER_POS_LEFT ? 900L : -900L);
        for (size_t i = 0; i < row.lines.size(); ++i)
            want.Text(i ? banner.m_lfCaption : banner.m_lfTitle, row.lines[i].first, row.lines[i].second);
        CHECK_EQ(got.Differences(want), 0);
    }
}

TEST_CASE(set_icon_owns_the_icon_and_keeps_the_last_size_it_could_read) {
    Host host;
    BannerProbe banner;
    REQUIRE(banner.AttachToHost(&host.wnd));
    const BYTE noBits[32] = {};  // 16 x 16 at one bit per pixel: no colour bitmap
    HICON mono = CreateIcon(AfxGetInstanceHandle(), 16, 16, 1, 1, noBits, noBits);
    HICON colour = CopyIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    auto alive = [](HICON icon) {
        ICONINFO info{};
        const bool found = GetIconInfo(icon, &info);
        DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
        return found;
    };
    const struct { const char* label; HICON icon; BOOL result; bool repaint; } rows[] = {
        {"null", nullptr, TRUE, false},
        {"colour icon", colour, TRUE, true},
        {"the same icon again", colour, TRUE, true},
        {"monochrome icon", mono, FALSE, true},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        ValidateRect(banner, nullptr);
        CHECK_EQ(banner.SetIcon(row.icon), row.result);
        CHECK_EQ(GetUpdateRect(banner, nullptr, FALSE) != FALSE, row.repaint);
        CHECK_EQ(banner.m_bmIcon.bmWidth, row.icon ? 32L : 0L);
        CHECK(!row.icon || alive(row.icon));  // the icon it holds, set again, stays
    }
    testkit::SetContext("");
    CHECK(!alive(colour));  // released when it was replaced
}

TEST_CASE(a_thousand_paints_leave_nothing_behind) {
    Host host;
    BannerProbe banner;
    REQUIRE(banner.AttachToHost(&host.wnd));
    banner.SetIcon(CopyIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))));
    banner.SetCaption(L"two\nlines");
    Shot shot(banner);
    auto counts = [] { return std::array{LiveObjects(LiveKind::GdiObject), LiveObjects(LiveKind::DeviceContext),
                                         LiveObjects(LiveKind::Icon)}; };
    const auto before = counts();
    for (int i = 0; i < 1000; ++i) {
        if (i == 500) banner.m_pfnGradientFill = nullptr;  // the own gradient for the second half
        banner.SetFillStyle(i % 3 ? BANNER_FILL_GRADIENT : BANNER_FILL_SOLID);  // invalidates: a WM_PAINT
        banner.UpdateWindow();
        banner.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.GetSafeHdc()), PRF_CLIENT);
    }
    CHECK(counts() == before);
}
