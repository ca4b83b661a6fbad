// The entry list as a user meets it in the real main dialog, opened in this
// process: the size and date texts, rows from paths and from drops, deleting
// and the row selected after it, the mouse selection, clearing, and the
// buttons that follow the list.
#include "App.h"
#include "EntryText.h"
#include "harness.h"
#include "pivotdeskDlg.h"
#include "resource.h"

#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using testkit::SetContext;

constexpr UINT WM_RUN_ON_UI = WM_APP + 0x51;

// The real dialog with one addition: a message that runs a piece of the test
// on the dialog's own thread, where the focus and AddEntry live.
class ListDlg : public CpivotdeskDlg {
protected:
    static const MessageMap* ClassMessageMap() {
        static const MsgMapEntry entries[] = {OnRawMessage<WM_RUN_ON_UI, &ListDlg::OnRunOnUi>()};
        static const MessageMap map = MakeMessageMap(CpivotdeskDlg::ClassMessageMap(), entries);
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

private:
    LRESULT OnRunOnUi(WPARAM, LPARAM lParam) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
};

// What the driver thread sees of the open dialog, and what it can do there.
struct Ui {
    ListDlg& dlg;
    HWND window;
    HWND list;

    void OnUiThread(const std::function<void()>& work) const {
        SendMessageW(window, WM_RUN_ON_UI, 0, reinterpret_cast<LPARAM>(&work));
    }
    BOOL Add(const CString& path) const {
        BOOL added = FALSE;
        OnUiThread([&] { added = dlg.AddEntry(path); });
        return added;
    }
    HWND Focus() const {
        HWND focus = nullptr;
        OnUiThread([&] { focus = GetFocus(); });
        return focus;
    }
    int Rows() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    CString Text(int row, int column) const { return testkit::ListText(list, row, column); }
    std::vector<int> RowsWith(UINT state) const {
        std::vector<int> rows;
        for (int i = 0; i < Rows(); ++i)
            if (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), state) & state) rows.push_back(i);
        return rows;
    }
    void SetSelected(int row, bool selected) const {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        item.state = selected ? LVIS_SELECTED : 0;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
    // What a click on the button delivers to the dialog, whatever its state.
    void Command(int id) const {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    }
    // A left click as the mouse delivers it, posted so that the list's own
    // click tracking finds the button-up in its queue.
    void Click(POINT at) const {
        const LPARAM where = MAKELPARAM(at.x, at.y);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
        PostMessageW(list, WM_LBUTTONUP, 0, where);
    }
};

// Opens the dialog, confirms the start-up warning (no tools lie beside the
// test program) and hands the open dialog to `script`.
void RunListDialog(const std::function<void(const Ui&)>& script) {
    ListDlg dlg;
    testkit::DriveModal([&] { dlg.DoModal(); },
                        [&] {
                            HWND window = testkit::AwaitMainDialogPastWarning(GetCurrentProcessId());
                            if (!window) return;
                            script(Ui{dlg, window, GetDlgItem(window, IDC_LIST_ENTRIES)});
                        },
                        L"Orlenza");
}

// Seconds never show in the date column: give them a value all the same.
FILETIME UtcTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    return testkit::UtcFileTime(year, month, day, hour, minute, 37);
}

using testkit::SetLastWrite;

// A file of `bytes` bytes that takes no room on disk: its end is set, its
// contents never written. False where the file system will not have it.
bool MakeSparse(const CString& path, ULONGLONG bytes) {
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(bytes);
    const bool ok = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    if (!ok) DeleteFileW(path);
    return ok;
}

// A drop as the shell hands it over: a DROPFILES block, the names after it,
// each ended by a terminator and the list by one more.
HGLOBAL WideDrop(const std::vector<CString>& names) {
    size_t chars = 1;
    for (const CString& n : names) chars += static_cast<size_t>(n.GetLength()) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(drop + 1);
    for (const CString& n : names) {
        memcpy(out, n.GetString(), static_cast<size_t>(n.GetLength()) * sizeof(wchar_t));
        out += n.GetLength() + 1;
    }
    GlobalUnlock(block);
    return block;
}

// The same in the ANSI code page, as older programs drop names.
HGLOBAL AnsiDrop(const std::vector<CString>& names) {
    std::string bytes;
    for (const CString& n : names) {
        const int size = WideCharToMultiByte(CP_ACP, 0, n, n.GetLength(), nullptr, 0, nullptr, nullptr);
        std::string one(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, 0, n, n.GetLength(), one.data(), size, nullptr, nullptr);
        bytes += one;
        bytes += '\0';
    }
    bytes += '\0';
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    memcpy(drop + 1, bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

void Drop(const Ui& ui, HGLOBAL block) { SendMessageW(ui.window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0); }

POINT RowCentre(const Ui& ui, int row) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageW(ui.list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    return {r.left + 20, (r.top + r.bottom) / 2};
}

// --- the texts ----------------------------------------------------------------

TEST_CASE(size_text_is_kilobytes_with_one_separator_above_1000) {
    struct Row {
        const char* label;
        ULONGLONG bytes;
        const wchar_t* text;
    };
    const Row rows[] = {
        {"empty file", 0, L"0"},
        {"one byte rounds up to 1", 1, L"1"},
        {"1023 bytes rounds up to 1", 1023, L"1"},
        {"1024 bytes", 1024, L"1"},
        {"2047 bytes rounds down", 2047, L"1"},
        {"1000 KB keeps no separator", 1024000, L"1000"},
        {"1001 KB", 1025024, L"1,001"},
        {"1005 KB: the part after the separator keeps its zeros", 1029120, L"1,005"},
        {"12,345 KB", 12345ull * 1024, L"12,345"},
        {"one separator only", 1234567ull * 1024, L"1234,567"},
        {"exactly 4 GiB", 4294967296ull, L"4194,304"},
        {"just under 2 TiB", 2147483647ull * 1024, L"2147483,647"},
        {"exactly 2 TiB does not turn negative", 2147483648ull * 1024, L"2147483,648"},
        {"3 TiB", 3ull << 40, L"3221225,472"},
        {"above 4 TiB, past 32 bits of kilobytes", 4294967296ull * 1024 + 5 * 1024, L"4294967,301"},
        {"largest size", 0xFFFFFFFFFFFFFFFFull, L"18014398509481,983"},
    };
    for (const Row& r : rows) {
        SetContext(r.label);
        CHECK_EQ(FormatEntrySize(r.bytes), CString(r.text));
    }
}

TEST_CASE(date_text_is_the_stored_universal_time) {
    struct Row {
        const char* label;
        FILETIME time;
        const wchar_t* text;
    };
    const Row rows[] = {
        {"month and day without zeros, hour and minute with two digits", UtcTime(2011, 12, 2, 8, 5),
         L"2011.12.2 08:05"},
        {"two-digit day and month", UtcTime(1999, 10, 31, 23, 59), L"1999.10.31 23:59"},
        {"midnight", UtcTime(2024, 2, 29, 0, 0), L"2024.2.29 00:00"},
        {"the first moment a file time can hold", FILETIME{0, 0}, L"1601.1.1 00:00"},
        {"a time the platform cannot convert", FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu}, L""},
    };
    for (const Row& r : rows) {
        SetContext(r.label);
        CHECK_EQ(FormatEntryDate(r.time), CString(r.text));
    }
}

// --- rows from paths ----------------------------------------------------------

TEST_CASE(each_path_becomes_a_row_with_its_date_and_size) {
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    if (zone.Bias == 0)
        std::printf("note: the local zone is UTC here, so this run cannot tell universal from local time "
                    "(ctest runs it with TZ=Asia/Shanghai)\n");

    testkit::TempDir dir(L"rows");
    const FILETIME written = UtcTime(2011, 12, 2, 8, 5);
    const CString photo = dir.File(L"照片 1.jpg", 1500);
    REQUIRE(SetLastWrite(photo, written));
    const CString empty = dir.File(L"empty.jpg");
    REQUIRE(SetLastWrite(empty, written));
    const CString folder = dir.Folder(L"相册");
    dir.File(L"相册\\inside.jpg", 10);
    REQUIRE(SetLastWrite(folder, UtcTime(2010, 1, 9, 17, 30)));
    const CString big = dir.Path() + L"\\four-gib.jpg";
    const CString huge = dir.Path() + L"\\three-tib.jpg";
    const bool sparseOk = MakeSparse(big, 4294967296ull) && MakeSparse(huge, 3ull << 40) &&
                          SetLastWrite(big, written) && SetLastWrite(huge, written);
    if (!sparseOk) std::printf("note: no sparse files here; the large sizes are checked through FormatEntrySize only\n");

    struct Row {
        const char* label;
        CString path;
        BOOL found;
        const wchar_t* date;
        const wchar_t* size;
    };
    std::vector<Row> rows = {
        {"a file: its universal time, its kilobytes", photo, TRUE, L"2011.12.2 08:05", L"1"},
        {"an empty file", empty, TRUE, L"2011.12.2 08:05", L"0"},
        {"a folder: its own date, not expanded", folder, TRUE, L"2010.1.9 17:30", L"文件夹"},
        {"the same file again: duplicates stay", photo, TRUE, L"2011.12.2 08:05", L"1"},
        {"a vanished path", dir.Path() + L"\\gone.jpg", FALSE, L"", L""},
        {"a folder named with a trailing backslash", folder + L"\\", FALSE, L"", L""},
        {"a drive's root", L"C:\\", FALSE, L"", L""},
    };
    if (sparseOk) {
        rows.push_back({"a file of exactly 4 GiB", big, TRUE, L"2011.12.2 08:05", L"4194,304"});
        rows.push_back({"a file above 2 TiB", huge, TRUE, L"2011.12.2 08:05", L"3221225,472"});
    }

    RunListDialog([&](const Ui& ui) {
        for (const Row& r : rows) {
            SetContext(r.label);
            const int before = ui.Rows();
            CHECK_EQ(ui.Add(r.path), r.found);
            REQUIRE(ui.Rows() == before + 1);
            CHECK_EQ(ui.Text(before, 0), r.path);  // the full path, exactly as added
            CHECK_EQ(ui.Text(before, 1), CString(r.date));
            CHECK_EQ(ui.Text(before, 2), CString(r.size));
        }
        SetContext("");
        // Rows added straight through AddEntry leave the buttons to the caller.
        CHECK(!ui.Enabled(IDC_BTN_START));
        CHECK(!ui.Enabled(IDC_BTN_CLEAR));
        CHECK(!ui.Enabled(IDC_BTN_DELETE));
    });
}

// --- drops --------------------------------------------------------------------

TEST_CASE(dropped_files_and_folder_become_rows_in_the_shells_order) {
    testkit::TempDir dir(L"drop");
    const CString a = dir.File(L"b-second-in-name.jpg", 2048);
    const CString b = dir.File(L"a-first-in-name.jpg", 10);
    const CString folder = dir.Folder(L"folder");
    dir.File(L"folder\\child1.jpg", 1);
    dir.File(L"folder\\child2.jpg", 1);
    const CString chinese = dir.File(L"旅行 照片.jpg", 5000);
    // Longer than the 259 characters a fixed drop buffer would keep.
    const CString longName = dir.Path() + L"\\" + CString(std::wstring(290, L'x').c_str()) + L".jpg";
    REQUIRE(longName.GetLength() > 300);

    RunListDialog([&](const Ui& ui) {
        Drop(ui, WideDrop({a, b, folder, chinese, longName}));
        const CString expected[] = {a, b, folder, chinese, longName};
        const wchar_t* sizes[] = {L"2", L"1", L"文件夹", L"4", L""};
        REQUIRE(ui.Rows() == 5);  // the folder is one row, not its contents
        for (int i = 0; i < 5; ++i) {
            SetContext("row " + std::to_string(i));
            CHECK_EQ(ui.Text(i, 0), expected[i]);
            CHECK_EQ(ui.Text(i, 2), CString(sizes[i]));
        }
        SetContext("");
        CHECK_EQ(ui.Text(4, 0).GetLength(), longName.GetLength());
        CHECK(ui.Enabled(IDC_BTN_START));
        CHECK(ui.Enabled(IDC_BTN_CLEAR));
        CHECK(!ui.Enabled(IDC_BTN_DELETE));  // nothing is selected yet
        CHECK_EQ(ui.Focus(), ui.list);

        // A second drop, in the ANSI code page, appends after the first.
        Drop(ui, AnsiDrop({chinese, a}));
        REQUIRE(ui.Rows() == 7);
        CHECK_EQ(ui.Text(5, 0), chinese);
        CHECK_EQ(ui.Text(5, 2), CString(L"4"));
        CHECK_EQ(ui.Text(6, 0), a);

    });
}

// --- deleting and selecting ---------------------------------------------------

TEST_CASE(deleting_selects_the_row_that_took_the_first_deleted_place) {
    struct Row {
        const char* label;
        int rows;
        std::vector<int> selected;
        std::vector<int> remaining;  // original indices, in order
        int selectedAfter;           // -1: none
    };
    const Row table[] = {
        {"rows 2 and 5 of 6", 6, {2, 5}, {0, 1, 3, 4}, 2},
        {"the last two rows: the new last row", 6, {4, 5}, {0, 1, 2, 3}, 3},
        {"the first row", 3, {0}, {1, 2}, 0},
        {"rows 0, 2 and 3 of 5", 5, {0, 2, 3}, {1, 4}, 0},
        {"a middle row", 5, {2}, {0, 1, 3, 4}, 2},
        {"all rows: nothing left to select", 4, {0, 1, 2, 3}, {}, -1},
        {"nothing selected: nothing deleted, row 0 selected", 3, {}, {0, 1, 2}, 0},
    };
    testkit::TempDir dir(L"delete");
    std::vector<CString> files;
    for (int i = 0; i < 6; ++i) files.push_back(dir.File(CString::Formatted(L"p%d.jpg", i), 1));

    RunListDialog([&](const Ui& ui) {
        for (const Row& r : table) {
            SetContext(r.label);
            ui.Command(IDC_BTN_CLEAR);
            Drop(ui, WideDrop(std::vector<CString>(files.begin(), files.begin() + r.rows)));
            for (int i : r.selected) ui.SetSelected(i, true);
            CHECK_EQ(ui.Enabled(IDC_BTN_DELETE), !r.selected.empty());
            // The user pressed the button: the focus is there, not on the list.
            ui.OnUiThread([&] { SetFocus(GetDlgItem(ui.window, IDC_BTN_ADD)); });

            ui.Command(IDC_BTN_DELETE);
            REQUIRE(ui.Rows() == static_cast<int>(r.remaining.size()));
            for (size_t i = 0; i < r.remaining.size(); ++i) CHECK_EQ(ui.Text(static_cast<int>(i), 0), files[r.remaining[i]]);
            const std::vector<int> one = r.selectedAfter < 0 ? std::vector<int>{} : std::vector<int>{r.selectedAfter};
            CHECK(ui.RowsWith(LVIS_SELECTED) == one);
            CHECK(ui.RowsWith(LVIS_FOCUSED) == one);
            const bool rowsLeft = !r.remaining.empty();
            CHECK_EQ(ui.Enabled(IDC_BTN_START), rowsLeft);
            CHECK_EQ(ui.Enabled(IDC_BTN_CLEAR), rowsLeft);
            // Delete follows the selection: there is one exactly when a row is left.
            CHECK_EQ(ui.Enabled(IDC_BTN_DELETE), rowsLeft);
            CHECK_EQ(ui.Focus(), ui.list);
        }
    });
}

TEST_CASE(delete_on_an_empty_list_does_nothing_and_focuses_the_list) {
    RunListDialog([&](const Ui& ui) {
        ui.Command(IDC_BTN_DELETE);
        CHECK_EQ(ui.Rows(), 0);
        CHECK(!ui.Enabled(IDC_BTN_START));
        CHECK(!ui.Enabled(IDC_BTN_CLEAR));
        CHECK(!ui.Enabled(IDC_BTN_DELETE));
        CHECK_EQ(ui.Focus(), ui.list);
    });
}

TEST_CASE(mouse_selection_enables_delete_and_a_click_into_empty_space_disables_it) {
    testkit::TempDir dir(L"click");
    const CString a = dir.File(L"a.jpg", 1), b = dir.File(L"b.jpg", 1);
    RunListDialog([&](const Ui& ui) {
        Drop(ui, WideDrop({a, b}));
        REQUIRE(!ui.Enabled(IDC_BTN_DELETE));

        ui.Click(RowCentre(ui, 1));
        CHECK(testkit::WaitUntil([&] { return ui.Enabled(IDC_BTN_DELETE); }, 5000));
        CHECK(ui.RowsWith(LVIS_SELECTED) == std::vector<int>{1});

        RECT client{};
        GetClientRect(ui.list, &client);
        const POINT below = RowCentre(ui, 1);
        ui.Click({below.x, client.bottom - 5});  // under the last row
        CHECK(testkit::WaitUntil([&] { return !ui.Enabled(IDC_BTN_DELETE); }, 5000));
        CHECK(ui.RowsWith(LVIS_SELECTED).empty());

        // Selections made by other means count the same; delete goes off only
        // with the last selected row, and moving the focus alone changes nothing.
        ui.SetSelected(0, true);
        ui.SetSelected(1, true);
        CHECK(ui.Enabled(IDC_BTN_DELETE));
        ui.SetSelected(0, false);
        CHECK(ui.Enabled(IDC_BTN_DELETE));
        ui.SetSelected(1, false);
        CHECK(!ui.Enabled(IDC_BTN_DELETE));
        LVITEMW focus{};
        focus.stateMask = focus.state = LVIS_FOCUSED;
        SendMessageW(ui.list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
        CHECK(!ui.Enabled(IDC_BTN_DELETE));
        // All rows at once, and none.
        LVITEMW all{};
        all.stateMask = all.state = LVIS_SELECTED;
        SendMessageW(ui.list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
        CHECK(ui.Enabled(IDC_BTN_DELETE));
        all.state = 0;
        SendMessageW(ui.list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
        CHECK(!ui.Enabled(IDC_BTN_DELETE));
    });
}

TEST_CASE(clearing_empties_the_list_and_disables_start_delete_and_clear) {
    testkit::TempDir dir(L"clear");
    const CString a = dir.File(L"a.jpg", 1), b = dir.File(L"b.jpg", 1), c = dir.File(L"c.jpg", 1);
    RunListDialog([&](const Ui& ui) {
        Drop(ui, WideDrop({a, b, c}));
        ui.SetSelected(1, true);
        REQUIRE(ui.Enabled(IDC_BTN_START) && ui.Enabled(IDC_BTN_DELETE) && ui.Enabled(IDC_BTN_CLEAR));

        ui.Command(IDC_BTN_CLEAR);
        CHECK_EQ(ui.Rows(), 0);
        CHECK(!ui.Enabled(IDC_BTN_START));
        CHECK(!ui.Enabled(IDC_BTN_DELETE));
        CHECK(!ui.Enabled(IDC_BTN_CLEAR));
        // The always-available buttons stay.
        CHECK(ui.Enabled(IDC_BTN_ADD));
        CHECK(ui.Enabled(IDCANCEL));
        CHECK(ui.Enabled(IDC_BTN_ABOUT));

        // The list works as before after a clear.
        Drop(ui, WideDrop({c}));
        CHECK_EQ(ui.Rows(), 1);
        CHECK_EQ(ui.Text(0, 0), c);
        CHECK(ui.Enabled(IDC_BTN_START) && ui.Enabled(IDC_BTN_CLEAR));
    });
}

}  // namespace

// The application object of this test program; no profile key: the entry
// list never touches the profile.
CWinApp testApp(L"OrlenzaEntryListTest");
