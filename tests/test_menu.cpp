// The owner-drawn menu: template reading (with damaged templates at the edge
// of readable memory), menu characters and resynchronisation, the colour and
// glyph primitives, measuring, and items painted by pixels in both styles.
#include <algorithm>
#include <random>
#include <utility>

#include "Framework.h"
#include "LumMenu.h"
#include "LumMenuMemDC.h"
#include "MenuLook.h"
#include "harness.h"

namespace {

struct Entry { WORD flags; WORD id; const wchar_t* text; };  // pop-ups write no id

std::vector<BYTE> MakeTemplate(std::initializer_list<Entry> entries) {
    std::vector<BYTE> bytes(4, 0);  // version 0, offset 0
    auto word = [&](WORD w) { bytes.push_back(LOBYTE(w)), bytes.push_back(HIBYTE(w)); };
    for (const Entry& e : entries) {
        word(e.flags);
        if (!(e.flags & MF_POPUP)) word(e.id);
        for (const wchar_t* p = e.text; *p; ++p) word(*p);
        word(0);
    }
    return bytes;
}

const std::vector<BYTE> kFileMenu =
    MakeTemplate({{MF_POPUP | MF_END, 0, L"&File"}, {0, 100, L"&Open\tCtrl+O"}, {0, 0, L""}, {MF_END, 101, L"E&xit"}});

// The bytes copied to the end of a page that a no-access page follows: a
// read past them faults at once.
const BYTE* AtPageEnd(const std::vector<BYTE>& bytes) {
    static BYTE* const end = [] {
        auto* base = static_cast<BYTE*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        return VirtualProtect(base + 4096, 4096, PAGE_NOACCESS, &old) ? base + 4096 : nullptr;
    }();
    return std::copy_backward(bytes.begin(), bytes.end(), end);
}

LumMenu* PopupObject(HMENU menu) { return dynamic_cast<LumMenu*>(CMenu::FromHandlePermanent(menu)); }

TEST_CASE(template_builds_a_bar_of_plain_items_over_owner_drawn_popups) {
    LumMenu menu;
    CHECK(!menu.LoadTemplate(301u));  // no such resource
    REQUIRE(menu.LoadTemplate(kFileMenu.data(), kFileMenu.size()) && menu.GetMenuItemCount() == 1);
    wchar_t bar[32] = {};  // a text item: the system draws the bar
    GetMenuStringW(menu, 0, bar, 32, MF_BYPOSITION);
    CHECK_EQ(CString(bar), L"&File");
    LumMenu* popup = PopupObject(menu.GetSubMenu(0));
    REQUIRE(popup && popup->GetMenuItemCount() == 3 && popup->GetRecordCount() == 3);
    for (int i = 0; i < 3; ++i) CHECK(popup->GetMenuState(i, MF_BYPOSITION) & MF_OWNERDRAW);
    CHECK(popup->GetRecord(1)->m_flags & MF_SEPARATOR);
    // The label is padded with blanks to the widest label plus one blank, no further.
    CFont font;
    LumMenu::CreateMenuFont(font);
    CClientDC dc(GetDesktopWindow());
    dc.SelectObject(font);
    auto labelWidth = [&](const CString& text) { return static_cast<int>(dc.GetTextExtent(text).cx); };
    const CString open = popup->GetRecord(0)->GetText();
    const int tab = open.Find(L'\t'), widest = std::max(labelWidth(L"&Open "), labelWidth(L"E&xit "));
    REQUIRE(tab > 0);
    CHECK_EQ(open.Mid(tab), L"\tCtrl+O");
    CHECK(labelWidth(open.Left(tab)) >= widest);
    CHECK(tab == 5 || labelWidth(open.Left(tab - 1)) < widest);

    // Unknown flag bits never reach the menu: a bitmap flag would have the
    // record taken for a bitmap handle.
    const auto odd =
        MakeTemplate({{MF_POPUP | MF_END, 0, L"P"}, {MF_END | MF_BITMAP | MF_USECHECKBITMAPS | 0x8000, 7, L"x"}});
    REQUIRE(menu.LoadTemplate(odd.data(), odd.size()) && (popup = PopupObject(menu.GetSubMenu(0))));
    CHECK_EQ(popup->GetMenuState(0, MF_BYPOSITION), static_cast<UINT>(MF_OWNERDRAW));
}

TEST_CASE(damaged_templates_fail_leave_the_menu_empty_and_are_never_read_past_their_end) {
    const struct { const char* label; std::vector<BYTE> bytes; } rows[] = {
        {"empty", {}},
        {"header only", {0, 0, 0, 0}},
        {"offset past the end", {0, 0, 8, 0, 0x80, 0}},
        {"entry cut inside its id", {0, 0, 0, 0, 0, 0, 1}},
        {"last text without terminator", {kFileMenu.begin(), kFileMenu.end() - 2}},
        {"pop-up level never closed", MakeTemplate({{MF_POPUP | MF_END, 0, L"P"}, {0, 5, L"a"}})},
        {"top level never closed", MakeTemplate({{0, 5, L"a"}, {0, 6, L"b"}})},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        LumMenu menu;
        REQUIRE(menu.LoadTemplate(kFileMenu.data(), kFileMenu.size()));
        HMENU oldSub = menu.GetSubMenu(0);
        CHECK(!menu.LoadTemplate(AtPageEnd(row.bytes), row.bytes.size()));
        CHECK(menu.m_hMenu == nullptr && menu.GetRecordCount() == 0);
        CHECK(!LumMenu::IsKnownMenu(oldSub) && !IsMenu(oldSub));
    }

    testkit::SetContext("cut and mutated");
    const std::vector<BYTE> seed = MakeTemplate(
        {{MF_POPUP, 0, L"&File"}, {0, 100, L"&Open\tCtrl+O"}, {MF_POPUP, 0, L"&Recent"}, {MF_CHECKED, 110, L"one"},
         {MF_END | MF_GRAYED, 111, L"two\tF2"}, {0, 0, L""}, {MF_END, 101, L"E&xit"},
         {MF_POPUP | MF_END, 0, L"&Help"}, {MF_END, 200, L"&About"}});
    std::mt19937 random(1234);
    int loaded = 0;
    for (int round = 0; round < 10000; ++round) {
        std::vector<BYTE> bytes = seed;
        for (int n = random() % 4; n > 0; --n) bytes[random() % bytes.size()] = static_cast<BYTE>(random());
        if (random() % 2) bytes.resize(random() % (bytes.size() + 1));
        LumMenu menu;
        const bool ok = menu.LoadTemplate(AtPageEnd(bytes), bytes.size()) != FALSE;
        CHECK_EQ(ok, menu.m_hMenu != nullptr);
        loaded += ok;
        std::vector<HMENU> subs;  // every pop-up made is forgotten with its menu
        for (int i = 0; ok && i < menu.GetMenuItemCount(); ++i) subs.push_back(menu.GetSubMenu(i));
        menu.DestroyAll();
        for (HMENU sub : subs) CHECK(!LumMenu::IsKnownMenu(sub));
    }
    CHECK(loaded > 1000 && loaded < 9000);  // both outcomes were exercised
}

TEST_CASE(menu_character_finds_the_first_item_and_follows_changes) {
    auto mnemonic = [](CMenu& m, wchar_t ch, UINT flags = MF_POPUP) {
        return static_cast<int>(LumMenu::FindMnemonic(ch, flags, &m));
    };
    LumMenu menu, twins;
    CMenu plain;  // not one of ours
    REQUIRE(menu.CreatePopupMenu() && twins.CreatePopupMenu() && plain.CreatePopupMenu());
    menu.AppendItem(L"&Save", 0, 1);
    menu.AppendItem(L"Save &As", 0, 2);
    plain.AppendMenu(MF_STRING, 1, L"&Save");
    CHECK_EQ(mnemonic(menu, L'S'), 0x20000);
    CHECK_EQ(mnemonic(menu, L'a'), 0x20001);
    CHECK_EQ(mnemonic(menu, L'q') | mnemonic(menu, L'S', 0) | mnemonic(plain, L'S'), 0);

    // Behind the object's back: an item added, then one removed.
    AppendMenuW(menu, MF_STRING, 3, L"E&xit");
    CHECK_EQ(mnemonic(menu, L'x'), 0x20002);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    CHECK(GetMenuItemInfoW(menu, 2, TRUE, &info) && (info.fType & MFT_OWNERDRAW) && menu.GetRecordCount() == 3);
    CHECK(info.dwItemData == reinterpret_cast<ULONG_PTR>(menu.GetRecord(2)));
    DeleteMenu(menu, 1, MF_BYCOMMAND);
    CHECK_EQ(mnemonic(menu, L'a'), 0x20000);
    CHECK(menu.GetRecordCount() == 2 && menu.GetRecord(0)->GetText() == L"Save &As");

    // Two records of one id keep their order; the separator keeps its record.
    twins.AppendItem(L"&One", 0, 7);
    twins.AppendItem(nullptr, 0, 0);
    twins.AppendItem(L"&Two", 0, 7);
    LumMenuData* separator = twins.GetRecord(1);
    AppendMenuW(twins, MF_STRING, 8, L"&Three");
    CHECK_EQ(mnemonic(twins, L't'), 0x20002);
    CHECK(twins.GetRecord(0)->GetText() == L"&One" && twins.GetRecord(1) == separator);
    CHECK(twins.GetMenuState(1, MF_BYPOSITION) & MF_SEPARATOR);
}

TEST_CASE(lighten_color_moves_each_channel_a_share_of_the_way_to_white) {
    const COLORREF c = RGB(10, 20, 30);
    for (const double outside : {0.0, 1.5, -0.5}) CHECK_EQ(LightenColor(c, outside), c);
    CHECK_EQ(LightenColor(c, 1.0), RGB(255, 255, 255));
    CHECK_EQ(LightenColor(RGB(0, 0, 128), 0.5), RGB(127, 127, 191));
    CHECK_EQ(LightenColor(RGB(49, 106, 197), 0.7), RGB(193, 210, 237));
}

// A 32-bpp surface filled with one colour, whose pixels the test counts.
struct Canvas : CDibSurface {
    Canvas(int width, int height, COLORREF fill) : CDibSurface(width, height) {
        FillSolidRect(0, 0, width, height, fill);
    }
    int Count(const RECT& r, COLORREF c) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += ColourAt(x, y) == c;
        return n;
    }
};

TEST_CASE(disabled_images_lose_the_face_colour) {
    const COLORREF background = RGB(10, 200, 10), face = GetSysColor(COLOR_BTNFACE);
    std::vector<DWORD> pixels(16 * 16, RGB(GetBValue(face), GetGValue(face), GetRValue(face)));  // 0x00RRGGBB
    for (int y = 4; y < 10; ++y) std::fill_n(&pixels[y * 16 + 4], 6, 0);
    CBitmap bitmap;  // a black square on the face colour, selected nowhere
    REQUIRE(bitmap.CreateBitmap(16, 16, 1, 32, pixels.data()));
    Canvas out(20, 20, RGB(255, 255, 255));
    LumMenu::DrawDisabledImage(out, 2, 2, 16, 16, bitmap, background);
    CHECK_EQ(out.Count({2, 2, 18, 18}, GetSysColor(COLOR_BTNSHADOW)), 36);  // the shape in the shadow colour
    CHECK_EQ(out.ColourAt(2, 2), background);                               // face pixels became background
    CHECK_EQ(out.ColourAt(12, 12), GetSysColor(COLOR_BTNHIGHLIGHT));        // the edge below and right
}

TEST_CASE(printing_surface_draws_straight_onto_the_printer_context) {
    Canvas canvas(10, 10, RGB(255, 255, 255));
    canvas.m_bPrinting = TRUE;
    {
        LumMenuMemDC surface(&canvas, RECT{2, 2, 8, 8});
        CHECK(!surface.IsOffscreen());
        surface.FillSolidRect(3, 3, 1, 1, RGB(1, 2, 3));
        CHECK_EQ(canvas.ColourAt(3, 3), RGB(1, 2, 3));
    }
    CHECK_EQ(GetObjectType(canvas), static_cast<DWORD>(OBJ_MEMDC));  // the borrowed handle stays
}

constexpr int kItemWidth = 160, kItemHeight = 22;

// An item of each kind; a checked-state bitmap makes "Radio" a radio item.
struct Items {
    LumMenu menu;
    CBitmap dot;
    Items() {
        menu.CreatePopupMenu();
        for (const wchar_t* text : {L"Open\tCtrl+O", L"Radio", L"Grey"})
            menu.AppendItem(text, 0, menu.GetMenuItemCount() + 1);
        menu.AppendItem(nullptr, 0, 0);
        dot.CreateBitmap(8, 8, 1, 1, nullptr);
        SetMenuItemBitmaps(menu, 2, MF_BYCOMMAND, nullptr, dot);
    }
    // Measures the item, then paints it in the flat style (mode 1) or the
    // system's (0); the state drawing left and the size measured.
    std::pair<UINT, SIZE> Draw(int mode, int position, UINT state, HDC dc) {
        const auto data = reinterpret_cast<ULONG_PTR>(menu.GetRecord(position));
        MEASUREITEMSTRUCT mis{ODT_MENU, 0, 0, 0, 0, data};
        DRAWITEMSTRUCT dis{ODT_MENU, 0, menu.GetMenuItemID(position), ODA_DRAWENTIRE, state,
                           reinterpret_cast<HWND>(menu.m_hMenu), dc, {0, 0, kItemWidth, kItemHeight}, data};
        LumMenu::s_drawMode = mode;
        menu.MeasureItem(&mis);
        menu.DrawItem(&dis);
        LumMenu::s_drawMode = 0;
        return {dis.itemState, {static_cast<LONG>(mis.itemWidth), static_cast<LONG>(mis.itemHeight)}};
    }
};

// The look at 100, 150 and 200 %: an item's size for a text (the text and
// the menu height already at that DPI), its boxes, text and image place, and
// the tick's extent.
TEST_CASE(item_look_at_96_144_and_192_dpi) {
    auto text = [](std::initializer_list<LONG> values) {
        std::string t;
        for (LONG v : values) t += std::to_string(v) + ",";
        return t + " ";
    };
    const struct { UINT dpi; bool flat; int menuHeight, textWidth; std::string size; RECT rect; std::string layout, tick; } rows[] = {
        {96, false, 19, 50, "83,19,9, ", {0, 0, 200, 19}, "1,1,19,18, 1,2,17,17, 25,-1,184,18, 2,2, ", "0,0,7,7, "},
        {144, false, 28, 75, "125,29,14, ", {0, 0, 200, 29}, "2,2,29,28, 2,3,26,26, 38,-2,176,27, 3,3, ", "0,0,11,11, "},
        {192, true, 37, 100, "162,44,22, ", {0, 0, 300, 44}, "7,6,39,38, 62,-2,268,42, 7,7,60, ", "0,0,14,14, "},
    };
    for (const auto& row : rows) {
        testkit::SetContext(std::to_string(row.dpi) + " DPI");
        MenuMetrics m;
        m.flat = row.flat, m.menuHeight = row.menuHeight, m.scale = Scale{row.dpi};
        const SIZE item = MeasureMenuItem(m, false, row.textWidth), separator = MeasureMenuItem(m, true, 0);
        CHECK_EQ(text({item.cx, item.cy, separator.cy}), row.size);
        const ClassicItemLayout c = LayoutClassicItem(row.rect, m, true);
        const FlatItemLayout f = LayoutFlatItem(row.rect, m, true);
        auto box = [&](const RECT& r) { return text({r.left, r.top, r.right, r.bottom}); };
        CHECK_EQ(row.flat ? box(f.checkBox) + box(f.text) + text({f.image.x, f.image.y, f.separatorLeft})
                          : box(c.innerBox) + box(c.checkBox) + box(c.text) + text({c.image.x, c.image.y}),
                 row.layout);
        RECT tick{};
        for (const RECT& stroke : CheckGlyphStrokes({0, 0}, m.scale)) UnionRect(&tick, &tick, &stroke);
        CHECK_EQ(box(tick), row.tick);
    }
}

TEST_CASE(items_measure_their_text_and_the_image_column) {
    CHECK_EQ(LumMenu::s_osVersion, 1);  // any NT system from 6.0 on: measured in the context's own font
    Items items;
    CClientDC dc(GetDesktopWindow());
    const int textWidth = dc.GetTextExtent(L"Open\tCtrl+O").cx, menuHeight = GetSystemMetrics(SM_CYMENU);
    const struct { const char* label; int mode, position, width, height; } rows[] = {
        {"classic item", 0, 0, textWidth + 33, std::max(menuHeight, 19)},
        {"flat item", 1, 0, textWidth + 31, std::max(menuHeight, 22)},
        {"classic separator", 0, 3, 0, std::max(menuHeight / 2, 9)},
        {"flat separator", 1, 3, 0, std::max(menuHeight / 2, 11)},
    };
    Canvas canvas(kItemWidth, kItemHeight, 0);
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        const SIZE size = items.Draw(row.mode, row.position, 0, canvas).second;
        CHECK_EQ(size.cx, row.width);
        CHECK_EQ(size.cy, row.height);
    }
}

TEST_CASE(items_paint_marks_selection_and_text_in_both_styles_and_leave_no_handles) {
    Items items;
    const RECT item{0, 0, kItemWidth, kItemHeight};
    const COLORREF menuFace = GetSysColor(COLOR_MENU), glyph = GetSysColor(COLOR_MENUTEXT);
    const COLORREF select = GetSysColor(COLOR_HIGHLIGHT), selectFill = LightenColor(select, 0.85);
    const COLORREF selectText = GetSysColor(COLOR_HIGHLIGHTTEXT), window = GetSysColor(COLOR_WINDOW);
    const ClassicItemLayout classic = LayoutClassicItem(item, {}, true);
    const FlatItemLayout flat = LayoutFlatItem(item, {}, true);
    const POINT classicIn{classic.checkBox.left + 1, classic.checkBox.top + 1}, end{kItemWidth - 3, 3};
    const POINT flatCorner{flat.checkBox.left, flat.checkBox.top}, flatIn{flatCorner.x + 1, flatCorner.y + 1};
    enum Mark { None, Tick, Dot };
    struct Probe { POINT at; COLORREF colour; };
    // The mark in the style's check box, two pixels, and the text's colour.
    const struct { const char* label; int mode, position; UINT state; Mark mark; Probe a, b; COLORREF text; } rows[] = {
        {"classic check", 0, 0, ODS_CHECKED, Tick, {classicIn, LightenColor(menuFace, 0.6)}, {end, menuFace}, glyph},
        {"classic radio", 0, 1, ODS_CHECKED | ODS_SELECTED, Dot, {classicIn, menuFace}, {end, select}, selectText},
        {"flat check", 1, 0, ODS_CHECKED | ODS_SELECTED, Tick, {flatCorner, select}, {flatIn, selectFill}, glyph},
        {"flat radio", 1, 1, ODS_CHECKED, Dot, {flatCorner, select}, {flatIn, selectFill}, glyph},
        {"flat grayed never selected", 1, 2, ODS_GRAYED | ODS_SELECTED, None, {end, window},
         {{3, 3}, LightenColor(GetSysColor(COLOR_3DFACE), 0.25)}, LightenColor(GetSysColor(COLOR_GRAYTEXT), 0.4)},
        {"classic selected", 0, 2, ODS_SELECTED, None, {{1, 1}, select}, {end, select}, selectText},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        Canvas canvas(kItemWidth, kItemHeight, RGB(1, 1, 1));
        const UINT state = items.Draw(row.mode, row.position, row.state, canvas).first;
        if (row.state & ODS_GRAYED) CHECK(!(state & ODS_SELECTED));
        const RECT& box = row.mode ? flat.checkBox : classic.checkBox;
        const int marks = canvas.Count(box, glyph), tickLeft = box.left + (row.mode ? 5 : 4);
        if (row.mark == Dot) CHECK(marks >= 16 && marks != 21);
        else CHECK_EQ(marks, row.mark == Tick ? 21 : 0);
        // A tick is seven strokes of three pixels, one pixel further right in the flat box.
        for (int x = tickLeft; row.mark == Tick && x < tickLeft + 7; ++x)
            CHECK_EQ(canvas.Count({x, box.top, x + 1, box.bottom}, glyph), 3);
        CHECK_EQ(canvas.ColourAt(row.a.at.x, row.a.at.y), row.a.colour);
        CHECK_EQ(canvas.ColourAt(row.b.at.x, row.b.at.y), row.b.colour);
        CHECK(canvas.Count(item, row.text) > 0);
        if (row.position != 0) continue;
        // The label starts after the image column; the accelerator ends W pixels before the right edge.
        const COLORREF fill = row.mode ? selectFill : menuFace;
        auto inked = [&](int x) { return canvas.Count({x, 2, x + 1, kItemHeight - 2}, fill) < kItemHeight - 4; };
        const int start = row.mode ? flat.text.left : classic.text.left;
        int left = start - 4, right = kItemWidth - 3;
        while (!inked(left)) ++left;
        while (!inked(right)) --right;
        CHECK(left >= start && left < start + 3);
        CHECK(right < kItemWidth - 16 && right >= kItemWidth - 16 - 3);
    }

    testkit::SetContext("every style, item and state, measured too, many times over");
    const UINT states[] = {0, ODS_SELECTED, ODS_CHECKED, ODS_GRAYED, ODS_GRAYED | ODS_SELECTED};
    Canvas canvas(kItemWidth, kItemHeight, 0);
    const std::vector<long> before = testkit::LiveCensus();  // the rows made what is made once
    for (int i = 0; i < 1000; ++i) items.Draw(i % 2, i / 2 % 4, states[i % 5], canvas);
    CHECK(testkit::LiveCensus() == before);
}

}  // namespace
