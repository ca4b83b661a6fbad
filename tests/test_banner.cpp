// The side banner: its placement and colour rules without a window, docking
// to a dialog, and its painting read back through WM_PRINTCLIENT, compared
// pixel for pixel with what the expected layout draws.
#include <memory>
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

HICON AppIcon() { return CopyIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))); }

// A dialog with a button, an edit box and a static (ids 10 to 12); the edit
// box holds a child of its own (77).
struct Host {
    CWnd wnd;
    Host() {
        HWND dialog = testkit::MakeDialog(WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME, 200, 100);
        const wchar_t* classes[] = {L"BUTTON", L"EDIT", L"STATIC"};
        for (int i = 0; i < 3; ++i)
            CreateWindowExW(0, classes[i], L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 15 + i * 90, 16 + i * 32, 75, 48,
                            dialog, reinterpret_cast<HMENU>(INT_PTR{10 + i}), nullptr, nullptr);
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 3, 4, 20, 10, GetDlgItem(dialog, 11),
                        reinterpret_cast<HMENU>(77), nullptr, nullptr);
        wnd.SubclassWindow(dialog);
    }
    ~Host() { ::DestroyWindow(wnd.UnsubclassWindow()); }
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

// What a banner shows now, painted through WM_PRINTCLIENT.
std::unique_ptr<CDibSurface> Shoot(const CWnd& banner) {
    CRect r;
    banner.GetClientRect(&r);
    auto shot = std::make_unique<CDibSurface>(r.right, r.bottom);
    banner.PrintClient(shot->GetSafeHdc());
    return shot;
}

bool Near(COLORREF a, COLORREF b) {  // GradientFill may round a channel either way
    return abs(GetRValue(a) - GetRValue(b)) <= 2 && abs(GetGValue(a) - GetGValue(b)) <= 2 &&
           abs(GetBValue(a) - GetBValue(b)) <= 2;
}

}  // namespace

TEST_CASE(icon_placement_and_fallback_gradient_follow_the_edge) {
    const RECT across{0, 0, 400, 50}, side{0, 0, 50, 300};
    const UINT start = BANNER_ICON_START, end = BANNER_ICON_END, nearer = BANNER_ICON_NEAR, farther = BANNER_ICON_FAR;
    const struct { UINT position, placement; RECT rect; std::string at, textRect; } icons[] = {
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
    const struct { const char* label; UINT position; RECT rect; int bitsPerPixel; size_t bands;
                   std::string firstBand; COLORREF first, last; } gradients[] = {
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
        CHECK(bands.front().colour == row.first && bands.back().colour == row.last);
    }
    // Channels are truncated, not rounded: column 200 of 400 lies at 200/399.
    CHECK_EQ(FallbackGradientBands(BANNER_POS_TOP, across, kLight, kDark, 32)[200].colour, RGB(109, 207, 99));
}

// The main dialog's banner, 600 pixels wide, at 100, 150 and 200 %: its
// thickness and edge line, the icon (32 pixels scaled) centred down, the
// title and two caption lines in fonts of 11 and 9 points at that DPI.
TEST_CASE(one_layout_per_paint_at_96_144_and_192_dpi) {
    const struct { UINT dpi; int titleHeight; std::string edge, icon, title, lines; } rows[] = {
        {96, 15, "0,49,600,50", "5,9", "42,3", "46,28 46,42 "},
        {144, 22, "0,73,600,75", "8,13", "64,5", "70,42 70,63 "},
        {192, 29, "0,98,600,100", "10,18", "84,6", "92,55 92,83 "},
    };
    for (const auto& row : rows) {
        testkit::SetContext(std::to_string(row.dpi) + " DPI");
        const BannerMetrics metrics{50, {}, Scale{row.dpi}};
        const SIZE icon{metrics.scale(32), metrics.scale(32)};
        CHECK_EQ(-FontHeightAtDpi(static_cast<int>(row.dpi), 110), row.titleHeight);
        const BannerLayout l = LayOutBanner(BANNER_POS_TOP, {0, 0, 600, metrics.Thickness()}, metrics,
                                            BANNER_ICON_START | BANNER_ICON_CENTER, &icon, row.titleHeight,
                                            -FontHeightAtDpi(static_cast<int>(row.dpi), 90), 2);
        std::string lines;
        for (POINT p : l.lines) lines += Pt(p) + " ";
        CHECK_EQ(Rc(l.edge) + " " + Pt(l.icon) + " " + Pt(l.title) + " " + lines,
                 row.edge + " " + row.icon + " " + row.title + " " + row.lines);
    }
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
        CHECK(!banner.m_hWnd && Place(host.wnd) == Rc(frame) && Place(button) == before[0]);
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
    CHECK(!banner.AttachToHost(&host.wnd) && Place(host.wnd) == Rc(frame));
}

// Every setting is made before the banner's window exists; the first paint
// shows the background alone, the second adds icon, title and caption.
TEST_CASE(banners_paint_background_edge_icon_and_text_where_their_edge_puts_them) {
    CClientDC screen(nullptr);
    REQUIRE(screen.GetDeviceCaps(LOGPIXELSY) == 96);  // the expected places are those at 96 pixels per inch
    HICON icon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    const COLORREF red = RGB(255, 0, 0);
    const UINT gradient = BANNER_FILL_GRADIENT;
    const std::vector<std::pair<POINT, const wchar_t*>> text{{{42, 3}, L"Orlenza"}, {{46, 28}, L"Turns photos"}};
    // The background runs from the light green to `end`; of the lines, the title's comes first.
    const struct { const char* label; UINT position, fill; COLORREF end; bool ownGradient; const wchar_t* caption;
                   std::vector<std::pair<POINT, const wchar_t*>> lines; } rows[] = {
        {"top, as on the main dialog", BANNER_POS_TOP, gradient, kDark, false, L"Turns photos", text},
        {"top, own gradient, the third line below the banner", BANNER_POS_TOP, gradient, kDark, true, L"A\nB\nC",
         {{{42, 3}, L"Orlenza"}, {{46, 28}, L"A"}, {{46, 42}, L"B"}, {{46, 54}, L"C"}}},
        {"top, gradient of one colour", BANNER_POS_TOP, gradient, kLight, false, L"Turns photos", text},
        {"top, no fill: no edge line either", BANNER_POS_TOP, 0, kDark, false, L"Turns photos", text},
        {"left, reading upward", BANNER_POS_LEFT, gradient, kDark, false, L"Caption\nSecond",
         {{{5, 297}, L"Orlenza"}, {{24, 287}, L"Caption"}, {{36, 287}, L"Second"}}},
        {"right, reading downward", BANNER_POS_RIGHT, gradient, kDark, false, L"Caption\nSecond",
         {{{45, 3}, L"Orlenza"}, {{26, 13}, L"Caption"}, {{14, 13}, L"Second"}}},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        const bool across = row.position == BANNER_POS_TOP, left = row.position == BANNER_POS_LEFT;
        // The gradient's start and end, and the edge line facing the host; all black without a fill.
        const POINT from = across ? POINT{0, 20} : left ? POINT{20, 299} : POINT{20, 0};
        const POINT to = across ? POINT{399, 20} : left ? POINT{20, 0} : POINT{20, 299};
        const RECT edge = across ? RECT{0, 49, 400, 50} : left ? RECT{49, 0, 50, 300} : RECT{0, 0, 1, 300};
        Host host;
        BannerProbe banner;
        banner.m_nPosition = row.position;
        if (row.ownGradient) banner.m_pfnGradientFill = nullptr;
        banner.SetFillStyle(row.fill), banner.SetBackgroundColors(kLight, row.end), banner.SetEdgeColor(red);
        banner.SetTitle(L""), banner.SetCaption(L"");
        REQUIRE(banner.Create(WS_CHILD | WS_VISIBLE, across ? CRect(0, 0, 400, 50) : CRect(0, 0, 50, 300), &host.wnd,
                              1));
        const auto want = Shoot(banner);  // the background, then what should lie on it
        CHECK(Near(want->ColourAt(from.x, from.y), row.fill ? kLight : kBlack));
        CHECK(Near(want->ColourAt(to.x, to.y), row.fill ? row.end : kBlack));
        for (int y = edge.top; y < edge.bottom; ++y)
            for (int x = edge.left; x < edge.right; ++x) CHECK_EQ(want->ColourAt(x, y), row.fill ? red : kBlack);

        if (across) CHECK(banner.SetIcon(CopyIcon(icon)));
        banner.SetTitle(L"Orlenza"), banner.SetCaption(row.caption);
        const auto got = Shoot(banner);
        if (across) want->DrawIconEx(5, 9, icon, 0, 0, DI_NORMAL);
        // The expected text is drawn in the banner's own fonts: their turn by
        // the paint, their faces and sizes at 96 pixels per inch, are checked here.
        CHECK_EQ(banner.m_lfTitle.lfEscapement, across ? 0L : left ? 900L : -900L);
        CHECK(banner.m_lfTitle.lfHeight == -15 && banner.m_lfCaption.lfHeight == -12);
        CHECK_EQ(CString(banner.m_lfTitle.lfFaceName) + L"/" + banner.m_lfCaption.lfFaceName, L"Tahoma Bold/Tahoma");
        want->SetBkMode(TRANSPARENT);  // black
        for (size_t i = 0; i < row.lines.size(); ++i) {
            CFont font;
            font.CreateFontIndirect(i ? &banner.m_lfCaption : &banner.m_lfTitle);
            CSelectGuard selected(*want, font);
            want->TextOut(row.lines[i].first.x, row.lines[i].first.y, row.lines[i].second);
        }
        int differences = 0;  // the colour alone: the top byte is no pixel
        for (int i = 0; i < want->Width() * want->Height(); ++i)
            differences += ((got->Bits()[i] ^ want->Bits()[i]) & 0xFFFFFF) != 0;
        CHECK_EQ(differences, 0);
    }
}

TEST_CASE(set_icon_owns_the_icon_keeps_the_last_size_it_could_read_and_paints_leak_nothing) {
    Host host;
    BannerProbe banner;
    REQUIRE(banner.AttachToHost(&host.wnd));
    const BYTE noBits[32] = {};  // 16 x 16 at one bit per pixel: no colour bitmap
    HICON mono = CreateIcon(AfxGetInstanceHandle(), 16, 16, 1, 1, noBits, noBits), colour = AppIcon();
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

    banner.SetIcon(AppIcon());
    banner.SetCaption(L"two\nlines");
    const auto shot = Shoot(banner);
    const std::vector<long> before = testkit::LiveCensus();
    for (int i = 0; i < 1000; ++i) {
        if (i == 500) banner.m_pfnGradientFill = nullptr;  // the own gradient for the second half
        banner.SetFillStyle(i % 3 ? BANNER_FILL_GRADIENT : BANNER_FILL_SOLID);  // invalidates: a WM_PAINT
        banner.UpdateWindow();
        banner.PrintClient(shot->GetSafeHdc());
    }
    CHECK_EQ(testkit::LiveCensus(), before);
}

