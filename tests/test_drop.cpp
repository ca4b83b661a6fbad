// Dropping files and folders on the built Orlenza.exe from outside, as the
// shell does it: a DROPFILES block written into the program's memory and
// WM_DROPFILES posted to its dialog. The rows, their texts, the buttons and
// the focus are read back across the process boundary.
#include "harness.h"
#include "program.h"
#include "remote_dialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using testkit::SetContext;

constexpr int kList = 1000;
constexpr int kDelete = 1002;
constexpr int kClear = 1003;
constexpr int kStart = 1004;

// Reads row texts of another process's list: the list view writes into a
// buffer that must lie in its own process.
class RemoteListReader {
public:
    RemoteListReader(HANDLE process, HWND list) : m_process(process), m_list(list) {
        m_remote = static_cast<BYTE*>(
            VirtualAllocEx(process, nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteListReader() {
        if (m_remote) VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
    }
    RemoteListReader(const RemoteListReader&) = delete;
    RemoteListReader& operator=(const RemoteListReader&) = delete;

    bool Ready() const { return m_remote != nullptr; }

    CString Text(int row, int column) const {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(m_remote + sizeof(LVITEMW));
        item.cchTextMax = kChars;
        SIZE_T done = 0;
        if (!WriteProcessMemory(m_process, m_remote, &item, sizeof(item), &done)) return L"(unwritable)";
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(m_list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(m_remote),
                                 SMTO_ABORTIFHUNG, 5000, &length))
            return L"(no answer)";
        std::vector<wchar_t> text(kChars + 1, L'\0');
        if (!ReadProcessMemory(m_process, m_remote + sizeof(LVITEMW), text.data(), kChars * sizeof(wchar_t), &done))
            return L"(unreadable)";
        return CString(text.data());
    }

private:
    static constexpr int kChars = 1024;
    static constexpr SIZE_T kBytes = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
    HANDLE m_process;
    HWND m_list;
    BYTE* m_remote = nullptr;
};

TEST_CASE(files_and_folders_dropped_from_outside_become_rows) {
    // A copy without the tools beside it: the program warns once at start.
    testkit::TempDir app(L"drop-app");
    const CString exe = testkit::CopyOfProgram(app.Path());
    REQUIRE(!exe.IsEmpty());
    testkit::TempDir files(L"drop-files");
    const CString photo = files.File(L"photo.jpg", 3000);
    REQUIRE(testkit::SetLastWrite(photo, testkit::UtcFileTime(2011, 12, 2, 8, 5)));
    const CString empty = files.File(L"照片 空.jpg");
    const CString folder = files.Folder(L"相册");
    files.File(L"相册\\inside.jpg", 10);
    REQUIRE(testkit::SetLastWrite(folder, testkit::UtcFileTime(2009, 7, 14, 21, 0)));
    const CString longName = files.Path() + L"\\" + CString(std::wstring(280, L'n').c_str()) + L".jpg";

    testkit::Program program(exe);
    REQUIRE(program.Started());
    std::vector<testkit::MessageBoxSeen> warnings;
    HWND dialog = remote::WaitForMainDialog(program.Pid(), &warnings);
    REQUIRE(dialog);
    CHECK_EQ(warnings.size(), 1u);
    HWND list = GetDlgItem(dialog, kList);
    RemoteListReader rows(program.Process(), list);
    REQUIRE(rows.Ready());

    REQUIRE(remote::Drop(program.Process(), dialog, {photo, folder, empty, longName}));
    struct Row {
        const char* label;
        CString path;
        const wchar_t* date;
        const wchar_t* size;
    };
    const Row expected[] = {
        {"a file", photo, L"2011.12.2 08:05", L"2"},
        {"a folder, not expanded", folder, L"2009.7.14 21:00", L"文件夹"},
        {"an empty file", empty, nullptr, L"0"},
        {"a name longer than 259 characters, whole", longName, L"", L""},
    };
    REQUIRE(remote::RowCount(dialog) == 4);
    for (int i = 0; i < 4; ++i) {
        SetContext(expected[i].label);
        CHECK_EQ(rows.Text(i, 0), expected[i].path);
        if (expected[i].date) CHECK_EQ(rows.Text(i, 1), CString(expected[i].date));
        CHECK_EQ(rows.Text(i, 2), CString(expected[i].size));
    }
    SetContext("");
    CHECK(!rows.Text(2, 1).IsEmpty());
    CHECK(remote::IsControlEnabled(dialog, kStart));
    CHECK(remote::IsControlEnabled(dialog, kClear));
    CHECK(!remote::IsControlEnabled(dialog, kDelete));
    CHECK_EQ(testkit::FocusOf(dialog), list);

    // A large drop keeps the shell's order, name by name, after the rows there are.
    std::vector<CString> many;
    for (int i = 0; i < 300; ++i) many.push_back(files.Path() + CString::Formatted(L"\\gone-%03d.jpg", 299 - i));
    REQUIRE(remote::Drop(program.Process(), dialog, many));
    REQUIRE(remote::RowCount(dialog) == 304);
    int outOfOrder = 0;
    for (int i = 0; i < 300; ++i)
        if (rows.Text(4 + i, 0) != many[static_cast<size_t>(i)]) ++outOfOrder;
    CHECK_EQ(outOfOrder, 0);
    CHECK_EQ(rows.Text(0, 0), photo);

    // Escape in the list ends the program.
    testkit::PostKey(list, VK_ESCAPE);
    CHECK(program.WaitForExit(10000));
}

}  // namespace
