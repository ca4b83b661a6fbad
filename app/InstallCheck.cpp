#include "InstallCheck.h"

namespace {

bool FileExists(const CString& path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// Whether the stored PATH names the folder; nullopt-like -1 when it cannot be read.
int StoredPathNamesFolder(const CString& appDir, const EnvironmentKey& environment) {
    HKEY key = nullptr;
    // Read access is all the check needs; asking for more would fail for
    // every user who cannot write machine settings, and silently skip the check.
    if (environment.open(environment.root, environment.subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return -1;
    wchar_t buffer[1024] = {};
    DWORD bytes = sizeof(buffer);
    const LONG status =
        RegQueryValueExW(key, L"PATH", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || bytes == 0) return -1;
    // The registry need not terminate what it stored; the last slot stays 0
    // only when the value is shorter than the buffer.
    const int chars = static_cast<int>(bytes / sizeof(wchar_t));
    CString path(buffer, chars < 1024 ? chars : 1023);
    path = CString(path.GetString());  // up to the first terminator
    path.Trim();
    CString upperPath(path), upperDir(appDir);
    upperPath.MakeUpper();
    upperDir.MakeUpper();
    return upperPath.Find(upperDir) >= 0 ? 1 : 0;
}

}  // namespace

EnvironmentKey MachineEnvironmentKey() {
    return {HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
            &RegOpenKeyExW};
}

InstallLevel CheckInstallation(const CString& appDir, const CString& toolPath, const EnvironmentKey& environment) {
    InstallLevel level = INSTALL_OK;
    if (StoredPathNamesFolder(appDir, environment) == 0) level = INSTALL_DAMAGED;
    if (!FileExists(appDir + L"\\jpegtran.exe")) level = INSTALL_DAMAGED;
    if (!FileExists(toolPath)) level = INSTALL_TOOL_MISSING;
    return level;
}
