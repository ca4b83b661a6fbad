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
// On its standard output it writes a result line for each .jpg or .jpeg file
// that its last argument names (a file, or a folder's "\*.*" pattern, which
// it expands): "turned<TAB>path" for a name holding "(turn)" (ended by CR
// LF), "failed<TAB>path" for one holding "(fails)", "upright<TAB>path"
// otherwise (ended by LF alone). An argument holding "(noise)" makes it write
// only lines the program must pass over instead, one of them 100,000 bytes
// long, more than a pipe holds. One holding "(hold)" makes it signal the
// event "orlenza-fake-jhead-held" and wait (up to a minute) for the event
// "orlenza-fake-jhead-go" before it writes anything: a test can act while a
// tool run is under way.
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

// The result lines for `target`, as the real tool writes them; whether one
// says "failed".
bool WriteResults(const std::wstring& target) {
    const bool pattern = target.size() > 4 && target.compare(target.size() - 4, 4, L"\\*.*") == 0;
    const std::wstring folder = pattern ? target.substr(0, target.size() - 3) : std::wstring();
    bool failed = false;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(target.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        const std::wstring name = entry.cFileName;
        const size_t dot = name.rfind(L'.');
        const std::wstring extension = dot == std::wstring::npos ? L"" : name.substr(dot);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (_wcsicmp(extension.c_str(), L".jpg") != 0 && _wcsicmp(extension.c_str(), L".jpeg") != 0))
            continue;
        const std::string path = Utf8((pattern ? folder + name : target).c_str());
        if (name.find(L"(turn)") != std::wstring::npos) {
            Write("turned\t" + path + "\r\n");
        } else if (name.find(L"(fails)") != std::wstring::npos) {
            Write("failed\t" + path + "\n");
            failed = true;
        } else {
            Write("upright\t" + path + "\n");
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return failed;
}

// What a program must not take for results.
void WriteNoise() {
    Write("turned C:\\no tab.jpg\n");
    Write("rotated\tC:\\unknown word.jpg\r\n");
    Write("Turned\tC:\\word in capitals.jpg\n");
    Write("upright\t\n");
    Write("turned\tC:\\\xB7\xF1\xE3 GBK, no UTF-8.jpg\n");
    Write("turned\tC:\\control\x01" "character.jpg\n");
    Write("failed\tC:\\" + std::string(100000, 'x') + ".jpg\n");
    Write("turned\tC:\\last line without its end.jpg");
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

    if (holds(L"(hold)")) {
        HANDLE held = CreateEventW(nullptr, TRUE, FALSE, L"orlenza-fake-jhead-held");
        HANDLE go = CreateEventW(nullptr, TRUE, FALSE, L"orlenza-fake-jhead-go");
        SetEvent(held);
        WaitForSingleObject(go, 60000);
        CloseHandle(held);
        CloseHandle(go);
    }
    bool fails = holds(L"(fails)");
    if (holds(L"(noise)"))
        WriteNoise();
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
