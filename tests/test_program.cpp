// The built Orlenza.exe, started as its own process and looked at from
// outside, as a user sees it: the single installation warning when the tools
// are missing, the dialog laid out as its template says, Escape ending it;
// the about box from the system menu and from its button.
#include "Dpi.h"
#include "Gdi.h"
#include "dialog_layout.h"
#include "harness.h"
#include "program.h"
#include "remote_dialog.h"
#include "resource.h"

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// Dialog base units of the template's font, measured on a copy of the
// template opened here: another process's dialog cannot be asked.
INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

RECT ToPixels(RECT units) {
    static HWND reference = [] {
        HWND h = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PIVOTDESK_DIALOG), nullptr,
                                    &InertDialogProc, 0);
        ShowWindow(h, SW_HIDE);
        return h;
    }();
    return MainDialogPixels(reference, units);
}

TEST_CASE(program_without_its_tools_warns_once_shows_its_dialog_and_ends_on_escape) {
    // A copy of the program alone in a folder: no jhead.exe, no jpegtran.exe.
    testkit::TempDir dir(L"program");
    const CString exe = testkit::CopyOfProgram(dir.Path());
    REQUIRE(!exe.IsEmpty());
    testkit::Program program(exe);
    REQUIRE(program.Started());

    // Every message box before the dialog is read and counted: a second
    // warning shares the first one's caption.
    std::vector<testkit::MessageBoxSeen> warnings;
    HWND dlg = remote::WaitForMainDialog(program.Pid(), &warnings);
    REQUIRE(dlg);
    REQUIRE(warnings.size() == 1);
    CHECK_EQ(warnings[0].caption, CString(L"Orlenza"));
    CHECK_EQ(warnings[0].text, CString(kInstallWarning));
    CHECK(warnings[0].exclamationIcon);
    // Nothing else is open beside the dialog.
    CHECK(testkit::FindTopWindow(L"#32770", nullptr, program.Pid(), dlg) == nullptr);

    for (const ControlLayout& want : kMainDialogLayout) {
        testkit::SetContext("control " + std::to_string(want.id));
        HWND c = GetDlgItem(dlg, want.id);
        REQUIRE(c);
        const RECT expected = ToPixels(want.units);
        RECT actual;
        GetWindowRect(c, &actual);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&actual), 2);
        CHECK_EQ(actual.left, expected.left);
        CHECK_EQ(actual.top, expected.top);
        CHECK_EQ(actual.right - actual.left, expected.right - expected.left);
        CHECK_EQ(actual.bottom - actual.top, expected.bottom - expected.top);
        wchar_t text[256] = {};
        GetWindowTextW(c, text, 256);
        CHECK_EQ(CString(text), CString(want.text));
    }
    testkit::SetContext("");
    CHECK(IsWindowEnabled(GetDlgItem(dlg, IDC_BTN_ADD)));
    CHECK(!IsWindowEnabled(GetDlgItem(dlg, IDC_BTN_START)));
    CHECK_EQ(SendDlgItemMessageW(dlg, IDC_CHECK_SUBFOLDERS, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));

    // What the dialog shows, read off the screen (another process's window
    // DC would show only what this process drew): the list's white field
    // inside the face-coloured dialog.
    RECT listRect;
    GetWindowRect(GetDlgItem(dlg, IDC_LIST_ENTRIES), &listRect);
    HDC screen = GetDC(nullptr);
    auto pixel = [&](int x, int y) { return GetPixel(screen, x, y); };
    CHECK(testkit::WaitUntil([&] { return pixel(listRect.left + 50, listRect.bottom - 20) == GetSysColor(COLOR_WINDOW); }, 5000));
    CHECK_EQ(pixel(listRect.left - 5, listRect.bottom - 20), GetSysColor(COLOR_BTNFACE));
    // The banner along the top: its gradient's two ends (below the icon, left
    // of any text), the black edge line at its foot, and dark title pixels.
    RECT banner;
    GetWindowRect(GetDlgItem(dlg, 0xFFF0), &banner);
    CHECK_EQ(banner.bottom - banner.top, 50L);
    // The banner is a window of its own, painted in its own turn: on a busy
    // machine the list may show before it.
    testkit::WaitUntil([&] { return pixel(banner.left, banner.top + 45) == RGB(200, 255, 200); }, 5000);
    CHECK_EQ(pixel(banner.left, banner.top + 45), RGB(200, 255, 200));
    CHECK_EQ(pixel(banner.right - 1, banner.top + 45), RGB(20, 160, 0));
    CHECK_EQ(pixel(banner.left + 100, banner.bottom - 1), RGB(0, 0, 0));
    int dark = 0;
    for (int x = banner.left + 42; x < banner.left + 100; ++x)
        for (int y = banner.top + 3; y < banner.top + 18; ++y) dark += GetGValue(pixel(x, y)) < 100;
    CHECK(dark > 20);
    ReleaseDC(nullptr, screen);

    // Resting the pointer on a button shows its tooltip.
    RECT add;
    GetWindowRect(GetDlgItem(dlg, IDC_BTN_ADD), &add);
    SetCursorPos(add.left - 3, add.top - 3);  // a move onto the button, wherever the pointer was
    SetCursorPos((add.left + add.right) / 2, (add.top + add.bottom) / 2);
    // Its text asked of the window itself: GetWindowText reads only the
    // caption of another process's window, and a tooltip has none.
    HWND tip = testkit::WaitForTopWindow(L"tooltips_class32", nullptr, program.Pid(), 5000);
    wchar_t shown[64] = {};
    if (tip) SendMessageW(tip, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(shown));
    CHECK_EQ(CString(shown), CString(L"选择文件或文件夹"));

    testkit::PostKey(GetDlgItem(dlg, IDC_LIST_ENTRIES), VK_ESCAPE);
    DWORD exitCode = 1234;
    CHECK(program.WaitForExit(15000, &exitCode));
    CHECK_EQ(exitCode, 0ul);
}

TEST_CASE(the_system_menu_s_last_entry_and_the_about_button_open_the_same_about_box) {
    remote::Session session(testkit::BuiltProgram());
    const HWND dlg = session.Dialog();
    REQUIRE(dlg);
    for (const UINT closeKey : {VK_RETURN, VK_ESCAPE}) {
        testkit::SetContext(closeKey == VK_RETURN ? "system menu, Enter" : "about button, Escape");
        if (closeKey == VK_RETURN) {
            // Another process cannot read the menu under Wine: walk it with keys.
            PostMessageW(dlg, WM_SYSCOMMAND, SC_KEYMENU, L' ');
            CHECK(testkit::WaitForTopWindow(L"#32768", nullptr, session.Pid(), 5000));
            testkit::PostKey(dlg, VK_END);
            testkit::PostKey(dlg, VK_RETURN);
        } else {
            PostMessageW(GetDlgItem(dlg, IDC_BTN_ABOUT), BM_CLICK, 0, 0);
        }
        const HWND about = testkit::WaitForTopWindow(L"#32770", L"使用说明", session.Pid());
        REQUIRE(about);
        CHECK(GetWindow(about, GW_OWNER) == dlg && !IsWindowEnabled(dlg));
        CHECK(GetDlgItem(about, IDC_LINK_HOME) && GetDlgItem(about, IDC_LINK_FEEDBACK));
        testkit::PostKey(GetDlgItem(about, IDOK), closeKey);
        CHECK(testkit::WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(dlg); }, 10000));
    }
}

// The dialog at the screen's DPI, read off the screen: the banner's thickness
// with its title and description inside it, each button's icon at the
// scale's size, each column wide enough for its title, every control inside
// the client area. test_program_dpi.sh runs this again at 144 and 192 DPI.
TEST_CASE(the_dialog_is_laid_out_for_the_screen_s_dpi) {
    // Wine takes every program for per-monitor aware at its prefix's DPI,
    // this one too: the program's pixels are seen as they are.
    CClientDC screen(nullptr);
    const Scale scale{static_cast<UINT>(screen.GetDeviceCaps(LOGPIXELSY))};
    std::printf("at %u DPI\n", scale.dpi);
    remote::Session session(testkit::BuiltProgram());
    const HWND dlg = session.Dialog();
    REQUIRE(dlg);
    SetCursorPos(0, 0);  // no button is hovered
    // Whether the screen shows what `check` wants in `r`, once the program has painted.
    auto shows = [&](const RECT& r, const std::function<bool(CDibSurface&)>& check) {
        return testkit::WaitUntil([&] {
            CDibSurface pixels(r.right - r.left, r.bottom - r.top);
            pixels.BitBlt(0, 0, pixels.Width(), pixels.Height(), screen, r.left, r.top, SRCCOPY);
            return check(pixels);
        }, 5000);
    };

    RECT client, r, inside;
    GetClientRect(dlg, &client);
    MapWindowPoints(dlg, nullptr, reinterpret_cast<POINT*>(&client), 2);
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        CHECK(GetWindowRect(c, &r) && IntersectRect(&inside, &r, &client) && EqualRect(&inside, &r));

    // Rows with ink right of the icon and above the edge line: the title's
    // and then the caption's line (a gap of a few rows within a line is
    // antialiasing), and a clear row under them.
    RECT banner;
    GetWindowRect(GetDlgItem(dlg, 0xFFF0), &banner);
    REQUIRE(banner.bottom - banner.top == scale(50));
    banner.left += scale(5 + 32);
    banner.bottom -= scale(1);
    CHECK(shows(banner, [&](CDibSurface& strip) {
        int lines = 0, last = -1;
        for (int y = 0; y < strip.Height(); ++y) {
            bool ink = false;
            for (int x = 0; x < strip.Width() && !ink; ++x)
                ink = GetGValue(strip.ColourAt(x, y)) < 100 && GetRValue(strip.ColourAt(x, y)) < 100;
            if (!ink) continue;
            lines += last < 0 || y > last + scale(3);
            last = y;
        }
        return lines == 2 && last < strip.Height() - 1;
    }));

    // Each icon as the program's resource draws it at 32 pixels scaled, on
    // the face, 3 pixels scaled from the button's edge and centred down.
    const int size = scale(32);
    const std::pair<int, int> icons[] = {{IDC_BTN_ADD, IDI_BTN_ADD},     {IDC_BTN_DELETE, IDI_BTN_DELETE},
        {IDC_BTN_CLEAR, IDI_BTN_CLEAR}, {IDC_BTN_START, IDI_BTN_START}, {IDC_BTN_ABOUT, IDI_BTN_ABOUT}, {IDCANCEL, IDI_BTN_CLOSE}};
    for (const auto& [control, icon] : icons) {
        testkit::SetContext("icon of " + std::to_string(control));
        RECT b;
        GetWindowRect(GetDlgItem(dlg, control), &b);
        const int left = b.left + scale(3), top = b.top + (b.bottom - b.top - size) / 2;
        CDibSurface want(size, size);
        want.FillSolidRect(0, 0, size, size, GetSysColor(COLOR_BTNFACE));
        CIcon drawn;
        drawn.Attach(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon), IMAGE_ICON, size, size, 0)));
        const UINT disabled = IsWindowEnabled(GetDlgItem(dlg, control)) ? 0 : DSS_DISABLED;
        want.DrawState({0, 0}, {size, size}, drawn, DST_ICON | disabled);
        CHECK(shows({left, top, left + size, top + size}, [&](CDibSurface& got) {
            for (int i = 0; i < size * size; ++i)
                if ((got.Bits()[i] ^ want.Bits()[i]) & 0xFFFFFF) return false;
            return true;
        }));
    }

    // The header keeps three edge widths (6 pixels at 96 DPI) either side of
    // a title; the titles are in the dialog's font, 9 points of 宋体.
    testkit::SetContext("");
    CFont font;
    font.Attach(CreateFontW(-MulDiv(9, static_cast<int>(scale.dpi), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                            0, 0, 0, 0, L"宋体"));
    CSelectGuard selected(screen, font);
    const wchar_t* titles[] = {L"名称", L"最后修改日期", L"大小(KB)"};
    for (int i = 0; i < 3; ++i)
        CHECK(SendMessageW(GetDlgItem(dlg, IDC_LIST_ENTRIES), LVM_GETCOLUMNWIDTH, i, 0) >=
              screen.GetTextExtent(titles[i], lstrlenW(titles[i])).cx + 2 * scale(6));
}

// "LastDir" in the program's real profile key: read at start (the picker
// opens there), written when the picker closes with OK.
TEST_CASE(program_keeps_the_last_folder_in_its_own_profile_key) {
    const wchar_t* key = L"Software\\pivotdesk\\Orlenza";
    auto stored = [&] {
        wchar_t value[MAX_PATH] = {};
        DWORD bytes = sizeof(value);
        RegGetValueW(HKEY_CURRENT_USER, key, L"LastDir", RRF_RT_REG_SZ, nullptr, value, &bytes);
        return CString(value);
    };
    testkit::TempDir photos(L"program-lastdir");
    photos.Folder(L"相册");
    photos.File(L"说明.txt", 1);  // two items here, one beside the program
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"LastDir", REG_SZ, photos.Path().GetString(),
                    static_cast<DWORD>((photos.Path().GetLength() + 1) * sizeof(wchar_t)));
    testkit::TempDir dir(L"program-profile");
    const CString exe = testkit::CopyOfProgram(dir.Path());
    REQUIRE(!exe.IsEmpty());
    testkit::Program program(exe);
    HWND dlg = remote::WaitForMainDialog(program.Pid(), nullptr);
    REQUIRE(dlg);
    // Read at start: gone from the key now, the picker still opens there.
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"LastDir");
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_BTN_ADD, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_BTN_ADD)));
    HWND frame = nullptr, items = nullptr;
    REQUIRE(testkit::WaitUntil([&] {
        frame = testkit::FindTopWindow(L"#32770", nullptr, program.Pid(), dlg);
        items = frame ? GetDlgItem(GetDlgItem(frame, 1121), 1) : nullptr;
        return items && SendMessageW(items, LVM_GETITEMCOUNT, 0, 0) == 2;
    }));
    // The first item (the folder) chosen from the keyboard, then OK.
    testkit::PostKey(items, VK_HOME);
    CHECK(testkit::WaitUntil([&] { return SendMessageW(items, LVM_GETSELECTEDCOUNT, 0, 0) == 1; }));
    PostMessageW(frame, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(frame, IDOK)));
    CHECK(testkit::WaitUntil([&] { return remote::RowCount(dlg) == 1; }));
    CHECK_EQ(stored(), photos.Path());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"LastDir");
    remote::Close(dlg, program.Process());
}

}  // namespace
