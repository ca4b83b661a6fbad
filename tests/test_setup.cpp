// The installer, installed (again, where that can go wrong) and taken away in
// a throwaway Wine prefix (tests/test_setup.sh makes it and names the
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
    const struct {
        const char* label;
        std::wstring before;
        bool named;          // the folder counts as there already
        std::wstring after;  // appended unless named, then taken out
    } rows[] = {
        {"an empty value", L"", false, L""},
        {"a value ending in a separator", L"C:\\A;", false, L"C:\\A;"},
        {"another case, a trailing backslash", L"C:\\A;c:\\program files\\ORLENZA\\", true, L"C:\\A"},
        {"quoted, with blanks, first", L" \"C:\\Program Files\\Orlenza\" ;C:\\A", true, L"C:\\A"},
        {"a longer name", L"C:\\Program Files\\Orlenza2", false, L"C:\\Program Files\\Orlenza2"},
        {"twice: the last one goes", dir + L";%SystemRoot%;" + dir, true, dir + L";%SystemRoot%"},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        CHECK_EQ(pathentry::HoldsFolder(row.before, dir), row.named);
        std::wstring path = row.named ? row.before : WithFolder(row.before, dir);
        CHECK(pathentry::WithoutFolder(path, dir) && path == row.after);
        CHECK(!pathentry::WithoutFolder(path, L"C:\\Orlenza") && path == row.after);
    }
}

const wchar_t* const kEnvironment = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const DWORD kAsFound = ~0u;  // a PATH type: leave the prefix's PATH as it is

struct StoredPath {
    DWORD type = REG_NONE;  // REG_NONE: no PATH at all
    std::vector<BYTE> bytes;
    bool operator==(const StoredPath& o) const { return type == o.type && bytes == o.bytes; }
    std::wstring Text() const { return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2).c_str(); }
};

StoredPath ReadPath() {
    StoredPath s;
    DWORD bytes = 0, flags = RRF_RT_ANY | RRF_NOEXPAND;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironment, L"PATH", flags, &s.type, nullptr, &bytes) != ERROR_SUCCESS)
        return {};
    s.bytes.resize(bytes);
    RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironment, L"PATH", flags, nullptr, s.bytes.data(), &bytes);
    return s;
}

void StorePath(DWORD type, const std::wstring& text) {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironment, 0, KEY_SET_VALUE, &key);
    if (type == REG_NONE) RegDeleteValueW(key, L"PATH");
    if (type != REG_NONE && type != kAsFound)
        RegSetValueExW(key, L"PATH", 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

CString Folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

CString Setup() { return _wgetenv(L"ORLENZA_SETUP"); }

DWORD RunSilently(const CString& exe, const wchar_t* more = L"") {
    testkit::Program program(exe, CString(L"/S") + more);
    DWORD code = ~0u;
    return program.WaitForExit(60000, &code) ? code : ~0u;
}

bool Exists(const CString& path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

CString Registration(const wchar_t* name) {
    wchar_t text[MAX_PATH] = {};
    DWORD bytes = sizeof(text);
    RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orlenza", name,
                 RRF_RT_REG_SZ, nullptr, text, &bytes);
    return text;
}

// Uninstalls from `dir`: the uninstaller goes on in a copy of itself, which
// removes the folder last.
void Uninstall(const CString& dir) {
    CHECK_EQ(RunSilently(dir + L"\\uninstall.exe"), 0ul);
    CHECK(testkit::WaitUntil([&] { return !Exists(dir); }, 30000));
}

const std::wstring kWinePath = L"%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\system32\\wbem";

// Each row stores a PATH, installs (twice where a second install could add
// the entry again) and uninstalls; the first row takes the fresh prefix's
// PATH as it is, and starts the installed program.
TEST_CASE(install_and_uninstall_give_the_path_back) {
    std::wstring longPath = kWinePath;
    for (int i = 0; longPath.size() < 4000; ++i) longPath += L";%SystemRoot%\\Tools\\t" + std::to_wstring(i);
    longPath.resize(4000);
    const CString dir = Folder(CSIDL_PROGRAM_FILES) + L"\\Orlenza";
    const CString shortcut = Folder(CSIDL_COMMON_PROGRAMS) + L"\\Orlenza.lnk";
    const struct {
        const char* label;
        DWORD type;  // of PATH before the install: REG_NONE for none, or kAsFound
        std::wstring before;
        DWORD installExit;
        bool adds;  // the installer is to add the folder, and so take it out again
        int installs;
    } rows[] = {
        {"the prefix's PATH", kAsFound, L"", 0, true, 2},
        {"a PATH of 4000 characters", REG_EXPAND_SZ, longPath, 0, true, 2},
        {"no PATH: one is made", REG_NONE, L"", 0, true, 1},
        {"the folder there already: kept", REG_SZ, kWinePath + L";" + (dir + L"\\").MakeUpper().GetString(), 0, false, 1},
        // A silent install says by its exit code that it left PATH alone.
        {"no list of folders: left alone", REG_MULTI_SZ, kWinePath, 2, false, 1},
    };
    for (const auto& row : rows) {
        StorePath(row.type, row.before);
        const StoredPath before = ReadPath();
        const std::wstring installed = row.adds ? WithFolder(before.Text(), dir.GetString()) : before.Text();
        for (int round = 1; round <= row.installs; ++round) {
            testkit::SetContext(std::string(row.label) + ", install " + std::to_string(round));
            CHECK_EQ(RunSilently(Setup()), row.installExit);
            for (const wchar_t* file : {L"Orlenza.exe", L"jhead.exe", L"jpegtran.exe", L"使用说明.txt",
                                        L"licenses\\jhead.txt", L"licenses\\libjpeg-turbo.txt"})
                CHECK(Exists(dir + L"\\" + file));
            CHECK(Exists(shortcut));
            CHECK_EQ(Registration(L"UninstallString"), L"\"" + dir + L"\\uninstall.exe\"");
            const StoredPath after = ReadPath();
            CHECK_EQ(CString(after.Text()), CString(installed));
            CHECK_EQ(after.type, before.type != REG_NONE || !row.adds ? before.type : static_cast<DWORD>(REG_EXPAND_SZ));
        }
        if (&row == rows) {  // with no installation warning in front of its dialog
            testkit::Program program(dir + L"\\Orlenza.exe");
            HWND first = testkit::WaitForTopWindow(L"#32770", L"Orlenza", program.Pid());
            CHECK(first && GetDlgItem(first, IDC_LIST_ENTRIES));
            if (first) testkit::PostKey(GetDlgItem(first, IDC_LIST_ENTRIES), VK_ESCAPE);
            CHECK(program.WaitForExit(15000));
        }
        testkit::SetContext(std::string(row.label) + ", uninstall");
        Uninstall(dir);
        CHECK(!Exists(shortcut));
        CHECK(Registration(L"UninstallString").IsEmpty());
        CHECK(ReadPath() == before);
    }
    testkit::SetContext("");
}

// Into another folder: the first folder's entry goes, and the first folder's
// uninstaller, no longer registered, leaves PATH alone.
TEST_CASE(reinstall_elsewhere_moves_the_entry) {
    StorePath(REG_EXPAND_SZ, kWinePath);
    const StoredPath before = ReadPath();
    const CString first = Folder(CSIDL_PROGRAM_FILES) + L"\\Orlenza", second = L"C:\\Orlenza2";
    CHECK_EQ(RunSilently(Setup()), 0ul);
    CHECK_EQ(RunSilently(Setup(), L" /D=C:\\Orlenza2"), 0ul);
    CHECK_EQ(CString(ReadPath().Text()), CString(WithFolder(before.Text(), second.GetString())));
    for (const CString& dir : {second, first}) {
        Uninstall(dir);
        CHECK(ReadPath() == before);
    }
}

}  // namespace
