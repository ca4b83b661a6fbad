// pathentry.exe: the installer's hands on the machine PATH. The installer's
// own string handling cuts values at a fixed length, and a PATH written back
// cut short breaks the whole machine; this program reads and writes the value
// whole, whatever its length, and keeps its type.
//
//   pathentry add FOLDER             0 appended, 1 already named (unchanged),
//                                    2 PATH was missing and now holds FOLDER
//   pathentry remove FOLDER          0 taken out, 1 not named (unchanged)
//   pathentry remove-created FOLDER  as remove, and deletes the value when
//                                    nothing else is left in it
//   any failure                      3, with the value untouched
#include "PathEntry.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

constexpr int kChanged = 0, kUnchanged = 1, kCreated = 2, kFailed = 3;
const wchar_t* const kEnvironmentKey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
// Windows' own spelling; an existing value keeps whatever spelling it has.
const wchar_t* const kValueName = L"Path";

struct StoredPath {
    bool present = false;
    DWORD type = REG_EXPAND_SZ;  // what a missing value is created as
    std::wstring text;
};

bool Read(HKEY key, StoredPath* stored) {
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        DWORD type = 0, bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        const LONG status = RegQueryValueExW(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
        if (status == ERROR_FILE_NOT_FOUND) return true;
        if (status == ERROR_MORE_DATA) {  // grown meanwhile, or longer than the buffer
            buffer.resize(bytes / sizeof(wchar_t) + 2);
            continue;
        }
        // Any other kind of value is no list of folders we know how to edit.
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        const size_t chars = bytes / sizeof(wchar_t);
        stored->present = true;
        stored->type = type;
        // Up to the terminator, which the registry does not promise to store.
        stored->text.assign(buffer.data(), chars);
        stored->text.resize(wcsnlen(stored->text.c_str(), chars));
        return true;
    }
}

bool Write(HKEY key, const StoredPath& stored) {
    const DWORD bytes = static_cast<DWORD>((stored.text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, kValueName, 0, stored.type, reinterpret_cast<const BYTE*>(stored.text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

// Running programs (Explorer above all) read the machine environment again
// only when told; a hung window must not hold the installer up.
void AnnounceChange() {
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
}

int Run(const std::wstring& verb, const std::wstring& folder) {
    const bool add = verb == L"add", removeCreated = verb == L"remove-created";
    if ((!add && verb != L"remove" && !removeCreated) || folder.empty() || folder.find(L';') != std::wstring::npos)
        return kFailed;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return kFailed;
    StoredPath stored;
    int result = kFailed;
    if (Read(key, &stored)) {
        if (add && pathentry::HoldsFolder(stored.text, folder)) {
            result = kUnchanged;
        } else if (add) {
            stored.text = pathentry::WithFolder(stored.text, folder);
            if (Write(key, stored)) result = stored.present ? kChanged : kCreated;
        } else if (!pathentry::WithoutFolder(stored.text, folder)) {
            result = kUnchanged;
        } else if (removeCreated && stored.text.empty()) {
            if (RegDeleteValueW(key, kValueName) == ERROR_SUCCESS) result = kChanged;
        } else if (Write(key, stored)) {
            result = kChanged;
        }
    }
    RegCloseKey(key);
    if (result == kChanged || result == kCreated) AnnounceChange();
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const int result = argv && argc == 3 ? Run(argv[1], argv[2]) : kFailed;
    LocalFree(argv);
    return result;
}
