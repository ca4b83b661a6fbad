#include "harness.h"

#include "App.h"

#include <commctrl.h>

#include <cstdio>
#include <mutex>

#include "Gdi.h"

namespace testkit {
namespace {

std::mutex g_lock;  // checks may come from a driver thread
int g_failures = 0;
int g_caseFailures = 0;
std::string g_context;

constexpr DWORD kCaseTimeoutMs = 120000;

std::vector<Case>& Cases() {
    static std::vector<Case> cases;
    return cases;
}

struct FindArgs {
    const wchar_t* className;
    const wchar_t* title;
    DWORD pid;
    HWND exclude;
    HWND found;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM lParam) {
    auto* args = reinterpret_cast<FindArgs*>(lParam);
    if (hwnd == args->exclude || !IsWindowVisible(hwnd)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (args->pid && pid != args->pid) return TRUE;
    wchar_t buffer[256] = {};
    if (args->className) {
        GetClassNameW(hwnd, buffer, 256);
        if (wcscmp(buffer, args->className) != 0) return TRUE;
    }
    if (args->title) {
        GetWindowTextW(hwnd, buffer, 256);
        if (wcscmp(buffer, args->title) != 0) return TRUE;
    }
    args->found = hwnd;
    return FALSE;
}

// Which system icon a message box shows, told by its pixels: the icon's
// handle belongs to the box's process and cannot be compared from another.
LPCWSTR RecogniseIcon(HWND iconControl) {
    RECT r;
    GetClientRect(iconControl, &r);
    const int w = r.right, h = r.bottom;
    if (w < 32 || h < 32) return nullptr;
    CDibSurface shown(w, h);
    // Read from the screen: under Wine a window's own DC shows only what this
    // process drew into it.
    POINT origin{0, 0};
    ClientToScreen(iconControl, &origin);
    HDC source = GetDC(nullptr);
    shown.BitBlt(0, 0, w, h, source, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, source);
    const DWORD* shownBits = shown.Bits();
    const DWORD background = shownBits[0];
    LPCWSTR best = nullptr;
    long bestMatches = -1;
    for (LPCWSTR candidate : {IDI_EXCLAMATION, IDI_INFORMATION, IDI_ERROR, IDI_QUESTION}) {
        CDibSurface drawn(w, h);
        DWORD* drawnBits = drawn.Bits();
        for (int i = 0; i < w * h; ++i) drawnBits[i] = background;
        drawn.DrawIconEx(0, 0, LoadIconW(nullptr, candidate), 32, 32);
        drawnBits = drawn.Bits();
        long matches = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) matches += (drawnBits[y * w + x] & 0xFFFFFF) == (shownBits[y * w + x] & 0xFFFFFF);
        if (matches > bestMatches) {
            bestMatches = matches;
            best = candidate;
        }
    }
    // Nearly every pixel must agree; a blank control matches nothing well.
    return bestMatches >= 32 * 32 * 9 / 10 ? best : nullptr;
}

}  // namespace

void ReportFailure(const char* file, int line, const std::string& what) {
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_failures;
    ++g_caseFailures;
    std::printf("%s:%d: FAILED %s%s%s\n", file, line, what.c_str(), g_context.empty() ? "" : "  [",
                g_context.empty() ? "" : (g_context + "]").c_str());
    std::fflush(stdout);
}

bool AnyFailure() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_failures != 0;
}

void SetContext(const std::string& label) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_context = label;
}

std::string Narrow(const wchar_t* text) {
    if (!text) return "(null)";
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

// Appending in place: GCC 12 at -O3 reports a false -Wrestrict for
// "\"" + std::string(...) + "\"".
static std::string Quoted(const std::string& s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    out += s;
    out += '"';
    return out;
}

std::string Describe(const CString& s) { return Quoted(Narrow(s)); }
std::string Describe(const wchar_t* s) { return Quoted(Narrow(s)); }
std::string Describe(const char* s) { return Quoted(s ? s : "(null)"); }
std::string Describe(const std::string& s) { return Quoted(s); }
std::string Describe(const std::vector<long>& counts) {
    std::string out = "[";
    for (size_t i = 0; i < counts.size(); ++i) {
        if (i) out += ' ';
        out += std::to_string(counts[i]);
    }
    out += ']';
    return out;
}

int Register(const char* name, void (*run)()) {
    Cases().push_back({name, run});
    return static_cast<int>(Cases().size());
}

int RunAll(int argc, wchar_t** argv) {
    // Console output as UTF-8, so that Chinese texts in failures stay readable.
    SetConsoleOutputCP(CP_UTF8);
    // The program does this first thing; tests that open its dialogs need it too.
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    int passed = 0, failed = 0;
    for (const Case& c : Cases()) {
        bool selected = argc <= 1;
        for (int i = 1; i < argc; ++i) selected |= Narrow(argv[i]) == c.name;
        if (!selected) continue;
        {
            std::lock_guard<std::mutex> hold(g_lock);
            g_caseFailures = 0;
            g_context.clear();
        }
        std::printf("-- %s\n", c.name);
        std::fflush(stdout);
        // A case that hangs is named and ends the program, rather than
        // leaving ctest to time out without saying where.
        std::atomic<bool> finished{false};
        std::thread guard([&] {
            if (!WaitUntil([&] { return finished.load(); }, kCaseTimeoutMs)) {
                std::printf("FAIL %s: still running after %lu ms\n", c.name, kCaseTimeoutMs);
                std::fflush(stdout);
                ExitProcess(4);
            }
        });
        c.run();
        finished = true;
        guard.join();
        bool ok;
        {
            std::lock_guard<std::mutex> hold(g_lock);
            ok = g_caseFailures == 0;
        }
        (ok ? passed : failed)++;
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", c.name);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 && !AnyFailure() ? 0 : 1;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now < 20 ? deadline - now : 20),
                                  QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return false;
        // Polling another thread's or process's windows: there is no event to
        // wait on, so look again shortly.
        Sleep(10);
    }
    return true;
}

HWND FindTopWindow(const wchar_t* className, const wchar_t* title, DWORD pid, HWND exclude) {
    FindArgs args{className, title, pid, exclude, nullptr};
    EnumWindows(&FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

HWND WaitForTopWindow(const wchar_t* className, const wchar_t* title, DWORD pid, DWORD timeoutMs, HWND exclude) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(className, title, pid, exclude)) != nullptr; }, timeoutMs);
    return found;
}

MessageBoxSeen ReadMessageBox(HWND box) {
    MessageBoxSeen seen;
    seen.window = box;
    wchar_t buffer[1024] = {};
    GetWindowTextW(box, buffer, 1024);
    seen.caption = buffer;
    buffer[0] = 0;
    GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
    seen.text = buffer;
    // The icon is a static SS_ICON control (id 20 on Windows, 0x440 in Wine).
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        // The box may not have painted its icon yet.
        LPCWSTR icon = nullptr;
        WaitUntil([&] { return (icon = RecogniseIcon(child)) != nullptr; }, 3000);
        seen.exclamationIcon = icon == IDI_EXCLAMATION;
        seen.informationIcon = icon == IDI_INFORMATION;
    }
    return seen;
}

bool ConfirmMessageBox(DWORD pid, MessageBoxSeen* seen, DWORD timeoutMs) {
    HWND box = nullptr;
    const bool found = WaitUntil(
        [&] {
            box = FindTopWindow(L"#32770", nullptr, pid);
            return box && GetDlgItem(box, 0xFFFF) != nullptr;
        },
        timeoutMs);
    if (!found) return false;
    if (seen) *seen = ReadMessageBox(box);
    // Posted to the box itself: activation may not follow it under Wine.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    return WaitUntil([&] { return !IsWindow(box); }, timeoutMs);
}

HWND AwaitMainDialogPastWarning(DWORD pid) {
    if (!ConfirmMessageBox(pid, nullptr)) {
        ReportFailure(__FILE__, __LINE__, "no installation warning to confirm");
        return nullptr;
    }
    HWND window = WaitForTopWindow(L"#32770", L"Orlenza", pid);
    if (!window || !GetDlgItem(window, 1000)) {
        ReportFailure(__FILE__, __LINE__, "main dialog did not appear");
        return nullptr;
    }
    return window;
}

void DriveModal(const std::function<void()>& modal, const std::function<void()>& script, const wchar_t* dialogTitle,
                DWORD timeoutMs) {
    std::atomic<bool> scriptDone{false};
    std::thread driver([&] {
        script();
        scriptDone = true;
        // Whatever the script left open, end the dialog so the test goes on.
        if (HWND dlg = FindTopWindow(L"#32770", dialogTitle, GetCurrentProcessId()))
            PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    // A watchdog: a test must never hang CI.
    std::thread watchdog([&, timeoutMs] {
        if (!WaitUntil([&] { return scriptDone.load(); }, timeoutMs)) {
            std::printf("watchdog: script still running after %lu ms, giving up\n", timeoutMs);
            std::fflush(stdout);
            ExitProcess(3);
        }
    });
    modal();
    driver.join();
    watchdog.join();
}

void PostKey(HWND window, UINT vk) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageW(window, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
}

TempDir::TempDir(const wchar_t* name) {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    m_path = CString(base) + L"orlenza-test-" + name + CString::Formatted(L"-%lu", GetCurrentProcessId());
    RemoveTree(m_path);
    CreateDirectoryW(m_path, nullptr);
}

TempDir::~TempDir() { RemoveTree(m_path); }

CString TempDir::File(const wchar_t* name, size_t bytes) const {
    const CString path = m_path + L"\\" + name;
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        std::vector<char> data(bytes, 'x');
        DWORD written = 0;
        if (bytes) WriteFile(f, data.data(), static_cast<DWORD>(bytes), &written, nullptr);
        CloseHandle(f);
    }
    return path;
}

CString TempDir::Folder(const wchar_t* name) const {
    const CString path = m_path + L"\\" + name;
    CreateDirectoryW(path, nullptr);
    return path;
}

FILETIME UtcFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

bool SetLastWrite(const CString& path, const FILETIME& when) {
    // Backup semantics open folders as well as files.
    HANDLE h = CreateFileW(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = SetFileTime(h, nullptr, nullptr, &when);
    CloseHandle(h);
    return ok != FALSE;
}

CString ListText(HWND list, int row, int column) {
    std::vector<wchar_t> buffer(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return CString(buffer.data());
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

ProfileScope::ProfileScope(const wchar_t* company, const wchar_t* lastDir)
    : m_root(CString(L"Software\\") + company) {
    RegDeleteTreeW(HKEY_CURRENT_USER, m_root);
    AfxGetApp()->SetRegistryKey(company);
    if (lastDir) AfxGetApp()->WriteProfileString(L"", L"LastDir", lastDir);
}

ProfileScope::~ProfileScope() {
    RegDeleteTreeW(HKEY_CURRENT_USER, m_root);
    AfxGetApp()->SetRegistryKey(L"");
}

bool RemoveTree(const CString& path) {
    WIN32_FIND_DATAW e{};
    HANDLE h = FindFirstFileW(path + L"\\*", &e);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!wcscmp(e.cFileName, L".") || !wcscmp(e.cFileName, L"..")) continue;
            const CString child = path + L"\\" + e.cFileName;
            if ((e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child, FILE_ATTRIBUTE_NORMAL);
                if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryW(child);
                else
                    DeleteFileW(child);
            }
        } while (FindNextFileW(h, &e));
        FindClose(h);
    }
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryW(path) != FALSE;
}

CString ModuleDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString p(path);
    return p.Left(p.ReverseFind(L'\\'));
}

}  // namespace testkit

// --- dialogs made in memory (the widget tests' hosts) ------------------------
namespace testkit {
namespace {
INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
}  // namespace

HWND MakeDialog(DWORD style, short cx, short cy) {
    // Style, ex-style, no items, at 0,0, the size; no menu, class or title.
    alignas(4) const WORD t[] = {LOWORD(style), HIWORD(style), 0, 0, 0, 0, 0, WORD(cx), WORD(cy), 0, 0, 0};
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(t), nullptr,
                                      PlainDialogProc, 0);
}
}  // namespace testkit
