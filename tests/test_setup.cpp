// The installer, installed, installed again and taken away in a throwaway
// Wine prefix (tests/test_setup.sh makes one per case and names the
// installer in ORLENZA_SETUP): the files, the Start-menu entry and the
// registration come and go, and the machine PATH gains the program folder
// once and is given back byte for byte, type included.
#include "PathEntry.h"
#include "harness.h"
#include "program.h"
#include "resource.h"

#include <shlobj.h>

#include <string>
#include <vector>

namespace {

using pathentry::WithFolder;

TEST_CASE(path_entries_are_appended_once_and_taken_out_exactly) {
    const std::wstring dir = L"C:\\Program Files\\Orlenza";
    struct Row {
        const char* label;
        std::wstring before;
        bool named;          // the folder counts as there already
        std::wstring after;  // once taken out again (named: the last naming entry)
    } rows[] = {
        {"an empty value", L"", false, L""},
        {"a value ending in a separator", L"C:\\A;", false, L"C:\\A;"},
        {"another case, a trailing backslash", L"C:\\A;c:\\program files\\ORLENZA\\", true, L"C:\\A"},
        {"quoted, with blanks", L" \"C:\\Program Files\\Orlenza\" ;C:\\A", true, L"C:\\A"},
        {"a longer name is another folder", L"C:\\Program Files\\Orlenza2;C:\\A", false, L"C:\\Program Files\\Orlenza2;C:\\A"},
        {"twice: the last one goes", dir + L";%SystemRoot%;" + dir, true, dir + L";%SystemRoot%"},
    };
    for (const Row& row : rows) {
        testkit::SetContext(row.label);
        CHECK_EQ(pathentry::HoldsFolder(row.before, dir), row.named);
        std::wstring path = row.named ? row.before : WithFolder(row.before, dir);
        CHECK(pathentry::WithoutFolder(path, dir));
        CHECK_EQ(CString(path.c_str()), CString(row.after.c_str()));
    }
    std::wstring other = L"C:\\A;C:\\Orlenza";
    CHECK(!pathentry::WithoutFolder(other, dir) && other == L"C:\\A;C:\\Orlenza");
}

const wchar_t* const kEnvironment = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const wchar_t* const kRegistration = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orlenza";

struct StoredPath {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
    bool operator==(const StoredPath& o) const { return present == o.present && type == o.type && bytes == o.bytes; }
    std::wstring Text() const { return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2).c_str(); }
};

StoredPath ReadPath() {
    StoredPath stored;
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironment, L"PATH", RRF_RT_ANY | RRF_NOEXPAND, &stored.type, nullptr,
                     &bytes) != ERROR_SUCCESS)
        return stored;
    stored.bytes.resize(bytes);
    stored.present = RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironment, L"PATH", RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                                  stored.bytes.data(), &bytes) == ERROR_SUCCESS;
    return stored;
}

const DWORD kAsFound = ~0u;  // leave the prefix's PATH as it is

void StorePath(DWORD type, const std::wstring& text) {
    if (type == kAsFound) return;
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironment, 0, KEY_SET_VALUE, &key);
    if (type == REG_NONE)
        RegDeleteValueW(key, L"PATH");
    else
        RegSetValueExW(key, L"PATH", 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

CString Folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

DWORD RunAndWait(const CString& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring line(commandLine.GetString());
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return ~0u;
    DWORD code = ~0u;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

bool Exists(const CString& path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

bool Registered() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRegistration, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The program from the Start menu's folder: its dialog comes up with no
// installation warning in front of it, and Escape ends it.
void StartsWithoutWarning(const CString& exe) {
    testkit::Program program(exe);
    REQUIRE(program.Started());
    HWND first = testkit::WaitForTopWindow(L"#32770", L"Orlenza", program.Pid());
    CHECK(first && GetDlgItem(first, IDC_LIST_ENTRIES));
    if (first) testkit::PostKey(GetDlgItem(first, IDC_LIST_ENTRIES), VK_ESCAPE);
    CHECK(program.WaitForExit(15000));
}

struct Scenario {
    DWORD type;  // of PATH before the install; REG_NONE: no PATH at all; or kAsFound
    std::wstring before;
    DWORD installExit;
    bool adds;  // the installer is to add the folder (and so take it out again)
};

void InstallTwiceAndUninstall(const Scenario& s, bool startProgram = false) {
    wchar_t setup[MAX_PATH] = {};
    REQUIRE(GetEnvironmentVariableW(L"ORLENZA_SETUP", setup, MAX_PATH) > 0);
    const CString dir = Folder(CSIDL_PROGRAM_FILES) + L"\\Orlenza";
    const CString shortcut = Folder(CSIDL_COMMON_PROGRAMS) + L"\\Orlenza.lnk";
    const std::wstring folder(dir.GetString());
    StorePath(s.type, s.before);
    const StoredPath before = ReadPath();
    const std::wstring installed = s.adds ? WithFolder(before.Text(), folder) : before.Text();

    for (const char* round : {"install", "install again"}) {
        testkit::SetContext(round);
        CHECK_EQ(RunAndWait(CString(L"\"") + setup + L"\" /S"), s.installExit);
        for (const wchar_t* file : {L"Orlenza.exe", L"jhead.exe", L"jpegtran.exe", L"使用说明.txt",
                                    L"licenses\\jhead.txt", L"licenses\\libjpeg-turbo.txt", L"uninstall.exe"})
            CHECK(Exists(dir + L"\\" + file));
        CHECK(Exists(shortcut));
        CHECK(Registered());
        const StoredPath after = ReadPath();
        CHECK_EQ(CString(after.Text().c_str()), CString(installed.c_str()));
        CHECK_EQ(after.type, before.present ? before.type : static_cast<DWORD>(s.adds ? REG_EXPAND_SZ : 0));
    }
    if (startProgram) StartsWithoutWarning(dir + L"\\Orlenza.exe");

    testkit::SetContext("uninstall");
    // The uninstaller runs on from a copy of itself, which removes the folder last.
    CHECK_EQ(RunAndWait(L"\"" + dir + L"\\uninstall.exe\" /S"), 0ul);
    CHECK(testkit::WaitUntil([&] { return !Exists(dir); }, 30000));
    CHECK(!Exists(shortcut));
    CHECK(!Registered());
    CHECK(ReadPath() == before);
}

const std::wstring kWinePath = L"%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\system32\\wbem";

TEST_CASE(install_on_the_prefix_path) {
    InstallTwiceAndUninstall({kAsFound, L"", 0, true}, true);
}

TEST_CASE(install_on_a_path_of_4000_characters) {
    std::wstring path = kWinePath;
    for (int i = 0; path.size() < 4000; ++i) path += L";%SystemRoot%\\Tools\\t" + std::to_wstring(i);
    path.resize(4000);
    InstallTwiceAndUninstall({REG_EXPAND_SZ, path, 0, true});
}

TEST_CASE(install_without_a_path_creates_one) {
    InstallTwiceAndUninstall({REG_NONE, L"", 0, true});
}

TEST_CASE(install_keeps_an_entry_that_was_there) {
    InstallTwiceAndUninstall({REG_SZ, kWinePath + L";" + (Folder(CSIDL_PROGRAM_FILES) + L"\\ORLENZA\\").GetString(), 0, false});
}

// A PATH of a type no program reads as a list of folders: left alone, and a
// silent install says so by its exit code.
TEST_CASE(install_leaves_a_path_it_cannot_edit_alone) {
    InstallTwiceAndUninstall({REG_MULTI_SZ, kWinePath, 2, false});
}

}  // namespace
