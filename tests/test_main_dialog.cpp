// The main dialog as a user meets it, opened in this process: layout, texts,
// tab order, initial states, the list's columns, the tools' location, the
// remembered folder, the installation warning, and the keys.
#include "App.h"
#include "dialog_layout.h"
#include "harness.h"
#include "pivotdeskDlg.h"
#include "remote_dialog.h"
#include "resource.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {


// The application object of this test keeps its profile under a key of its
// own, removed again after each case.
struct ProfileScope : testkit::ProfileScope {
    explicit ProfileScope(const wchar_t* lastDir) : testkit::ProfileScope(L"pivotdesk-test-dialog", lastDir) {}
};

// Opens the dialog, confirms the start-up warning (no tools lie beside the
// test program) and hands the open dialog to `script`.
INT_PTR RunDialog(CpivotdeskDlg& dlg, const std::function<void(HWND)>& script,
                  std::vector<testkit::MessageBoxSeen>* warnings = nullptr) {
    INT_PTR result = 0;
    testkit::DriveModal([&] { result = dlg.DoModal(); },
                        [&] {
                            const DWORD pid = GetCurrentProcessId();
                            // Every box before the dialog is counted: a second
                            // warning would share the first one's caption.
                            std::vector<testkit::MessageBoxSeen> seen;
                            HWND h = remote::WaitForMainDialog(pid, &seen);
                            if (warnings) *warnings = seen;
                            if (!h) {
                                testkit::ReportFailure(__FILE__, __LINE__, "main dialog did not appear");
                                return;
                            }
                            // Every warning comes while the dialog opens, before it shows:
                            // none may be left once it is visible.
                            if (warnings && testkit::FindTopWindow(L"#32770", nullptr, pid, h))
                                warnings->push_back(testkit::ReadMessageBox(
                                    testkit::FindTopWindow(L"#32770", nullptr, pid, h)));
                            script(h);
                        },
                        L"Orlenza");
    return result;
}

// The tooltip text an image button of the dialog shows for itself once the
// pointer has come over it (which makes its tooltip); sent, since a disabled
// button gets no mouse input of its own.
CString ToolTipTextOf(HWND control) {
    auto* button = dynamic_cast<CButtonVela*>(CWnd::FromHandlePermanent(control));
    if (!button) return L"(not an image button)";
    button->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    return button->Tip().GetText(button, 1);
}

CString ColumnTitle(HWND list, int column, int* format, int* width) {
    wchar_t text[64] = {};
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    c.pszText = text;
    c.cchTextMax = 64;
    SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&c));
    *format = c.fmt & LVCFMT_JUSTIFYMASK;
    *width = c.cx;
    return text;
}

TEST_CASE(dialog_opens_with_the_template_layout_texts_and_tab_order) {
    ProfileScope profile(nullptr);
    CpivotdeskDlg dlg;
    std::vector<testkit::MessageBoxSeen> warnings;
    RunDialog(
        dlg,
        [&](HWND h) {
            wchar_t text[256] = {};
            GetWindowTextW(h, text, 256);
            CHECK_EQ(CString(text), CString(L"Orlenza"));
            const LONG style = GetWindowLongW(h, GWL_STYLE);
            CHECK((style & (WS_CAPTION | WS_SYSMENU | WS_POPUP)) == (WS_CAPTION | WS_SYSMENU | WS_POPUP));
            CHECK((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
            CHECK((GetWindowLongW(h, GWL_EXSTYLE) & (WS_EX_APPWINDOW | WS_EX_ACCEPTFILES)) ==
                  (WS_EX_APPWINDOW | WS_EX_ACCEPTFILES));
            // The dialog font, as the template asks for it.
            LOGFONTW lf{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
            CHECK_EQ(CString(lf.lfFaceName), CString(L"宋体"));

            // Controls in z-order are the tab order; each sits where its
            // template rectangle, converted by the dialog's base units, says.
            // The banner, docked above them all, is no stop of the tab order.
            std::vector<int> order;
            for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                if (GetDlgCtrlID(c) != 0xFFF0) order.push_back(GetDlgCtrlID(c));
            REQUIRE(order.size() == std::size(kMainDialogLayout));
            for (size_t i = 0; i < order.size(); ++i) {
                const ControlLayout& want = kMainDialogLayout[i];
                testkit::SetContext("control " + std::to_string(want.id));
                CHECK_EQ(order[i], want.id);
                HWND c = GetDlgItem(h, want.id);
                REQUIRE(c);
                const RECT expected = MainDialogPixels(h, want.units);
                RECT actual;
                GetWindowRect(c, &actual);
                MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&actual), 2);
                CHECK_EQ(actual.left, expected.left);
                CHECK_EQ(actual.top, expected.top);
                CHECK_EQ(actual.right, expected.right);
                CHECK_EQ(actual.bottom, expected.bottom);
                GetWindowTextW(c, text, 256);
                CHECK_EQ(CString(text), CString(want.text));
                CHECK((GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) != 0);
            }
            testkit::SetContext("");
            // The banner takes the top 50 pixels of a dialog that much taller
            // than its template.
            RECT client, banner, templateSize{0, 0, 409, 257};
            GetClientRect(h, &client);
            MapDialogRect(h, &templateSize);
            CHECK_EQ(client.bottom, templateSize.bottom + kBannerHeight);
            HWND bannerWnd = GetDlgItem(h, 0xFFF0);
            REQUIRE(bannerWnd);
            GetWindowRect(bannerWnd, &banner);
            MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&banner), 2);
            CHECK(EqualRect(&banner, std::data({RECT{0, 0, client.right, kBannerHeight}})));
            // Each button's tooltip, from the one tooltip control per button.
            const std::pair<int, const wchar_t*> tips[] = {
                {IDCANCEL, L"关闭退出"},        {IDC_BTN_START, L"开始自动旋转"},
                {IDC_BTN_ADD, L"选择文件或文件夹"}, {IDC_BTN_DELETE, L"删除指定的项目"},
                {IDC_BTN_CLEAR, L"清空列表"},       {IDC_BTN_ABOUT, L"软件使用说明"},
            };
            for (const auto& [id, tip] : tips) {
                testkit::SetContext("tooltip of " + std::to_string(id));
                CHECK_EQ(ToolTipTextOf(GetDlgItem(h, id)), CString(tip));
            }
            testkit::SetContext("");
            CHECK(!IsWindowVisible(GetDlgItem(h, IDOK)));
            CHECK((GetWindowLongW(GetDlgItem(h, IDOK), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON);
            CHECK((GetWindowLongW(GetDlgItem(h, IDC_CHECK_SUBFOLDERS), GWL_STYLE) & 0xF) == BS_AUTOCHECKBOX);
        },
        &warnings);
    // No tools beside the test program: exactly one warning.
    REQUIRE(warnings.size() == 1u);
    CHECK_EQ(warnings[0].text, CString(kInstallWarning));
    CHECK_EQ(warnings[0].caption, CString(L"Orlenza"));
    CHECK(warnings[0].exclamationIcon);
}

TEST_CASE(dialog_opens_with_box_ticked_list_buttons_off_and_three_columns) {
    ProfileScope profile(L"C:\\照片\\2011");
    CpivotdeskDlg dlg;
    RunDialog(dlg, [&](HWND h) {
        CHECK_EQ(SendDlgItemMessageW(h, IDC_CHECK_SUBFOLDERS, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
        struct {
            int id;
            bool enabled;
        } const buttons[] = {{IDC_BTN_START, false}, {IDC_BTN_DELETE, false}, {IDC_BTN_CLEAR, false},
                             {IDC_BTN_ADD, true},    {IDCANCEL, true},       {IDC_BTN_ABOUT, true}};
        for (const auto& b : buttons) {
            testkit::SetContext("button " + std::to_string(b.id));
            CHECK_EQ(IsWindowEnabled(GetDlgItem(h, b.id)) != FALSE, b.enabled);
        }
        testkit::SetContext("");
        HWND list = GetDlgItem(h, IDC_LIST_ENTRIES);
        const LONG style = GetWindowLongW(list, GWL_STYLE);
        CHECK((style & LVS_TYPEMASK) == LVS_REPORT);
        CHECK((style & LVS_ALIGNMASK) == LVS_ALIGNLEFT);
        CHECK((style & (LVS_SINGLESEL | LVS_SHOWSELALWAYS)) == 0);  // many rows; selection hidden without focus
        // The list view turns a template border into a client edge.
        CHECK((style & WS_BORDER) != 0 || (GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0);
        CHECK_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x860);
        struct {
            const wchar_t* title;
            int format;
            int width;
        } const columns[] = {{L"名称", LVCFMT_LEFT, 350}, {L"最后修改日期", LVCFMT_LEFT, 120},
                             {L"大小(KB)", LVCFMT_RIGHT, 70}};
        CHECK_EQ(SendMessageW(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0),
                 3);
        for (int i = 0; i < 3; ++i) {
            testkit::SetContext("column " + std::to_string(i));
            int format = 0, width = 0;
            CHECK_EQ(ColumnTitle(list, i, &format, &width), CString(columns[i].title));
            CHECK_EQ(format, columns[i].format);
            CHECK_EQ(width, columns[i].width);
        }
        testkit::SetContext("");
        CHECK_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
        // The program icon, large and small, and as the drag icon.
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
        CHECK_EQ(SendMessageW(h, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
        CHECK_EQ(SendMessageW(h, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(icon));
        CHECK_EQ(SendMessageW(h, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(icon));
        // The system menu ends with a separator and the about entry.
        HMENU menu = GetSystemMenu(h, FALSE);
        const int items = GetMenuItemCount(menu);
        wchar_t entry[64] = {};
        GetMenuStringW(menu, items - 1, entry, 64, MF_BYPOSITION);
        CHECK_EQ(CString(entry), CString(L"关于本软件(&A)..."));
        CHECK_EQ(GetMenuItemID(menu, items - 1), static_cast<UINT>(IDM_ABOUTBOX));
        CHECK((GetMenuState(menu, items - 2, MF_BYPOSITION) & MF_SEPARATOR) != 0);
    });
    CHECK_EQ(dlg.ToolPath(), testkit::ModuleDir() + L"\\jhead.exe");
    CHECK_EQ(dlg.AppDir(), testkit::ModuleDir());
    CHECK_EQ(dlg.LastDir(), CString(L"C:\\照片\\2011"));
}

TEST_CASE(first_start_without_a_remembered_folder) {
    ProfileScope profile(nullptr);
    CpivotdeskDlg dlg;
    RunDialog(dlg, [](HWND) {});
    CHECK(dlg.LastDir().IsEmpty());
}

TEST_CASE(enter_on_the_list_or_the_box_changes_nothing_and_escape_ends_the_dialog) {
    ProfileScope profile(nullptr);
    CpivotdeskDlg dlg;
    bool openAfterEnter = false;
    const INT_PTR result = RunDialog(dlg, [&](HWND h) {
        HWND list = GetDlgItem(h, IDC_LIST_ENTRIES);
        HWND box = GetDlgItem(h, IDC_CHECK_SUBFOLDERS);
        auto checked = [&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
        // Each Enter is followed by a click on the box, queued behind it: once
        // the box has changed, the Enter before it has been handled.
        testkit::PostKey(list, VK_RETURN);
        PostMessageW(box, BM_CLICK, 0, 0);
        CHECK(testkit::WaitUntil([&] { return !checked(); }));
        testkit::PostKey(box, VK_RETURN);
        PostMessageW(box, BM_CLICK, 0, 0);
        CHECK(testkit::WaitUntil([&] { return checked(); }));
        openAfterEnter = IsWindow(h) && IsWindowVisible(h);
        CHECK_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
        CHECK(!IsWindowEnabled(GetDlgItem(h, IDC_BTN_START)));
        testkit::PostKey(list, VK_ESCAPE);
        CHECK(testkit::WaitUntil([&] { return !IsWindow(h); }));
    });
    CHECK(openAfterEnter);
    CHECK_EQ(result, static_cast<INT_PTR>(IDCANCEL));
}

TEST_CASE(close_box_and_close_button_end_the_dialog) {
    ProfileScope profile(nullptr);
    for (const char* way : {"close box", "close button"}) {
        testkit::SetContext(way);
        CpivotdeskDlg dlg;
        const bool closeBox = std::string(way) == "close box";
        const INT_PTR result = RunDialog(dlg, [&](HWND h) {
            if (closeBox)
                PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                PostMessageW(GetDlgItem(h, IDCANCEL), BM_CLICK, 0, 0);
            CHECK(testkit::WaitUntil([&] { return !IsWindow(h); }));
        });
        CHECK_EQ(result, static_cast<INT_PTR>(IDCANCEL));
    }
}

// Windows announces a new DPI with WM_DPICHANGED; Wine never does, so it is
// sent here. The dialog takes the suggested place and, as the platform scales
// nothing, scales its font and controls itself, the banner among them; icons
// and columns follow. Back at 96 DPI all is as it opened, and a second round
// of changes leaves no more objects behind than the first.
TEST_CASE(a_dpi_change_scales_the_dialog_and_the_change_back_restores_it) {
    ProfileScope profile(nullptr);
    CpivotdeskDlg dlg;
    RunDialog(dlg, [&](HWND h) {
        auto* button = dynamic_cast<CButtonVela*>(CWnd::FromHandlePermanent(GetDlgItem(h, IDC_BTN_ADD)));
        REQUIRE(button);
        auto iconSize = [](LRESULT icon) {
            ICONINFO info{};
            GetIconInfo(reinterpret_cast<HICON>(icon), &info);
            DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
            return static_cast<long>(info.xHotspot * 2);
        };
        // The window's rectangle and every control's (the banner's right edge
        // from the client's, which it spans), the list's font height, its
        // columns, and the sizes of a button's icon and the window's.
        auto look = [&] {
            std::vector<long> l;
            RECT client;
            GetClientRect(h, &client);
            auto add = [&](HWND w) {
                RECT r;
                GetWindowRect(w, &r);
                if (w != h) MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
                if (w != h && GetDlgCtrlID(w) == 0xFFF0) r.right -= client.right;
                l.insert(l.end(), {r.left, r.top, r.right, r.bottom});
            };
            add(h);
            for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) add(c);
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(h, IDC_LIST_ENTRIES, WM_GETFONT, 0, 0)), sizeof(font),
                       &font);
            l.push_back(font.lfHeight);
            for (int i = 0; i < 3; ++i) l.push_back(SendDlgItemMessageW(h, IDC_LIST_ENTRIES, LVM_GETCOLUMNWIDTH, i, 0));
            l.push_back(iconSize(reinterpret_cast<LRESULT>(button->Icon(0))));
            l.push_back(iconSize(SendMessageW(h, WM_GETICON, ICON_BIG, 0)));
            return l;
        };
        const std::vector<long> opened = look();
        std::vector<long> census;
        for (int round = 0; round < 2; ++round) {
            for (const UINT dpi : {192u, 144u}) {
                testkit::SetContext("at " + std::to_string(dpi) + " DPI, round " + std::to_string(round));
                // Everything scales, the suggested place included.
                std::vector<long> scaled;
                for (long value : opened) scaled.push_back(Scale{dpi}.From(96, value));
                RECT to{scaled[0], scaled[1], scaled[2], scaled[3]}, back{opened[0], opened[1], opened[2], opened[3]};
                SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&to));
                CHECK_EQ(look(), scaled);
                SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
                CHECK_EQ(look(), opened);
            }
            // Counted once no paint runs on the dialog's thread.
            RedrawWindow(h, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            if (round == 0) census = testkit::LiveCensus();
        }
        CHECK_EQ(testkit::LiveCensus(), census);
        // The window shows LoadIcon's icon again, the system DPI's.
        CHECK_EQ(SendMessageW(h, WM_GETICON, ICON_BIG, 0),
                 reinterpret_cast<LRESULT>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))));
    });
}

}  // namespace

CWinApp testApp(L"OrlenzaDialogTest");
