#include "remote_dialog.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace remote {
namespace {

constexpr int kList = 1000;
constexpr int kStart = 1004;
constexpr int kSubfolders = 1005;

// Cross-process questions must not hang the test when the program is stuck.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, bool* answered = nullptr) {
    DWORD_PTR result = 0;
    const bool ok = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    if (answered) *answered = ok;
    return ok ? static_cast<LRESULT>(result) : 0;
}

bool IsMessageBox(HWND window) { return GetDlgItem(window, 0xFFFF) != nullptr; }

struct Windows {
    DWORD pid;
    HWND dialog = nullptr;
    HWND box = nullptr;
};

BOOL CALLBACK Collect(HWND window, LPARAM lParam) {
    auto* found = reinterpret_cast<Windows*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != found->pid || !IsWindowVisible(window)) return TRUE;
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (wcscmp(name, L"#32770") != 0) return TRUE;
    if (IsMessageBox(window))
        found->box = window;
    else if (GetDlgItem(window, kList))
        found->dialog = window;
    return TRUE;
}


}  // namespace

HWND WaitForMainDialog(DWORD pid, std::vector<testkit::MessageBoxSeen>* earlier, DWORD timeoutMs) {
    Windows found{pid};
    testkit::WaitUntil(
        [&] {
            found = Windows{pid};
            EnumWindows(&Collect, reinterpret_cast<LPARAM>(&found));
            // A box shown while the dialog opens (it is not visible yet)
            // holds it back until it is confirmed.
            if (found.box && !found.dialog) {
                const testkit::MessageBoxSeen seen = testkit::ReadMessageBox(found.box);
                if (earlier) earlier->push_back(seen);
                PostMessageW(found.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(found.box, IDOK)));
                const HWND box = found.box;
                testkit::WaitUntil([&] { return !IsWindow(box); }, 5000);
            }
            return found.dialog != nullptr;
        },
        timeoutMs);
    return found.dialog;
}

int RowCount(HWND dialog) { return static_cast<int>(Ask(GetDlgItem(dialog, kList), LVM_GETITEMCOUNT)); }

bool IsControlEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

bool Drop(HANDLE process, HWND dialog, const std::vector<CString>& paths, DWORD timeoutMs) {
    std::wstring names;
    for (const CString& path : paths) {
        names += path.GetString();
        names += L'\0';
    }
    names += L'\0';
    std::vector<BYTE> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->pt = {20, 20};
    header->fWide = TRUE;
    std::memcpy(block.data() + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));

    void* copy = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!copy) return false;
    SIZE_T written = 0;
    if (!WriteProcessMemory(process, copy, block.data(), block.size(), &written) || written != block.size()) {
        VirtualFreeEx(process, copy, 0, MEM_RELEASE);
        return false;
    }
    const int before = RowCount(dialog);
    const int expected = before + static_cast<int>(paths.size());
    PostMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(copy), 0);
    const bool added = testkit::WaitUntil([&] { return RowCount(dialog) == expected; }, timeoutMs);
    // A sent message is taken only after the drop's handler has returned,
    // and with it the program's last look at the block.
    bool answered = false;
    Ask(dialog, WM_NULL, 0, 0, &answered);
    if (answered) VirtualFreeEx(process, copy, 0, MEM_RELEASE);
    return added;
}

bool SetSubfolderBox(HWND dialog, bool ticked) {
    const HWND box = GetDlgItem(dialog, kSubfolders);
    const LRESULT wanted = ticked ? BST_CHECKED : BST_UNCHECKED;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (Ask(box, BM_GETCHECK) == wanted) return true;
        Ask(box, BM_CLICK);
    }
    return Ask(box, BM_GETCHECK) == wanted;
}

void ClickStart(HWND dialog) { PostMessageW(GetDlgItem(dialog, kStart), BM_CLICK, 0, 0); }

void PostStartCommand(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kStart, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, kStart)));
}

bool Close(HWND dialog, HANDLE process, DWORD timeoutMs) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
}

Session::Session(const CString& exe) : m_program(exe) {
    if (m_program.Started()) m_dialog = WaitForMainDialog(m_program.Pid(), &m_warnings);
}

Session::~Session() {
    if (m_dialog && !Close(m_dialog, m_program.Process()))
        testkit::ReportFailure(__FILE__, __LINE__, "the program did not close");
}

bool Session::RunToEnd(bool includeSubfolders, testkit::MessageBoxSeen* end, DWORD timeoutMs) {
    if (!SetSubfolderBox(m_dialog, includeSubfolders)) return false;
    ClickStart(m_dialog);
    return testkit::ConfirmMessageBox(Pid(), end, timeoutMs);
}

std::string UnixPath(const CString& windowsPath) {
    // Wine's own export; absent on Windows, where these tests do not run.
    using ToUnix = char*(CDECL*)(const wchar_t*);
    static const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    char* name = toUnix(windowsPath);
    if (!name) return std::string();
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

bool RunShellScript(const std::string& script, const CString& folder, DWORD timeoutMs) {
    const CString file = folder + L"\\script.sh";
    const CString status = folder + L"\\script.status";
    const std::string unixFile = UnixPath(file), log = UnixPath(folder + L"\\script.log"),
                      unixStatus = UnixPath(status);
    if (unixFile.empty() || log.empty() || unixStatus.empty()) return false;
    DeleteFileW(status);
    // Wine starts a Linux program detached, without a process handle to wait
    // on: the script leaves its exit code in a file instead, whole or not at
    // all. Wine hands it neither the Linux PATH nor a locale we can count on.
    std::string body = "exec >" + ShellQuoted(log) + " 2>&1\n";
    body += "trap 'echo $? >" + ShellQuoted(unixStatus + ".new") + "; mv " + ShellQuoted(unixStatus + ".new") + " " +
            ShellQuoted(unixStatus) + "' EXIT\n";
    body += "set -e\nPATH=/usr/local/bin:/usr/bin:/bin\nexport PATH\nLC_ALL=C.UTF-8\nexport LC_ALL\n";
    body += script;
    body += "\n";
    if (!WriteFileBytes(file, body)) return false;
    CString commandLine = CString(L"/bin/sh \"") + FromUtf8(unixFile) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.GetBuffer(commandLine.GetLength() + 1), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &info))
        return false;
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    const bool ended =
        testkit::WaitUntil([&] { return GetFileAttributesW(status) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
    const std::string code = ReadFileBytes(status);
    if (ended && code == "0\n") return true;
    std::printf("shell script %s (exit code %s); its output:\n%s\n", ended ? "failed" : "timed out", code.c_str(),
                ReadFileBytes(folder + L"\\script.log").c_str());
    std::fflush(stdout);
    return false;
}

CString FromUtf8(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    CString result;
    if (n <= 0) return result;
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.GetBuffer(n), n);
    result.ReleaseBuffer(n);
    return result;
}

bool WriteFileBytes(const CString& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

CString Counts(int turned, int upright) {
    return CString::Formatted(L"\n已旋转 %d 张照片，%d 张无需旋转。", turned, upright);
}

std::string ReadFileBytes(const CString& path) {
    std::string bytes;
    // Shared for writing too: a file a started program wrote through an
    // inherited handle may still be held for a moment after that program
    // ended, by a process that inherited the handle from it (under Wine, the
    // console host of a console program started without a console).
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart < (1 << 28)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
            bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

ToolFolder::~ToolFolder() {
    testkit::WaitUntil([&] { return testkit::RemoveTree(Path()); }, 10000);
}

FolderLink::FolderLink(const CString& link, const CString& target, const CString& scratch)
    : m_link(ShellQuoted(UnixPath(link))), m_scratch(scratch) {
    const std::string to = UnixPath(target);
    m_made = !to.empty() && RunShellScript("ln -sfn " + ShellQuoted(to) + " " + m_link, scratch);
    const DWORD attributes = GetFileAttributesW(link);
    m_made = m_made && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
             (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FolderLink::~FolderLink() { RunShellScript("rm -f " + m_link, m_scratch); }

}  // namespace remote
