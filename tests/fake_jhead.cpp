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
// On its standard output it writes a result line for each .jpg file its last
// argument names: "turned<TAB>path" (CR LF) for a name holding
// "(turn)", "failed<TAB>path" for one holding "(fails)", "upright<TAB>path"
// (LF) for the others. With "(noise)" in the argument it writes only what a
// program must pass over, more than a pipe holds. With "(hold)" it sets the
// event "orlenza-fake-jhead-held" and waits (a minute at most) for its
// standard input to end before it writes anything; when the input brought
// the word "stop", which the real tool takes for a stop, it leaves
// "stop-received" beside itself.
//
// It exits with 3, as the real tool does for a photo it could not turn, when
// its last argument holds "(fails)" or it reported a failed photo; otherwise
// with 0.
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

void Write(const std::string& bytes) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The result lines for `target` (a file or a folder's pattern), as the real
// tool writes them; whether one says "failed".
bool WriteResults(const std::wstring& target) {
    const std::wstring folder = target.substr(0, target.rfind(L'\\') + 1);
    bool failed = false;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(target.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        const wchar_t* dot = wcsrchr(entry.cFileName, L'.');
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !dot || _wcsicmp(dot, L".jpg") != 0) continue;
        const std::string path = Utf8((folder + entry.cFileName).c_str());
        const bool turned = wcsstr(entry.cFileName, L"(turn)"), fails = wcsstr(entry.cFileName, L"(fails)");
        Write((turned ? "turned\t" : fails ? "failed\t" : "upright\t") + path + (turned ? "\r\n" : "\n"));
        failed = failed || (fails && !turned);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return failed;
}

// Reads the input until it ends; 0 when it brought the word "stop".
DWORD WINAPI ReadInputToEnd(void*) {
    std::string input;
    char buffer[64];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        input.append(buffer, got);
    return input.find("stop") == std::string::npos;
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
    std::wstring target;
    if (wchar_t** argv = CommandLineToArgvW(commandLine, &argc)) {
        for (int i = 1; i < argc; ++i) {
            line += '\t';
            line += Utf8(argv[i]);
        }
        if (argc > 1) target = argv[argc - 1];
        LocalFree(argv);
    }
    line += '\n';
    auto holds = [&](const wchar_t* tag) { return target.find(tag) != std::wstring::npos; };

    if (holds(L"(hold)")) {  // the event's handle goes when this process does
        SetEvent(CreateEventW(nullptr, TRUE, FALSE, L"orlenza-fake-jhead-held"));
        HANDLE reader = CreateThread(nullptr, 0, ReadInputToEnd, nullptr, 0, nullptr);
        DWORD noWord = 1;
        if (reader && WaitForSingleObject(reader, 60000) == WAIT_OBJECT_0 && GetExitCodeThread(reader, &noWord) &&
            noWord == 0)
            CloseHandle(CreateFileW((OwnFolder() + L"\\stop-received").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    bool fails = holds(L"(fails)");
    if (holds(L"(noise)"))
        Write("turned C:\\no tab.jpg\nturned\tC:\\\xB7\xF1 GBK.jpg\nfailed\t" + std::string(100000, 'x') + "\nturned\tC:\\cut");
    else
        fails = WriteResults(target) || fails;

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
