#include "App.h"

#include <vector>

#include "Exceptions.h"

namespace {

CWinApp* g_app = nullptr;  // set by the application object's constructor

CString ModuleBaseName(HINSTANCE module) {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    CString name(path, static_cast<int>(n));
    const int slash = name.ReverseFind(L'\\');
    if (slash >= 0) name = name.Mid(slash + 1);
    const int dot = name.ReverseFind(L'.');
    if (dot > 0) name = name.Left(dot);
    return name;
}

// Closes a registry key when it goes out of scope.
struct ScopedKey {
    HKEY key = nullptr;
    ~ScopedKey() {
        if (key) RegCloseKey(key);
    }
};

}  // namespace

CWinApp::CWinApp(const wchar_t* appName)
    : m_hInstance(GetModuleHandleW(nullptr)),
      m_hResource(m_hInstance),
      m_strAppName(appName && *appName ? CString(appName) : ModuleBaseName(nullptr)) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetRegistryKey(const wchar_t* company) { m_strRegistryKey = company; }

CString CWinApp::ProfileKeyPath(const wchar_t* section) const {
    CString path = L"Software\\" + m_strRegistryKey + L"\\" + m_strAppName;
    if (section && *section) path += CString(L"\\") + section;
    return path;
}

CString CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                  const wchar_t* defaultValue) const {
    const CString fallback(defaultValue);
    if (m_strRegistryKey.IsEmpty() || !entry) return fallback;
    ScopedKey k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ProfileKeyPath(section), 0, KEY_QUERY_VALUE, &k.key) != ERROR_SUCCESS)
        return fallback;
    // The value may grow between the size query and the read; retry then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, bytes = 0;
        if (RegQueryValueExW(k.key, entry, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return fallback;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return fallback;
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        const LONG status = RegQueryValueExW(k.key, entry, nullptr, &type,
                                             reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return fallback;
        // A stored string need not be terminated; cut at the first terminator.
        return CString(buffer.data());
    }
    return fallback;
}

BOOL CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value) {
    if (m_strRegistryKey.IsEmpty() || !entry) return FALSE;
    ScopedKey k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, ProfileKeyPath(section), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &k.key, nullptr) != ERROR_SUCCESS)
        return FALSE;
    if (!value) return RegDeleteValueW(k.key, entry) == ERROR_SUCCESS;
    const CString text(value);
    const DWORD bytes = static_cast<DWORD>((text.GetLength() + 1) * sizeof(wchar_t));
    return RegSetValueExW(k.key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.GetString()), bytes) ==
           ERROR_SUCCESS;
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : GetModuleHandleW(nullptr); }
HINSTANCE AfxGetResourceHandle() { return g_app ? g_app->m_hResource : GetModuleHandleW(nullptr); }

BOOL AfxRegisterClass(WNDCLASSW* wndClass) {
    WNDCLASSW existing;
    if (GetClassInfoW(wndClass->hInstance, wndClass->lpszClassName, &existing)) return TRUE;
    return RegisterClassW(wndClass) != 0;
}

void AfxThrowResourceException() { throw CResourceException(); }

int AfxWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
