// A stand-in for jhead.exe that records how it was started instead of
// turning photos. The rotation-order test copies it beside a copy of
// Orlenza.exe under the name jhead.exe.
//
// Each start appends one line, UTF-8, to "runs.log" beside this program, as
// it ends:
//
//   show <TAB> overlap <TAB> start <TAB> end <TAB> working directory <TAB> command line <TAB> arg1 <TAB> arg2 ...
//
// show     the show state the starter asked for (STARTF_USESHOWWINDOW), or -1
// overlap  1 when another instance was still running when this one started
// start, end  the system time (100 ns units) when it started and when it
//          was about to end; it stays alive a little in between, so that a
//          starter that does not wait would start the next one before it ends
// args     the arguments as a Windows program splits its command line
//          (CommandLineToArgvW), without the program name
//
// It exits with 3, as the real tool does for a photo it could not turn, when
// its last argument holds "(fails)"; otherwise with 0.
//
// Nothing here depends on the C runtime's own view of the command line, so
// what is logged is exactly what the starter handed over.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(static_cast<size_t>(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

ULONGLONG Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path);
    return p.substr(0, p.rfind(L'\\'));
}

}  // namespace

int wmain() {
    const ULONGLONG started = Now();
    // Held for this process's whole life: a second instance that finds it
    // already there was started before the first one ended.
    HANDLE running = CreateMutexW(nullptr, FALSE, L"Local\\orlenza-fake-jhead-running");
    const bool overlap = running && GetLastError() == ERROR_ALREADY_EXISTS;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    wchar_t directory[MAX_PATH * 2] = {};
    GetCurrentDirectoryW(MAX_PATH * 2, directory);

    const wchar_t* commandLine = GetCommandLineW();
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // chains of std::string additions.
    std::string line = std::to_string(show);
    line += overlap ? "\t1\t" : "\t0\t";
    line += std::to_string(started);
    line += '\t';
    const size_t endAt = line.size();  // the end time goes here, once known
    line += '\t';
    line += Utf8(directory);
    line += '\t';
    line += Utf8(commandLine);
    int argc = 0;
    bool fails = false;
    if (wchar_t** argv = CommandLineToArgvW(commandLine, &argc)) {
        for (int i = 1; i < argc; ++i) {
            line += '\t';
            line += Utf8(argv[i]);
        }
        fails = argc > 1 && wcsstr(argv[argc - 1], L"(fails)") != nullptr;
        LocalFree(argv);
    }
    line += '\n';

    // Long enough for a second start to come before this end if the starter
    // did not wait; short beside a Wine process start.
    Sleep(50);
    line.insert(endAt, std::to_string(Now()));

    // One write per line, appended: lines of instances that ran at the same
    // time (which the product must not allow) still come out whole.
    HANDLE log = CreateFileW((OwnFolder() + L"\\runs.log").c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    const BOOL ok = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    if (running) CloseHandle(running);
    if (!ok) return 2;
    return fails ? 3 : 0;
}
