// The side banner: its placement and colour rules without a window, docking
// to a dialog built from an in-memory template, and its painting read back
// from a 32-bit bitmap through WM_PRINTCLIENT, compared pixel for pixel with
// what the expected layout draws.
#include <string>
#include <vector>

#include "LiveCounts.h"
#include "TorSideBannerWnd.h"
#include "harness.h"
#include "resource.h"

using namespace std::string_literals;

namespace {

// Opens the banner's fixed settings to the tests.
class BannerProbe : public CTorSideBannerWnd {
public:
    using CTorSideBannerWnd::m_bmIcon;
    using CTorSideBannerWnd::m_lfCaption;
    using CTorSideBannerWnd::m_lfTitle;
    using CTorSideBannerWnd::m_nIconPlacement;
    using CTorSideBannerWnd::m_nPosition;
    using CTorSideBannerWnd::m_pfnGradientFill;
};

std::string Pt(POINT p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
std::string Rc(RECT r) { return Pt({r.left, r.top}) + "," + Pt({r.right, r.bottom}); }

}  // namespace

TEST_CASE(icon_placement_follows_the_edge_and_shrinks_the_text_area) {
    const RECT across{0, 0, 400, 50}, side{0, 0, 50, 300};
    const UINT start = BANNER_ICON_START, end = BANNER_ICON_END;
    const struct {
        const char* label;
        UINT position, placement;
        RECT rect;
        std::string at, textRect;
    } rows[] = {
        {"top, start, centre", BANNER_POS_TOP, start | BANNER_ICON_CENTER, across, "5,9", "37,0,400,50"},
        {"top, end, far", BANNER_POS_TOP, end | BANNER_ICON_FAR, across, "363,17", "0,0,363,50"},
        {"start over end, near over centre", BANNER_POS_BOTTOM, start | end | BANNER_ICON_NEAR | BANNER_ICON_CENTER,
         across, "5,1", "37,0,400,50"},
        {"left, start, centre", BANNER_POS_LEFT, start | BANNER_ICON_CENTER, side, "9,265", "0,0,50,265"},
        {"left, end, far", BANNER_POS_LEFT, end | BANNER_ICON_FAR, side, "17,3", "0,3,50,300"},
        {"right, start, near", BANNER_POS_RIGHT, start | BANNER_ICON_NEAR, side, "18,3", "0,35,50,300"},
        {"right, end, far", BANNER_POS_RIGHT, end | BANNER_ICON_FAR, side, "1,265", "0,0,50,265"},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        RECT rect = row.rect;
        CHECK_EQ(Pt(PlaceBannerIcon(row.position, row.placement, {32, 32}, BannerOffsets{}, &rect)), row.at);
        CHECK_EQ(Rc(rect), row.textRect);
    }
}

TEST_CASE(fallback_gradient_runs_from_the_start_colour_at_the_banner_start) {
    const COLORREF start = RGB(200, 255, 200), end = RGB(20, 160, 0);
    const struct {
        const char* label;
        UINT position;
        RECT rect;
        int bitsPerPixel;
        size_t bands;
        std::string firstBand;
        COLORREF first, last;
    } rows[] = {
        {"top: columns", BANNER_POS_TOP, {0, 0, 400, 50}, 32, 400, "0,0,1,50", start, end},
        {"left: rows, upward", BANNER_POS_LEFT, {0, 0, 50, 300}, 32, 300, "0,0,50,1", end, start},
        {"right: rows, downward", BANNER_POS_RIGHT, {0, 0, 50, 300}, 16, 300, "0,0,50,1", start, end},
        {"one pixel wide", BANNER_POS_TOP, {7, 0, 8, 50}, 32, 1, "7,0,8,50", start, start},
        {"8 bits: one band", BANNER_POS_TOP, {0, 0, 400, 50}, 8, 1, "0,0,400,50", end, end},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        const auto bands = FallbackGradientBands(row.position, row.rect, start, end, row.bitsPerPixel);
        REQUIRE(bands.size() == row.bands);
        CHECK_EQ(Rc(bands.front().rect), row.firstBand);
        CHECK_EQ(bands.front().colour, row.first);
        CHECK_EQ(bands.back().colour, row.last);
    }
    CHECK(FallbackGradientBands(BANNER_POS_TOP, {7, 0, 7, 50}, start, end, 32).empty());
    // Channels are truncated, not rounded: column 200 of 400 lies at 200/399.
    CHECK_EQ(FallbackGradientBands(BANNER_POS_TOP, {0, 0, 400, 50}, start, end, 32)[200].colour, RGB(109, 207, 99));
}

namespace {

// A dialog from an in-memory template with a button, an edit box and a
// static; the edit box holds a child of its own, made at run time.
class Host {
public:
    Host() {
        std::vector<WORD> t;
        auto dword = [&](DWORD v) { t.push_back(LOWORD(v)), t.push_back(HIWORD(v)); };
        dword(WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME);
        t.insert(t.end(), {0, 0, 3, 20, 20, 200, 100, 0, 0, 0});  // no ex-style; items; place; menu, class, title
        for (WORD id : {10, 11, 12}) {
            if (t.size() % 2) t.push_back(0);  // each item starts on a DWORD
            dword(WS_CHILD | WS_VISIBLE | WS_BORDER);
            const WORD atom = static_cast<WORD>(0x80 + id - 10);  // button, edit, static
            t.insert(t.end(), {0, 0, WORD(10 + (id - 10) * 60), WORD(10 + (id - 10) * 20), 50, 30, id, 0xFFFF, atom, 0, 0});
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

CRect WindowRect(HWND hwnd) {
    CRect r;
    GetWindowRect(hwnd, &r);
    return r;
}

// A window's rectangle in its parent's client coordinates.
CRect PlaceInParent(HWND hwnd) {
    CRect r = WindowRect(hwnd);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST_CASE(docking_grows_the_host_and_moves_only_its_direct_children) {
    Host host;
    HWND holder = GetDlgItem(host.wnd, 11), inner = GetDlgItem(holder, 77);
    REQUIRE(inner);
    const CRect frame = WindowRect(host.wnd), innerPlace = PlaceInParent(inner);
    CRect children[3], client;
    for (int i = 0; i < 3; ++i) children[i] = PlaceInParent(GetDlgItem(host.wnd, 10 + i));
    host.wnd.GetClientRect(&client);

    CWnd windowless;
    for (const char* refused : {"null host", "host without a window", "banner window cannot be made"}) {
        testkit::SetContext(refused);
        BannerProbe banner;
        if (refused[0] == 'b') CHECK(UnregisterClassW(L"TorSideBanner", AfxGetInstanceHandle()));
        CHECK(!banner.AttachToHost(refused[0] == 'n' ? nullptr : refused[0] == 'h' ? &windowless : &host.wnd));
        CHECK(!banner.m_hWnd);
        CHECK_EQ(Rc(WindowRect(host.wnd)), Rc(frame));
        CHECK_EQ(Rc(PlaceInParent(GetDlgItem(host.wnd, 10))), Rc(children[0]));
    }

    BannerProbe banner;  // registers the class again
    REQUIRE(banner.AttachToHost(&host.wnd));
    const CRect grown{frame.left, frame.top, frame.right, frame.bottom + 50};
    CHECK_EQ(Rc(WindowRect(host.wnd)), Rc(grown));
    for (int i = 0; i < 3; ++i) {
        testkit::SetContext("control " + std::to_string(10 + i));
        children[i].OffsetRect(0, 50);
        CHECK_EQ(Rc(PlaceInParent(GetDlgItem(host.wnd, 10 + i))), Rc(children[i]));
    }
    testkit::SetContext("");
    CHECK_EQ(Rc(PlaceInParent(inner)), Rc(innerPlace));
    CHECK_EQ(GetDlgItem(host.wnd, 0xFFF0), banner.m_hWnd);
    CHECK_EQ(Rc(PlaceInParent(banner)), Rc({0, 0, client.right, 50}));
    wchar_t className[64] = {};
    GetClassNameW(banner, className, 64);
    CHECK_EQ(CString(className), CString(L"TorSideBanner"));

    // Docking twice would open a second gap: refused, nothing moves.
    CHECK(!banner.AttachToHost(&host.wnd));
    CHECK_EQ(Rc(WindowRect(host.wnd)), Rc(grown));
}

namespace {

CSize ClientSize(HWND hwnd) {
    CRect r;
    GetClientRect(hwnd, &r);
    return r.Size();
}

// What a banner shows, painted through WM_PRINTCLIENT, or what it is
// expected to show.
class Shot : public CDibSurface {
public:
    using CDibSurface::CDibSurface;
    explicit Shot(const CWnd& banner) : CDibSurface(ClientSize(banner).cx, ClientSize(banner).cy) {
        banner.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(GetSafeHdc()), PRF_CLIENT);
    }
    void CopyFrom(Shot& other) { std::copy_n(other.Bits(), Width() * Height(), Bits()); }
    // Text as the banner is expected to draw it: transparent, black.
    void Text(const wchar_t* face, LONG height, LONG turn, POINT at, const wchar_t* text) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        lf.lfEscapement = lf.lfOrientation = turn;
        lf.lfCharSet = DEFAULT_CHARSET;
        wcscpy(lf.lfFaceName, face);
        CFont font;
        font.CreateFontIndirect(&lf);
        CSelectGuard selected(*this, font);
        SetBkMode(TRANSPARENT);
        SetTextColor(RGB(0, 0, 0));
        TextOut(at.x, at.y, text, static_cast<int>(wcslen(text)));
    }
};

// Empty when both show the same; else how many pixels differ, and the first.
std::string Differences(Shot& got, Shot& want) {
    int count = 0;
    std::string first;
    for (int y = 0; y < got.Height(); ++y)
        for (int x = 0; x < got.Width(); ++x)
            if (got.ColourAt(x, y) != want.ColourAt(x, y) && count++ == 0)
                first = Pt({x, y}) + ": " + std::to_string(got.ColourAt(x, y)) + " for " +
                        std::to_string(want.ColourAt(x, y));
    return count ? std::to_string(count) + " pixels differ, the first at " + first : "";
}

bool Near(COLORREF a, COLORREF b) {  // GradientFill may round a channel either way
    return abs(GetRValue(a) - GetRValue(b)) <= 2 && abs(GetGValue(a) - GetGValue(b)) <= 2 &&
           abs(GetBValue(a) - GetBValue(b)) <= 2;
}

constexpr COLORREF kLight = RGB(200, 255, 200), kDark = RGB(20, 160, 0);

}  // namespace

TEST_CASE(main_dialog_banner_paints_gradient_edge_icon_title_and_caption) {
    CClientDC screen(nullptr);
    REQUIRE(screen.GetDeviceCaps(LOGPIXELSY) == 96);  // the expected places are those at 96 pixels per inch
    Host host;
    BannerProbe banner;
    REQUIRE(banner.AttachToHost(&host.wnd));
    banner.SetBackgroundColors(kLight, kDark);
    banner.SetEdgeColor(RGB(0, 0, 0));
    banner.SetFillStyle(BANNER_FILL_GRADIENT);
    banner.SetTitle(L"");
    banner.SetCaption(L"");
    Shot background(banner);
    const int last = background.Width() - 1;
    CHECK(Near(background.ColourAt(0, 20), kLight));
    CHECK(Near(background.ColourAt(last, 20), kDark));
    for (int x = 0; x <= last; ++x) CHECK_EQ(background.ColourAt(x, 49), RGB(0, 0, 0));
    CHECK(background.ColourAt(0, 48) != RGB(0, 0, 0));

    HICON icon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    CHECK(banner.SetIcon(icon));
    CHECK_EQ(banner.m_bmIcon.bmWidth, 32L);
    CHECK_EQ(banner.m_lfTitle.lfHeight, -15L);
    CHECK_EQ(banner.m_lfTitle.lfWeight, 0L);  // the face alone asks for bold
    CHECK_EQ(banner.m_lfCaption.lfHeight, -12L);
    banner.SetTitle(L"Orlenza");
    // The third line of a three-line caption lies below the banner.
    const struct {
        const wchar_t* caption;
        std::vector<std::pair<int, const wchar_t*>> lines;
    } rows[] = {{L"Turns photos upright", {{28, L"Turns photos upright"}}},
                {L"A\nB\nC", {{28, L"A"}, {42, L"B"}, {54, L"C"}}}};
    for (const auto& row : rows) {
        testkit::SetContext(testkit::Narrow(row.caption));
        banner.SetCaption(row.caption);
        Shot got(banner);
        Shot want(got.Width(), got.Height());
        want.CopyFrom(background);
        want.DrawIconEx(5, 9, icon, 0, 0, DI_NORMAL);
        want.Text(L"Tahoma Bold", -15, 0, {42, 3}, L"Orlenza");
        for (const auto& [y, text] : row.lines) want.Text(L"Tahoma", -12, 0, {46, y}, text);
        CHECK_EQ(Differences(got, want), ""s);
    }
}

TEST_CASE(side_banners_turn_their_gradient_edge_and_text) {
    const COLORREF white = RGB(255, 255, 255), blue = RGB(0, 0, 255);
    const struct {
        const char* label;
        UINT position;
        COLORREF top, bottom;
        int edgeColumn;
        LONG turn;
        POINT title, caption, second;
    } rows[] = {
        {"left, upward", BANNER_POS_LEFT, blue, white, 49, 900, {5, 297}, {24, 287}, {36, 287}},
        {"right, downward", BANNER_POS_RIGHT, white, blue, 0, -900, {45, 3}, {26, 13}, {14, 13}},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        Host host;
        BannerProbe banner;
        banner.m_nPosition = row.position;
        banner.SetBackgroundColors(white, blue);
        banner.SetTitle(L"");
        banner.SetCaption(L"");
        REQUIRE(banner.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 300), &host.wnd, 1));
        Shot background(banner);
        CHECK(Near(background.ColourAt(20, 0), row.top));
        CHECK(Near(background.ColourAt(20, 299), row.bottom));
        for (int y = 0; y < 300; ++y) CHECK_EQ(background.ColourAt(row.edgeColumn, y), RGB(0, 0, 0));

        banner.SetTitle(L"Orlenza");
        banner.SetCaption(L"Caption\nSecond");
        Shot got(banner);
        Shot want(50, 300);
        want.CopyFrom(background);
        want.Text(L"Tahoma Bold", -15, row.turn, row.title, L"Orlenza");
        want.Text(L"Tahoma", -12, row.turn, row.caption, L"Caption");
        want.Text(L"Tahoma", -12, row.turn, row.second, L"Second");
        CHECK_EQ(Differences(got, want), ""s);
    }
}

TEST_CASE(fill_styles_set_before_docking_show_at_the_first_paint) {
    const COLORREF red = RGB(255, 0, 0), green = RGB(0, 128, 0);
    const struct {
        const char* label;
        UINT fill;
        COLORREF start, end;
        bool platformGradient;
        COLORREF left, right;
        bool uniform, edge;
    } rows[] = {
        {"gradient", BANNER_FILL_GRADIENT, kLight, kDark, true, kLight, kDark, false, true},
        {"own gradient", BANNER_FILL_GRADIENT, kLight, kDark, false, kLight, kDark, false, true},
        {"gradient of one colour", BANNER_FILL_GRADIENT, kDark, kDark, true, kDark, kDark, true, true},
        {"solid wins over gradient", BANNER_FILL_SOLID | BANNER_FILL_GRADIENT, kLight, kDark, true, kLight, kLight,
         true, true},
        {"pattern", BANNER_FILL_PATTERN, kLight, kDark, true, green, green, true, true},
        {"no fill: no edge either", 0, kLight, kDark, true, RGB(0, 0, 0), RGB(0, 0, 0), true, false},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        Host host;
        BannerProbe banner;
        if (!row.platformGradient) banner.m_pfnGradientFill = nullptr;
        banner.SetFillStyle(row.fill);
        banner.SetBackgroundColors(row.start, row.end);
        banner.SetEdgeColor(red);
        banner.SetTitle(L"");
        banner.SetCaption(L"");
        const DWORD greenPixel = 0x008000;  // 1 x 1 at 32 bits per pixel, as 0x00RRGGBB
        CBitmap tile;
        tile.CreateBitmap(1, 1, 1, 32, &greenPixel);
        banner.SetPatternBitmap(static_cast<HBITMAP>(tile.Detach()), TRUE);
        REQUIRE(banner.AttachToHost(&host.wnd));
        Shot shot(banner);
        const int last = shot.Width() - 1;
        const bool exact = !row.platformGradient;
        CHECK(exact ? shot.ColourAt(0, 0) == row.left : Near(shot.ColourAt(0, 0), row.left));
        CHECK(exact ? shot.ColourAt(last, 48) == row.right : Near(shot.ColourAt(last, 48), row.right));
        int others = 0, edge = 0;
        for (int x = 0; x <= last; ++x) {
            edge += shot.ColourAt(x, 49) == red;
            for (int y = 0; y < 49 && row.uniform; ++y) others += shot.ColourAt(x, y) != row.left;
        }
        CHECK_EQ(others, 0);
        CHECK_EQ(edge, row.edge ? last + 1 : 0);
    }
}

TEST_CASE(set_icon_keeps_the_last_size_it_could_read) {
    Host host;
    BannerProbe banner;
    REQUIRE(banner.AttachToHost(&host.wnd));
    auto repaintRequested = [&] {
        RECT r;
        return GetUpdateRect(banner, &r, FALSE) != FALSE;
    };
    // 16 x 16 at one bit per pixel: an icon without a colour bitmap.
    const BYTE andBits[32] = {}, xorBits[32] = {};
    HICON mono = CreateIcon(AfxGetInstanceHandle(), 16, 16, 1, 1, andBits, xorBits);
    HICON colour = CopyIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    const struct {
        const char* label;
        HICON icon;
        BOOL result;
        bool repaint;
        LONG width;
    } rows[] = {
        {"null", nullptr, TRUE, false, 0},
        {"colour icon", colour, TRUE, true, 32},
        {"the same icon again", colour, TRUE, true, 32},
        {"monochrome icon", mono, FALSE, true, 32},
    };
    auto alive = [](HICON icon) {
        ICONINFO info{};
        if (!GetIconInfo(icon, &info)) return false;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return true;
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        ValidateRect(banner, nullptr);
        CHECK_EQ(banner.SetIcon(row.icon), row.result);
        CHECK_EQ(repaintRequested(), row.repaint);
        CHECK_EQ(banner.m_bmIcon.bmWidth, row.width);
        CHECK_EQ(banner.m_nIconPlacement, BANNER_ICON_START | BANNER_ICON_CENTER);
        CHECK(!row.icon || alive(row.icon));  // the icon it holds, set again, stays
    }
    testkit::SetContext("");
    CHECK(!alive(colour));  // the banner owned it, and released it when it was replaced
    ValidateRect(banner, nullptr);
    banner.SetBackgroundColors(kDark, kLight);
    banner.SetEdgeColor(kDark);
    CHECK(!repaintRequested());
}

TEST_CASE(a_thousand_paints_leave_nothing_behind) {
    Host host;
    BannerProbe banner;
    REQUIRE(banner.AttachToHost(&host.wnd));
    banner.SetIcon(CopyIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))));
    banner.SetCaption(L"two\nlines");
    const DWORD tilePixel = 0x00FF00;
    CBitmap tile;
    tile.CreateBitmap(1, 1, 1, 32, &tilePixel);
    banner.SetPatternBitmap(static_cast<HBITMAP>(tile.Detach()), TRUE);
    Shot shot(banner);
    const LiveKind kinds[] = {LiveKind::GdiObject, LiveKind::DeviceContext, LiveKind::Icon};
    long before[3];
    for (int k = 0; k < 3; ++k) before[k] = LiveObjects(kinds[k]);
    // Every fill, on the screen (the setter invalidates) and into another DC.
    const UINT fills[] = {BANNER_FILL_GRADIENT, BANNER_FILL_PATTERN, BANNER_FILL_SOLID};
    for (int i = 0; i < 1000; ++i) {
        banner.SetFillStyle(fills[i % 3]);
        if (i == 500) banner.m_pfnGradientFill = nullptr;  // the own gradient for the second half
        banner.UpdateWindow();
        banner.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot.GetSafeHdc()), PRF_CLIENT);
    }
    for (int k = 0; k < 3; ++k) CHECK_EQ(LiveObjects(kinds[k]), before[k]);
}
