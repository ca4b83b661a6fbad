// The installation check: which states of the tools and of the stored
// machine PATH raise the warning. The PATH is read from a key of the test's
// own, through an opener that behaves like the registry for a standard user:
// it refuses any access beyond reading.
#include "InstallCheck.h"
#include "harness.h"

#include <string>

namespace {

const wchar_t* kKey = L"Software\\pivotdesk-test-install\\Environment";

REGSAM g_lastAccess = 0;

// A standard user's view of the machine key: readable, not writable.
LONG WINAPI OpenAsStandardUser(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY key) {
    g_lastAccess = access;
    const REGSAM writeRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | WRITE_OWNER | DELETE;
    if (access & writeRights) return ERROR_ACCESS_DENIED;
    return RegOpenKeyExW(root, subKey, options, access, key);
}

EnvironmentKey TestKey() { return {HKEY_CURRENT_USER, kKey, &OpenAsStandardUser}; }

void StorePath(const wchar_t* value, DWORD type = REG_EXPAND_SZ, DWORD bytes = ~0u) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (value) {
        if (bytes == ~0u) bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
        RegSetValueExW(key, L"PATH", 0, type, reinterpret_cast<const BYTE*>(value), bytes);
    } else {
        RegDeleteValueW(key, L"PATH");
    }
    RegCloseKey(key);
}

// A program folder with the tools it should hold.
struct Installation {
    testkit::TempDir dir;
    Installation(const wchar_t* name, bool jhead, bool jpegtran) : dir(name) {
        if (jhead) dir.File(L"jhead.exe", 10);
        if (jpegtran) dir.File(L"jpegtran.exe", 10);
    }
    CString AppDir() const { return dir.Path(); }
    CString ToolPath() const { return dir.Path() + L"\\jhead.exe"; }
};

CString Padded(const CString& path, int totalLength) {
    CString value = path;
    while (value.GetLength() < totalLength) value += L";C:\\x";
    return value.Left(totalLength);
}

TEST_CASE(the_stored_path_decides_whether_a_complete_installation_warns) {
    Installation install(L"Rot", true, true);
    CString upper = install.AppDir();
    upper.MakeUpper();
    const CString others = L"%SystemRoot%\\system32;%SystemRoot%";
    struct Row {
        const char* label;
        CString path;  // empty: no value stored
        InstallLevel expected;
    } const rows[] = {
        {"folder listed", others + L";" + install.AppDir(), INSTALL_OK},
        {"folder listed in other case, inside a longer name", L"  " + upper + L"2;" + others + L" \t", INSTALL_OK},
        {"folder missing", others, INSTALL_DAMAGED},
        {"folder only through a variable", L"%ORLENZA_HOME%;" + others, INSTALL_DAMAGED},
        // 1023 characters and the terminator fill the 1024-character buffer;
        // one more and the value is not read, so nothing can be missing from it.
        {"1023 characters without the folder", Padded(others, 1023), INSTALL_DAMAGED},
        {"1024 characters without the folder", Padded(others, 1024), INSTALL_OK},
        {"4000 characters without the folder", Padded(others, 4000), INSTALL_OK},
        {"no value", CString(), INSTALL_OK},
    };
    for (const Row& row : rows) {
        testkit::SetContext(row.label);
        StorePath(row.path.IsEmpty() ? nullptr : row.path.GetString());
        CHECK_EQ(CheckInstallation(install.AppDir(), install.ToolPath(), TestKey()), row.expected);
    }
    testkit::SetContext("an empty value");
    StorePath(L"", REG_SZ, 0);
    CHECK_EQ(CheckInstallation(install.AppDir(), install.ToolPath(), TestKey()), INSTALL_OK);
    testkit::SetContext("a value without terminator");
    StorePath(install.AppDir(), REG_SZ, static_cast<DWORD>(install.AppDir().GetLength() * sizeof(wchar_t)));
    CHECK_EQ(CheckInstallation(install.AppDir(), install.ToolPath(), TestKey()), INSTALL_OK);
    testkit::SetContext("no key");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\pivotdesk-test-install");
    CHECK_EQ(CheckInstallation(install.AppDir(), install.ToolPath(), TestKey()), INSTALL_OK);
}

TEST_CASE(missing_tools_raise_the_level_whatever_the_path_says) {
    struct Row {
        const char* label;
        bool jhead, jpegtran, folderListed;
        InstallLevel expected;
    } const rows[] = {
        {"jpegtran missing", true, false, true, INSTALL_DAMAGED},
        {"jhead missing", false, true, true, INSTALL_TOOL_MISSING},
        {"both missing", false, false, true, INSTALL_TOOL_MISSING},
        {"both missing, folder not listed", false, false, false, INSTALL_TOOL_MISSING},
        {"jpegtran missing, folder not listed", true, false, false, INSTALL_DAMAGED},
    };
    for (const Row& row : rows) {
        testkit::SetContext(row.label);
        Installation install(L"Tools", row.jhead, row.jpegtran);
        StorePath(row.folderListed ? install.AppDir().GetString() : L"C:\\windows");
        CHECK_EQ(CheckInstallation(install.AppDir(), install.ToolPath(), TestKey()), row.expected);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\pivotdesk-test-install");
}

TEST_CASE(the_machine_key_is_opened_for_reading_only) {
    // A user who may not write machine settings must still have the search
    // path checked: a missing entry there is reported.
    Installation install(L"ReadOnly", true, true);
    StorePath(L"C:\\windows");
    g_lastAccess = 0;
    CHECK_EQ(CheckInstallation(install.AppDir(), install.ToolPath(), TestKey()), INSTALL_DAMAGED);
    CHECK_EQ(g_lastAccess, static_cast<REGSAM>(KEY_QUERY_VALUE));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\pivotdesk-test-install");
}

}  // namespace
