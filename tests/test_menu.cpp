// The owner-drawn menu: template reading (with damaged templates at the edge
// of readable memory), menu characters and resynchronisation, the colour and
// glyph primitives, measuring, and items painted by pixels in both styles.
#include <random>

#include "Framework.h"
#include "LumMenu.h"
#include "LumMenuMemDC.h"
#include "MenuLook.h"
#include "MenuTemplate.h"
#include "harness.h"

namespace {

// --- templates ----------------------------------------------------------------
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

const std::vector<BYTE> kFileMenu = MakeTemplate({
    {MF_POPUP | MF_END, 0, L"&File"},
    {0, 100, L"&Open\tCtrl+O"},
    {0, 0, L""},
    {MF_END, 101, L"E&xit"},
});

// Readable memory that ends where a guard page begins: a template copied to
// its end makes any read past the template fault at once.
class GuardedPage {
public:
    GuardedPage() {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        m_page = info.dwPageSize;
        m_base = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_base + m_page, m_page, PAGE_NOACCESS, &old);
    }
    ~GuardedPage() { VirtualFree(m_base, 0, MEM_RELEASE); }
    const BYTE* Place(const std::vector<BYTE>& bytes) {
        BYTE* at = m_base + m_page - bytes.size();
        std::copy(bytes.begin(), bytes.end(), at);
        return at;
    }

private:
    BYTE* m_base;
    size_t m_page;
};

MENUITEMINFOW ItemInfo(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return info;
}

LumMenu* PopupObject(HMENU menu) { return dynamic_cast<LumMenu*>(CMenu::FromHandlePermanent(menu)); }

int MenuFontWidth(const CString& text) {
    CFont font;
    LumMenu::CreateMenuFont(font);
    CClientDC dc(GetDesktopWindow());
    dc.SelectObject(font);
    return dc.GetTextExtent(text).cx;
}

void CheckFileMenu(LumMenu& menu) {
    REQUIRE(menu.m_hMenu && menu.GetMenuItemCount() == 1);
    CHECK_EQ(menu.GetRecord(0)->m_flags, static_cast<UINT>(MF_BYPOSITION | MF_POPUP));
    CHECK(!(ItemInfo(menu, 0).fType & MFT_OWNERDRAW));
    wchar_t bar[32] = {};
    GetMenuStringW(menu, 0, bar, 32, MF_BYPOSITION);
    CHECK_EQ(CString(bar), L"&File");

    HMENU sub = menu.GetSubMenu(0);
    LumMenu* popup = PopupObject(sub);
    REQUIRE(popup && LumMenu::IsKnownMenu(sub));
    REQUIRE(popup->GetMenuItemCount() == 3 && popup->GetRecordCount() == 3);
    for (int i = 0; i < 3; ++i) CHECK(ItemInfo(*popup, i).fType & MFT_OWNERDRAW);
    CHECK_EQ(popup->GetRecord(2)->m_commandId, static_cast<UINT_PTR>(101));
    CHECK_EQ(popup->GetRecord(1)->m_flags & (MF_SEPARATOR | MF_OWNERDRAW), static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW));
    // The label is padded with blanks to the widest label plus one blank, no further.
    const CString open = popup->GetRecord(0)->GetText();
    const int tab = open.Find(L'\t');
    REQUIRE(tab > 0);
    CHECK_EQ(open.Mid(tab), L"\tCtrl+O");
    CString label = open.Left(tab);
    const int widest = std::max(MenuFontWidth(L"&Open "), MenuFontWidth(L"E&xit "));
    CHECK(MenuFontWidth(label) >= widest);
    CHECK(label.GetLength() == 5 || MenuFontWidth(label.Left(tab - 1)) < widest);
}

TEST_CASE(template_builds_a_bar_of_plain_items_over_owner_drawn_popups) {
    LumMenu fromBytes;
    CHECK(fromBytes.LoadTemplate(kFileMenu.data(), kFileMenu.size()));
    CheckFileMenu(fromBytes);
    // The same menu from the resource compiler, through the resource lookup.
    LumMenu fromResource;
    CHECK(fromResource.LoadTemplate(300u));
    CheckFileMenu(fromResource);
    CHECK(!fromResource.LoadTemplate(301u));

    // Unknown flag bits never reach the menu: a bitmap flag would have the
    // record taken for a bitmap handle.
    const auto odd = MakeTemplate({{MF_POPUP | MF_END, 0, L"P"}, {MF_END | MF_BITMAP | MF_USECHECKBITMAPS | 0x8000, 7, L"x"}});
    LumMenu menu;
    REQUIRE(menu.LoadTemplate(odd.data(), odd.size()));
    LumMenu* popup = PopupObject(menu.GetSubMenu(0));
    REQUIRE(popup);
    CHECK_EQ(popup->GetRecord(0)->m_flags, static_cast<UINT>(MF_OWNERDRAW));
    CHECK_EQ(ItemInfo(*popup, 0).fType, static_cast<UINT>(MFT_OWNERDRAW));
}

TEST_CASE(malformed_templates_fail_and_leave_the_menu_empty) {
    std::vector<BYTE> noTerminator = kFileMenu;
    noTerminator.resize(noTerminator.size() - 2);
    const struct { const char* label; std::vector<BYTE> bytes; } rows[] = {
        {"empty", {}},
        {"header only", {0, 0, 0, 0}},
        {"offset past the end", {0, 0, 8, 0, 0x80, 0}},
        {"entry cut inside its id", {0, 0, 0, 0, 0, 0, 1}},
        {"last text without terminator", noTerminator},
        {"pop-up level never closed", MakeTemplate({{MF_POPUP | MF_END, 0, L"P"}, {0, 5, L"a"}})},
        {"top level never closed", MakeTemplate({{0, 5, L"a"}, {0, 6, L"b"}})},
    };
    GuardedPage page;
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        LumMenu menu;
        REQUIRE(menu.LoadTemplate(kFileMenu.data(), kFileMenu.size()));
        HMENU oldSub = menu.GetSubMenu(0);
        CHECK(!menu.LoadTemplate(page.Place(row.bytes), row.bytes.size()));
        CHECK(menu.m_hMenu == nullptr);
        CHECK_EQ(menu.GetRecordCount(), 0);
        CHECK(!LumMenu::IsKnownMenu(oldSub) && !IsMenu(oldSub));
    }
    testkit::SetContext("");
}

TEST_CASE(cut_and_mutated_templates_never_read_past_their_end) {
    const std::vector<BYTE> seed = MakeTemplate({
        {MF_POPUP, 0, L"&File"},
        {0, 100, L"&Open\tCtrl+O"},
        {MF_POPUP, 0, L"&Recent"},
        {MF_CHECKED, 110, L"one"},
        {MF_END | MF_GRAYED, 111, L"two\tF2"},
        {0, 0, L""},
        {MF_END, 101, L"E&xit"},
        {MF_POPUP | MF_END, 0, L"&Help"},
        {MF_END, 200, L"&About"},
    });
    std::mt19937 random(1234);
    GuardedPage page;
    int loaded = 0;
    for (int round = 0; round < 10000; ++round) {
        std::vector<BYTE> bytes = seed;
        for (int n = random() % 4; n > 0; --n) bytes[random() % bytes.size()] = static_cast<BYTE>(random());
        if (random() % 2) bytes.resize(random() % (bytes.size() + 1));
        LumMenu menu;
        const BOOL ok = menu.LoadTemplate(page.Place(bytes), bytes.size());
        CHECK_EQ(ok != FALSE, menu.m_hMenu != nullptr);
        if (ok) ++loaded;
        std::vector<HMENU> subs;
        for (int i = 0; ok && i < menu.GetMenuItemCount(); ++i)
            if (HMENU sub = menu.GetSubMenu(i)) subs.push_back(sub);
        menu.DestroyAll();
        for (HMENU sub : subs) CHECK(!LumMenu::IsKnownMenu(sub));
    }
    // Both outcomes were exercised.
    CHECK(loaded > 1000 && loaded < 9000);
}

// --- menu characters ------------------------------------------------------------
LRESULT Mnemonic(LumMenu& menu, wchar_t ch) { return LumMenu::FindMnemonic(ch, MF_POPUP, &menu); }

TEST_CASE(menu_character_finds_the_first_item_and_follows_changes) {
    LumMenu menu;
    REQUIRE(menu.CreatePopupMenu());
    menu.AppendItem(L"&Save", 0, 1);
    menu.AppendItem(L"Save &As", 0, 2);
    CHECK_EQ(Mnemonic(menu, L'S'), static_cast<LRESULT>(0x20000));
    CHECK_EQ(Mnemonic(menu, L'a'), static_cast<LRESULT>(0x20001));
    CHECK_EQ(Mnemonic(menu, L'q'), static_cast<LRESULT>(0));
    CHECK_EQ(LumMenu::FindMnemonic(L'S', 0, &menu), static_cast<LRESULT>(0));
    CMenu plain;
    plain.CreatePopupMenu();
    plain.AppendMenu(MF_STRING, 1, L"&Save");
    CHECK_EQ(LumMenu::FindMnemonic(L'S', MF_POPUP, &plain), static_cast<LRESULT>(0));

    // Behind the object's back: an item added, then one removed.
    AppendMenuW(menu, MF_STRING, 3, L"E&xit");
    CHECK_EQ(Mnemonic(menu, L'x'), static_cast<LRESULT>(0x20002));
    CHECK_EQ(menu.GetRecordCount(), 3);
    const MENUITEMINFOW info = ItemInfo(menu, 2);
    CHECK((info.fType & MFT_OWNERDRAW) && info.dwItemData == reinterpret_cast<ULONG_PTR>(menu.GetRecord(2)));
    DeleteMenu(menu, 1, MF_BYCOMMAND);
    CHECK_EQ(Mnemonic(menu, L'a'), static_cast<LRESULT>(0x20000));
    CHECK_EQ(menu.GetRecordCount(), 2);
    CHECK_EQ(menu.GetRecord(0)->GetText(), L"Save &As");

    // Two records of one id keep their order; the separator keeps its record.
    LumMenu twins;
    twins.CreatePopupMenu();
    twins.AppendItem(L"&One", 0, 7);
    twins.AppendItem(nullptr, 0, 0);
    twins.AppendItem(L"&Two", 0, 7);
    LumMenuData* separator = twins.GetRecord(1);
    AppendMenuW(twins, MF_STRING, 8, L"&Three");
    CHECK_EQ(Mnemonic(twins, L't'), static_cast<LRESULT>(0x20002));
    CHECK_EQ(twins.GetRecord(0)->GetText(), L"&One");
    CHECK(twins.GetRecord(1) == separator);
    CHECK_EQ(twins.GetMenuState(1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
}

// --- primitives -------------------------------------------------------------------
TEST_CASE(lighten_color_figures) {
    const struct { COLORREF colour; double factor; COLORREF expected; } rows[] = {
        {RGB(10, 20, 30), 0.0, RGB(10, 20, 30)},      {RGB(10, 20, 30), 1.5, RGB(10, 20, 30)},
        {RGB(10, 20, 30), -0.5, RGB(10, 20, 30)},     {RGB(10, 20, 30), 1.0, RGB(255, 255, 255)},
        {RGB(0, 0, 128), 0.5, RGB(127, 127, 191)},   {RGB(49, 106, 197), 0.7, RGB(193, 210, 237)},
    };
    for (const auto& row : rows) {
        testkit::SetContext(std::to_string(row.factor));
        CHECK_EQ(LightenColor(row.colour, row.factor), row.expected);
    }
    testkit::SetContext("");
}

// A 32-bpp surface filled with one colour, whose pixels the test reads.
class Canvas : public CDibSurface {
public:
    Canvas(int width, int height, COLORREF fill) : CDibSurface(width, height) {
        FillSolidRect(0, 0, width, height, fill);
    }
    COLORREF At(int x, int y) { return ColourAt(x, y); }
    int Count(const RECT& r, COLORREF c) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x, y) == c;
        return n;
    }
};

TEST_CASE(check_glyph_is_a_tick_of_21_pixels) {
    Canvas canvas(12, 12, RGB(255, 255, 255));
    LumMenu::DrawCheckGlyph(RGB(0, 0, 0), 0, 0, canvas);
    CHECK_EQ(canvas.Count({0, 0, 12, 12}, RGB(0, 0, 0)), 21);
    for (int x = 0; x < 7; ++x) CHECK_EQ(canvas.Count({x, 0, x + 1, 12}, RGB(0, 0, 0)), 3);
}

TEST_CASE(disabled_images_lose_the_face_colour) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE), background = RGB(10, 200, 10);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    // A picture of a black square on the face colour, selected nowhere.
    CBitmap bitmap;
    {
        CClientDC screen(nullptr);
        bitmap.CreateCompatibleBitmap(screen, 16, 16);
        CDC painter;
        painter.CreateCompatibleDC(screen);
        painter.SelectObject(bitmap);
        painter.FillSolidRect(0, 0, 16, 16, face);
        painter.FillSolidRect(4, 4, 6, 6, RGB(0, 0, 0));
    }
    Canvas out(20, 20, RGB(255, 255, 255));
    LumMenu::DrawDisabledImage(out, 2, 2, 16, 16, bitmap, background);
    CHECK_EQ(out.Count({2, 2, 18, 18}, shadow), 36);       // the shape in the shadow colour
    CHECK_EQ(out.At(2, 2), background);                    // face pixels became background
    CHECK_EQ(out.At(12, 12), GetSysColor(COLOR_BTNHIGHLIGHT));  // the edge below and right
}

TEST_CASE(printing_surface_draws_straight_onto_the_printer_context) {
    Canvas canvas(10, 10, RGB(255, 255, 255));
    canvas.m_bPrinting = TRUE;
    {
        LumMenuMemDC surface(&canvas, RECT{2, 2, 8, 8});
        CHECK(!surface.IsOffscreen());
        surface.FillSolidRect(3, 3, 1, 1, RGB(1, 2, 3));
        CHECK_EQ(canvas.At(3, 3), RGB(1, 2, 3));
    }
    CHECK_EQ(GetObjectType(canvas), static_cast<DWORD>(OBJ_MEMDC));
    canvas.m_bPrinting = FALSE;
    {
        LumMenuMemDC surface(&canvas, RECT{2, 2, 8, 8});
        surface.FillSolidRect(4, 4, 1, 1, RGB(4, 5, 6));
        CHECK_EQ(canvas.At(4, 4), RGB(255, 255, 255));
    }
    CHECK_EQ(canvas.At(4, 4), RGB(4, 5, 6));
}

// --- measuring and painting -------------------------------------------------------
// Forces the flat style for one scope.
struct DrawMode {
    explicit DrawMode(int mode) { LumMenu::s_drawMode = mode; }
    ~DrawMode() { LumMenu::s_drawMode = 0; }
};

TEST_CASE(items_measure_their_text_and_the_image_column) {
    LumMenu menu;
    REQUIRE(menu.CreatePopupMenu());
    menu.AppendItem(L"&Open\tCtrl+O", 0, 1);
    menu.AppendItem(nullptr, 0, 0);
    CFont font;
    CClientDC dc(GetDesktopWindow());
    if (LumMenu::s_osVersion > 1) {
        LumMenu::CreateMenuFont(font);
        dc.SelectObject(font);
    }
    const int textWidth = dc.GetTextExtent(L"&Open\tCtrl+O").cx;
    const int menuHeight = GetSystemMetrics(SM_CYMENU);
    CHECK_EQ(LumMenu::s_osVersion, 1);  // any NT system from 6.0 on
    const struct { const char* label; int mode, position, width, minHeight; } rows[] = {
        {"classic item", 0, 0, textWidth + 33, 19},
        {"flat item", 1, 0, textWidth + 31, 22},
        {"classic separator", 0, 1, 0, std::max(menuHeight / 2, 9)},
        {"flat separator", 1, 1, 0, std::max(menuHeight / 2, 11)},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        DrawMode mode(row.mode);
        MEASUREITEMSTRUCT mis{ODT_MENU, 0, 0, 0, 0, reinterpret_cast<ULONG_PTR>(menu.GetRecord(row.position))};
        menu.MeasureItem(&mis);
        CHECK_EQ(static_cast<int>(mis.itemWidth), row.width);
        CHECK(static_cast<int>(mis.itemHeight) >= row.minHeight);
        if (row.position == 1) CHECK_EQ(static_cast<int>(mis.itemHeight), row.minHeight);
    }
    testkit::SetContext("");
}

constexpr int kItemWidth = 160, kItemHeight = 22;

// The columns where something other than `fill` was drawn in the item's rows.
struct Ink {
    int left = -1, right = -1;
};
Ink InkBetween(Canvas& canvas, int from, int to, COLORREF fill) {
    Ink ink;
    for (int x = from; x < to; ++x)
        for (int y = 2; y < kItemHeight - 2; ++y)
            if (canvas.At(x, y) != fill) {
                if (ink.left < 0) ink.left = x;
                ink.right = x;
            }
    return ink;
}

TEST_CASE(items_paint_marks_selection_and_text_in_both_styles) {
    LumMenu menu;
    REQUIRE(menu.CreatePopupMenu());
    menu.AppendItem(L"Open\tX", 0, 1);
    menu.AppendItem(L"Radio", 0, 2);
    menu.AppendItem(L"Grey", 0, 3);
    CBitmap dot;
    dot.CreateBitmap(8, 8, 1, 1, nullptr);
    SetMenuItemBitmaps(menu, 2, MF_BYCOMMAND, nullptr, dot);

    const COLORREF menuFace = GetSysColor(COLOR_MENU), window = GetSysColor(COLOR_WINDOW);
    const COLORREF glyph = GetSysColor(COLOR_MENUTEXT), select = GetSysColor(COLOR_HIGHLIGHT);
    const RECT item{0, 0, kItemWidth, kItemHeight};
    const ClassicItemLayout classic = LayoutClassicItem(item, 16, 15, true);
    const FlatItemLayout flat = LayoutFlatItem(item, 16, 15, true);
    enum Expect { Tick, Dot, GreyUnselected, Highlighted };
    const struct {
        const char* label;
        int mode, position;
        UINT state;
        RECT box;  // where the mark stands
        Expect expect;
    } rows[] = {
        {"classic check", 0, 0, ODS_CHECKED, classic.checkBox, Tick},
        {"classic radio", 0, 1, ODS_CHECKED | ODS_SELECTED, classic.checkBox, Dot},
        {"flat check", 1, 0, ODS_CHECKED | ODS_SELECTED, flat.checkBox, Tick},
        {"flat radio", 1, 1, ODS_CHECKED, flat.checkBox, Dot},
        {"flat grayed never selected", 1, 2, ODS_GRAYED | ODS_SELECTED, {}, GreyUnselected},
        {"classic selected", 0, 2, ODS_SELECTED, {}, Highlighted},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        DrawMode mode(row.mode);
        Canvas canvas(kItemWidth, kItemHeight, RGB(1, 1, 1));
        DRAWITEMSTRUCT dis{ODT_MENU, 0, static_cast<UINT>(row.position + 1), ODA_DRAWENTIRE, row.state,
                           reinterpret_cast<HWND>(menu.m_hMenu), canvas, item,
                           reinterpret_cast<ULONG_PTR>(menu.GetRecord(row.position))};
        menu.DrawItem(&dis);
        const int marks = canvas.Count(row.box, glyph);
        switch (row.expect) {
        case Tick:
        case Dot:
            CHECK_EQ(marks == 21, row.expect == Tick);
            CHECK(marks >= 16);
            if (row.mode == 1) {
                CHECK_EQ(canvas.At(row.box.left, row.box.top), select);
                CHECK_EQ(canvas.At(row.box.left + 1, row.box.top + 1), LightenColor(select, 0.85));
            } else {
                const COLORREF face = row.state & ODS_SELECTED ? menuFace : LightenColor(menuFace, 0.6);
                CHECK_EQ(canvas.At(row.box.left + 1, row.box.top + 1), face);
            }
            break;
        case GreyUnselected:
            CHECK(!(dis.itemState & ODS_SELECTED));
            CHECK_EQ(canvas.At(kItemWidth - 3, 3), window);
            CHECK(canvas.Count(item, LightenColor(GetSysColor(COLOR_GRAYTEXT), 0.4)) > 0);
            break;
        case Highlighted:
            CHECK_EQ(canvas.At(1, 1), select);
            CHECK(canvas.Count(item, GetSysColor(COLOR_HIGHLIGHTTEXT)) > 0);
            break;
        }
        // The label starts after the image column; the accelerator ends W
        // pixels before the right edge.
        if (row.position == 0) {
            const COLORREF fill = row.mode == 1 ? LightenColor(select, 0.85) : menuFace;
            const int labelStart = row.mode == 1 ? flat.text.left : classic.text.left;
            const Ink label = InkBetween(canvas, labelStart - 4, kItemWidth / 2, fill);
            CHECK(label.left >= labelStart && label.left < labelStart + 3);
            const Ink accelerator = InkBetween(canvas, kItemWidth / 2, kItemWidth - 2, fill);
            CHECK(accelerator.right < kItemWidth - 16 && accelerator.right >= kItemWidth - 16 - 3);
        }
    }
    testkit::SetContext("");
}

}  // namespace
