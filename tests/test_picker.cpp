// The file and folder picker in its real hooked open dialog, opened from the
// main dialog's add button in this process: its layout, what each kind of
// selection adds to the list, the root of a drive, OK with nothing chosen,
// cancelling, and the folder remembered as "LastDir". Also the parsing of the
// file-name box on its own.
#include "App.h"
#include "PickerDialog.h"
#include "harness.h"
#include "pivotdeskDlg.h"
#include "resource.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using testkit::SetContext;

const wchar_t* kCompany = L"pivotdesk-test-picker";
const wchar_t* kAppKey = L"Software\\pivotdesk-test-picker";

// The application's profile under a key of this test alone.
struct ProfileScope : testkit::ProfileScope {
    explicit ProfileScope(const CString* lastDir)
        : testkit::ProfileScope(kCompany, lastDir ? lastDir->GetString() : nullptr) {}
};

// "LastDir" as stored, read past the application object; "(none)" when absent.
CString StoredLastDir() {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    const CString key = CString(kAppKey) + L"\\" + AfxGetApp()->GetAppName();
    if (RegGetValueW(HKEY_CURRENT_USER, key, L"LastDir", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"(none)";
    return value;
}

CString WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// The main dialog as the driver thread sees it.
struct Main {
    HWND window;
    HWND list;

    int Rows() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    std::vector<CString> Paths() const {
        std::vector<CString> paths;
        for (int i = 0; i < Rows(); ++i) paths.push_back(testkit::ListText(list, i));
        return paths;
    }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
    HWND Focus() const { return testkit::FocusOf(window); }
    // Returns once the dialog's thread is back in its message loop, that is
    // once the add command has finished.
    void Settle() const { SendMessageW(window, WM_NULL, 0, 0); }
};

// The open dialog of one press of the add button. Whatever a case leaves
// open is cancelled when the object goes, so that no case can hang the next.
class Picker {
public:
    explicit Picker(const Main& main) : m_main(main) {
        PostMessageW(main.window, WM_COMMAND, MAKEWPARAM(IDC_BTN_ADD, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(main.window, IDC_BTN_ADD)));
        testkit::WaitUntil([&] {
            for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w;
                 w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
                // Ready once the picker has reshaped it: OK reads "选择".
                if (GetWindow(w, GW_OWNER) == main.window && GetDlgItem(w, CPickerDialog::ID_SHELL_VIEW) &&
                    IsWindowVisible(w) && WindowText(GetDlgItem(w, IDOK)) == L"选择") {
                    m_frame = w;
                    return true;
                }
            }
            return false;
        });
    }
    ~Picker() {
        if (m_frame && IsWindow(m_frame)) {
            PostMessageW(m_frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            testkit::WaitUntil([&] { return !IsWindow(m_frame); });
        }
        m_main.Settle();
    }
    Picker(const Picker&) = delete;
    Picker& operator=(const Picker&) = delete;

    HWND Frame() const { return m_frame; }
    HWND Items() const { return GetDlgItem(GetDlgItem(m_frame, CPickerDialog::ID_SHELL_VIEW), 1); }
    // The file-name box, as the dialog reports it to its hook.
    CString NameBox() const {
        std::vector<wchar_t> text(8192);
        SendMessageW(m_frame, CDM_GETSPEC, text.size(), reinterpret_cast<LPARAM>(text.data()));
        return text.data();
    }
    void TypeName(const wchar_t* text) const {
        SendMessageW(m_frame, CDM_SETCONTROLTEXT, CPickerDialog::ID_NAME_COMBO, reinterpret_cast<LPARAM>(text));
    }
    bool Open() const { return IsWindow(m_frame) && IsWindowVisible(m_frame); }

    int IndexOf(const CString& name) const {
        const int count = static_cast<int>(SendMessageW(Items(), LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            if (testkit::ListText(Items(), i) == name) return i;
        return -1;
    }
    // Waits until the dialog shows the folder that holds `name` (the shell
    // view fills in when a folder opens).
    bool Shows(const CString& name) const {
        return testkit::WaitUntil([&] { return IndexOf(name) >= 0; }, 10000);
    }
    // Selects exactly the items named, as clicks with Ctrl would; the dialog
    // fills its file-name box from the selection.
    bool Select(const std::vector<CString>& names) const {
        LVITEMW none{};
        none.stateMask = LVIS_SELECTED;
        SendMessageW(Items(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
        for (const CString& name : names) {
            const int index = IndexOf(name);
            if (index < 0) return false;
            LVITEMW item{};
            item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(Items(), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        }
        return true;
    }
    // A double click on an item, as the mouse delivers it.
    bool DoubleClick(const CString& name) const {
        const int index = IndexOf(name);
        if (index < 0) return false;
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageW(Items(), LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageW(Items(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(Items(), WM_LBUTTONUP, 0, at);
        PostMessageW(Items(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(Items(), WM_LBUTTONUP, 0, at);
        return true;
    }
    // The OK button ("选择"), as its click reaches the frame.
    void PressOk() const {
        PostMessageW(m_frame, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_frame, IDOK)));
    }
    void PressCancel() const {
        PostMessageW(m_frame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(m_frame, IDCANCEL)));
    }
    bool Closed() const {
        const bool gone = testkit::WaitUntil([&] { return !IsWindow(m_frame); }, 10000);
        m_main.Settle();
        return gone;
    }

private:
    const Main& m_main;
    HWND m_frame = nullptr;
};

// Opens the main dialog (confirming the start-up warning: no tools lie
// beside the test program) and hands it to `script`.
void RunMainDialog(const std::function<void(const Main&)>& script, CString* lastDirAfter = nullptr) {
    CpivotdeskDlg dlg;
    // As in the program: the picker takes the main window as its owner.
    AfxGetApp()->m_pMainWnd = &dlg;
    testkit::DriveModal([&] { dlg.DoModal(); },
                        [&] {
                            HWND window = testkit::AwaitMainDialogPastWarning(GetCurrentProcessId());
                            if (!window) return;
                            script(Main{window, GetDlgItem(window, IDC_LIST_ENTRIES)});
                        },
                        L"Orlenza");
    AfxGetApp()->m_pMainWnd = nullptr;
    if (lastDirAfter) *lastDirAfter = dlg.LastDir();
}

CRect RectIn(HWND frame, int id) {
    CRect r;
    GetWindowRect(GetDlgItem(frame, id), &r);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<CString> Split(const CString& prefix, const CString& nameBox) {
    std::vector<CString> out;
    for (const CString& name : CPickerDialog::NamesInNameBox(nameBox)) out.push_back(prefix + name);
    return out;
}

std::string Joined(const std::vector<CString>& paths) {
    std::string text;
    for (const CString& p : paths) text += (text.empty() ? "" : " | ") + testkit::Narrow(p);
    return text;
}

#define CHECK_PATHS(actual, expected) CHECK_EQ(Joined(actual), Joined(expected))

// --- the file-name box --------------------------------------------------------

TEST_CASE(names_are_read_from_the_file_name_box_in_both_forms) {
    struct Row {
        const char* label;
        const wchar_t* text;
        std::vector<CString> names;
    };
    const CString p = L"D:\\photos\\";
    const Row rows[] = {
        {"one name without quotes", L"a b.jpg", {p + L"a b.jpg"}},
        {"the multi-selection form, in its order", L"\"z.jpg\" \"a b.jpg\" \"m.jpg\"",
         {p + L"z.jpg", p + L"a b.jpg", p + L"m.jpg"}},
        {"names without a blank between them", L"\"a.jpg\"\"b.jpg\"", {p + L"a.jpg", p + L"b.jpg"}},
        {"a name still open at the end is dropped", L"\"a.jpg\" \"b.jp", {p + L"a.jpg"}},
        {"an empty pair of quotes names nothing", L"\"\" \"a.jpg\"", {p + L"a.jpg"}},
        {"Chinese names", L"\"照片.jpg\" \"旅行.jpg\"", {p + L"照片.jpg", p + L"旅行.jpg"}},
        {"a blank that opens a name is the name's own", L"\" x.jpg\" \"  y.jpg\"", {p + L" x.jpg", p + L"  y.jpg"}},
        {"an empty box names nothing", L"", {}},
    };
    for (const Row& r : rows) {
        SetContext(r.label);
        CHECK_PATHS(Split(p, r.text), r.names);
    }
}

// --- in the dialog ------------------------------------------------------------

struct Folder {
    testkit::TempDir dir{L"picker"};
    CString path = dir.Path();
    Folder() {
        dir.Folder(L"相册 A");
        dir.Folder(L"B");
        dir.Folder(L"sub");
        dir.File(L"sub\\inner.jpg", 10);
        dir.File(L"photo1.jpg", 1);
        dir.File(L"photo2.jpg", 2048);
        dir.File(L"照片 3.jpg", 3);
    }
    CString operator/(const wchar_t* name) const { return path + L"\\" + name; }
};

TEST_CASE(picker_layout_puts_ok_and_the_name_box_on_cancels_row) {
    Folder f;
    ProfileScope profile(&f.path);
    RunMainDialog([&](const Main& main) {
        Picker picker(main);
        HWND frame = picker.Frame();
        REQUIRE(frame);
        // The file-type row is gone.
        for (int id : {CPickerDialog::ID_TYPE_LABEL, CPickerDialog::ID_TYPE_COMBO, CPickerDialog::ID_OLD_NAME_EDIT}) {
            SetContext("control " + std::to_string(id));
            CHECK(!IsWindowVisible(GetDlgItem(frame, id)));
        }
        SetContext("");
        const CRect cancel = RectIn(frame, IDCANCEL), ok = RectIn(frame, IDOK);
        const CRect label = RectIn(frame, CPickerDialog::ID_NAME_LABEL), name = RectIn(frame, CPickerDialog::ID_NAME_COMBO);
        const CRect list = RectIn(frame, CPickerDialog::ID_LIST_PLACEHOLDER);
        // OK stands left of Cancel on its row, 5 pixels apart, as large as Cancel's neighbour was.
        CHECK_EQ(ok.top, cancel.top);
        CHECK_EQ(ok.right, cancel.left - 5);
        CHECK(IsWindowVisible(GetDlgItem(frame, IDOK)));
        CHECK_EQ(WindowText(GetDlgItem(frame, IDOK)), CString(L"选择"));
        // The label and the name box share that row, left of OK, each clear of the next.
        CHECK_EQ(WindowText(GetDlgItem(frame, CPickerDialog::ID_NAME_LABEL)), CString(L"项目名："));
        CHECK(IsWindowVisible(GetDlgItem(frame, CPickerDialog::ID_NAME_LABEL)));
        CHECK(IsWindowVisible(GetDlgItem(frame, CPickerDialog::ID_NAME_COMBO)));
        CHECK_EQ(label.left, cancel.left - 375);
        CHECK_EQ(label.top, cancel.top + 5);
        CHECK_EQ(name.left, cancel.left - 320);
        CHECK_EQ(name.top, cancel.top);
        CHECK(name.right <= ok.left);  // the name box does not run under OK
        // The item list ends 5 pixels above that row.
        CHECK_EQ(list.bottom, cancel.top - 5);
        // The frame stands centred over the main dialog.
        CRect owner, self;
        GetWindowRect(main.window, &owner);
        GetWindowRect(frame, &self);
        CHECK(std::abs((owner.left + owner.right) - (self.left + self.right)) <= 2);
        CHECK(std::abs((owner.top + owner.bottom) - (self.top + self.bottom)) <= 2);
        // It opened in the remembered folder.
        CHECK(picker.Shows(L"photo1.jpg"));
    });
}

TEST_CASE(confirmed_selections_become_rows_folders_first) {
    Folder f;
    ProfileScope profile(&f.path);
    RunMainDialog([&](const Main& main) {
        {
            SetContext("two folders");
            Picker picker(main);
            REQUIRE(picker.Shows(L"B"));
            REQUIRE(picker.Select({L"相册 A", L"B"}));
            // In the order the dialog lists them.
            std::vector<CString> expected{f / L"相册 A", f / L"B"};
            if (picker.IndexOf(L"B") < picker.IndexOf(L"相册 A")) std::swap(expected[0], expected[1]);
            picker.PressOk();
            REQUIRE(picker.Closed());
            CHECK_PATHS(main.Paths(), expected);
            CHECK(main.Enabled(IDC_BTN_START));
            CHECK(main.Enabled(IDC_BTN_CLEAR));
            CHECK_EQ(main.Focus(), main.list);
        }
        SendMessageW(main.window, WM_COMMAND, MAKEWPARAM(IDC_BTN_CLEAR, BN_CLICKED), 0);
        {
            SetContext("two files and a folder: the folder first, then the files as the name box lists them");
            Picker picker(main);
            REQUIRE(picker.Shows(L"photo1.jpg"));
            REQUIRE(picker.Select({L"photo1.jpg", L"B", L"照片 3.jpg"}));
            const CString box = picker.NameBox();
            CHECK(box.Find(L"\"photo1.jpg\"") >= 0);
            CHECK(box.Find(L"\"照片 3.jpg\"") >= 0);
            std::vector<CString> expected{f / L"B"};
            for (const CString& p : Split(f.path + L"\\", box)) expected.push_back(p);
            picker.PressOk();
            REQUIRE(picker.Closed());
            CHECK_EQ(main.Rows(), 3);
            CHECK_PATHS(main.Paths(), expected);
        }
        SendMessageW(main.window, WM_COMMAND, MAKEWPARAM(IDC_BTN_CLEAR, BN_CLICKED), 0);
        {
            SetContext("one file");
            Picker picker(main);
            REQUIRE(picker.Shows(L"photo2.jpg"));
            REQUIRE(picker.Select({L"photo2.jpg"}));
            CHECK_EQ(picker.NameBox(), CString(L"photo2.jpg"));
            picker.PressOk();
            REQUIRE(picker.Closed());
            CHECK_PATHS(main.Paths(), (std::vector<CString>{f / L"photo2.jpg"}));
        }
        {
            SetContext("a double click on a file picks that file; rows are appended");
            Picker picker(main);
            REQUIRE(picker.Shows(L"photo1.jpg"));
            REQUIRE(picker.DoubleClick(L"photo1.jpg"));
            REQUIRE(picker.Closed());
            CHECK_PATHS(main.Paths(), (std::vector<CString>{f / L"photo2.jpg", f / L"photo1.jpg"}));
        }
        SetContext("");
        CHECK_EQ(StoredLastDir(), f.path);
    });
}

TEST_CASE(ok_with_nothing_selected_keeps_the_picker_open) {
    Folder f;
    ProfileScope profile(&f.path);
    RunMainDialog([&](const Main& main) {
        Picker picker(main);
        REQUIRE(picker.Shows(L"photo1.jpg"));
        REQUIRE(picker.Select({}));
        // Sent, not posted: when it returns the picker has answered it.
        SendMessageW(picker.Frame(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(picker.Frame(), IDOK)));
        CHECK(picker.Open());
        // A name typed without a selection cannot confirm it either.
        picker.TypeName(L"photo1.jpg");
        SendMessageW(picker.Frame(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(picker.Frame(), IDOK)));
        CHECK(picker.Open());
        // And the picker still works afterwards.
        REQUIRE(picker.Select({L"photo2.jpg"}));
        picker.PressOk();
        REQUIRE(picker.Closed());
        CHECK_PATHS(main.Paths(), (std::vector<CString>{f / L"photo2.jpg"}));
    });
}

TEST_CASE(cancel_leaves_the_list_the_buttons_and_last_dir_alone) {
    Folder f;
    ProfileScope profile(&f.path);
    CString lastDir;
    RunMainDialog(
        [&](const Main& main) {
            Picker picker(main);
            REQUIRE(picker.Shows(L"sub"));
            REQUIRE(picker.DoubleClick(L"sub"));  // into another folder
            REQUIRE(picker.Shows(L"inner.jpg"));
            REQUIRE(picker.Select({L"inner.jpg"}));
            picker.PressCancel();
            REQUIRE(picker.Closed());
            CHECK_EQ(main.Rows(), 0);
            CHECK(!main.Enabled(IDC_BTN_START));
            CHECK(!main.Enabled(IDC_BTN_CLEAR));
            CHECK(!main.Enabled(IDC_BTN_DELETE));
            CHECK_EQ(StoredLastDir(), f.path);
        },
        &lastDir);
    CHECK_EQ(lastDir, f.path);
}

TEST_CASE(confirming_remembers_the_folder_last_shown) {
    Folder f;
    ProfileScope profile(&f.path);
    CString lastDir;
    RunMainDialog(
        [&](const Main& main) {
            {
                SetContext("after opening another folder");
                Picker picker(main);
                REQUIRE(picker.Shows(L"sub"));
                REQUIRE(picker.DoubleClick(L"sub"));
                REQUIRE(picker.Shows(L"inner.jpg"));
                REQUIRE(picker.Select({L"inner.jpg"}));
                picker.PressOk();
                REQUIRE(picker.Closed());
                CHECK_PATHS(main.Paths(), (std::vector<CString>{f / L"sub\\inner.jpg"}));
                CHECK_EQ(StoredLastDir(), f / L"sub");
            }
            {
                SetContext("the next picker opens there; a confirmation that adds nothing still remembers");
                Picker picker(main);
                REQUIRE(picker.Shows(L"inner.jpg"));
                // Up one level, as the toolbar's button does it.
                PostMessageW(picker.Frame(), WM_COMMAND, MAKEWPARAM(0xA001, BN_CLICKED), 0);
                REQUIRE(picker.Shows(L"photo1.jpg"));
                REQUIRE(picker.Select({L"photo1.jpg"}));
                // The user empties the name box: a file stays selected but no name is given.
                picker.TypeName(L"");
                picker.PressOk();
                REQUIRE(picker.Closed());
                CHECK_EQ(main.Rows(), 1);
                CHECK_EQ(StoredLastDir(), f.path);
            }
        },
        &lastDir);
    CHECK_EQ(lastDir, f.path);
}

// The shell hides known extensions while this lives, as Windows does by
// default, and shows them again afterwards, as the other cases expect.
struct HiddenExtensions {
    HiddenExtensions() { Set(1); }
    ~HiddenExtensions() { Set(0); }
    static void Set(DWORD hide) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                        L"HideFileExt", REG_DWORD, &hide, sizeof(hide));
    }
};

TEST_CASE(every_picked_file_reaches_the_list_by_its_name_on_disk) {
    Folder f;
    std::vector<CString> camera;  // names of about 30 characters, as cameras write them
    for (int i = 0; i < 60; ++i) {
        camera.push_back(CString::Formatted(L"IMG_20240517_1432%02d_HDR.jpg", i));
        f.dir.File(camera.back(), 1);
    }
    struct Row {
        const char* label;
        bool hideExtensions;
        std::vector<CString> select;  // as the item list shows them
        const wchar_t* nameBox;       // written as Windows writes names as shown; null: as the dialog filled it
        std::vector<CString> rows;    // null: the name box's names, in its order
    };
    const Row rows[] = {
        {"60 photos picked in one go, in the order of the name box", false, camera, nullptr, {}},
        {"extensions hidden: several files", true, {L"photo1", L"照片 3", L"B"}, L"\"照片 3\" \"photo1\"",
         {f / L"B", f / L"照片 3.jpg", f / L"photo1.jpg"}},
        {"extensions hidden: one file", true, {L"photo2"}, L"photo2", {f / L"photo2.jpg"}},
    };
    ProfileScope profile(&f.path);
    RunMainDialog([&](const Main& main) {
        for (const Row& row : rows) {
            SetContext(row.label);
            SendMessageW(main.window, WM_COMMAND, MAKEWPARAM(IDC_BTN_CLEAR, BN_CLICKED), 0);
            std::unique_ptr<HiddenExtensions> hidden(row.hideExtensions ? new HiddenExtensions : nullptr);
            Picker picker(main);
            REQUIRE(picker.Shows(row.select.back()));
            REQUIRE(picker.Select(row.select));
            if (row.nameBox) picker.TypeName(row.nameBox);
            std::vector<CString> expected = row.rows;
            if (expected.empty()) {
                expected = Split(f.path + L"\\", picker.NameBox());
                CHECK_EQ(expected.size(), row.select.size());
            }
            picker.PressOk();
            REQUIRE(picker.Closed());
            CHECK_PATHS(main.Paths(), expected);
        }
    });
}

TEST_CASE(in_a_drive_root_the_paths_have_one_backslash) {
    // A file of our own in the root, so that a file can be picked there too.
    const CString rootFile = CString::Formatted(L"C:\\orlenza-picker-%lu.jpg", GetCurrentProcessId());
    CloseHandle(CreateFileW(rootFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const CString name = rootFile.Mid(3);
    const CString root = L"C:\\";
    ProfileScope profile(&root);
    RunMainDialog([&](const Main& main) {
        Picker picker(main);
        REQUIRE(picker.Shows(name));
        REQUIRE(picker.Select({L"windows", name}));
        picker.PressOk();
        REQUIRE(picker.Closed());
        CHECK_PATHS(main.Paths(), (std::vector<CString>{L"C:\\windows", rootFile}));
        CHECK_EQ(StoredLastDir(), CString(L"C:\\"));
    });
    DeleteFileW(rootFile);
}

}  // namespace

CWinApp testApp(L"OrlenzaPickerTest");
