// What the rotation run itself costs on top of the tool: the built Orlenza.exe
// runs jhead.exe over a tree of 20 folders with 10 photos each (the listed
// folder and 19 sub-folders, the box ticked), timed from the click on start
// to its end message; against it, a plain loop of ours starts the same 20
// command lines in the same working directory (the tools' folder) as the
// program does (hidden, its output read through a pipe) and waits for each.
// The two take turns over several rounds in the same session.
//
// Then what a user feels during a run: the time the window takes to answer
// a message, probed 20 times through one more run, as the median and the
// largest, against a goal of at most 100 ms.
//
// The photos carry Orientation 1, so jhead.exe reads every one and leaves it
// as it is: the rounds need no fresh photos, and what is measured is the
// starting and waiting that both sides do, not jpegtran's work.
//
// Prints each round and the sums; the goal is a ratio of the sums and a
// median round ratio of at most 1.05 each, and the exit code is 2 when one of
// them or the answer time is missed (1 when the benchmark could not run).
// Usage: bench_run.exe [ROUNDS] (tools/bench-run.sh passes its arguments on).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_kit.h"
#include "harness.h"
#include "program.h"
#include "remote_dialog.h"

namespace {

constexpr int kFolders = 20;  // the listed folder and 19 below it
constexpr int kPhotosPerFolder = 10;
constexpr int kDefaultRounds = 20;

// The command lines the program starts for the tree, in its order: the
// listed folder, then each sub-folder as the file system lists them.
std::vector<CString> TreeCommands(const CString& root) {
    std::vector<CString> commands{L"-autorot \"" + root + L"\\*.*\""};
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(root + L"\\*.*", &entry);
    if (search == INVALID_HANDLE_VALUE) return commands;
    do {
        const CString name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            commands.push_back(L"-autorot \"" + root + L"\\" + name + L"\\*.*\"");
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return commands;
}

// Our plain loop: the program's process start, one process at a time, hidden,
// the tool's output read through a pipe until it ends, input and messages to
// NUL. It runs in a process of its own without a console, as the program
// does: a console program started from a process that has no console gets a
// console of its own, which Wine makes with a host process each time, and a
// loop that handed the tool its own console would skip that cost.
bool RunLoop(const CString& tool, const std::vector<CString>& commands) {
    const CString toolFolder = tool.Left(tool.ReverseFind(L'\\'));
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr);
    bool ok = nul != INVALID_HANDLE_VALUE;
    for (size_t i = 0; ok && i < commands.size(); ++i) {
        HANDLE reading = nullptr, writing = nullptr;
        if (!CreatePipe(&reading, &writing, &inheritable, 0)) {
            ok = false;
            break;
        }
        SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
        startup.wShowWindow = SW_HIDE;
        startup.hStdInput = startup.hStdError = nul;
        startup.hStdOutput = writing;
        CString commandLine = L"\"" + tool + L"\" " + commands[i];
        PROCESS_INFORMATION info{};
        ok = CreateProcessW(tool, commandLine.GetBuffer(commandLine.GetLength() + 1), nullptr, nullptr, TRUE, 0, nullptr,
                            toolFolder, &startup, &info) != FALSE;
        CloseHandle(writing);
        char buffer[4096];
        DWORD got = 0;
        while (ok && ReadFile(reading, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        }
        CloseHandle(reading);
        if (!ok) break;
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    return ok;
}

int Fail(const char* what) {
    std::printf("bench_run: %s\n", what);
    return 1;
}

}  // namespace

// The loop's own process: "bench_run.exe --loop TOOL ROOT RESULT" runs the
// loop over ROOT's tree and writes the seconds it took to RESULT.
int LoopProcess(const CString& tool, const CString& root, const CString& result) {
    const std::vector<CString> commands = TreeCommands(root);
    const LONGLONG start = bench::Now();
    const bool ok = RunLoop(tool, commands);
    const double seconds = bench::Seconds(bench::Now() - start);
    return ok && remote::WriteFileBytes(result, std::to_string(seconds)) ? 0 : 1;
}

bool RunLoopProcess(const CString& tool, const CString& root, const CString& result, double& seconds) {
    seconds = std::atof(bench::RunSelfDetached(L"--loop \"" + tool + L"\" \"" + root + L"\" \"" + result + L"\"", result).c_str());
    return seconds > 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 5 && wcscmp(argv[1], L"--loop") == 0) return LoopProcess(argv[2], argv[3], argv[4]);
    // More rounds than the default steady the figures on a busy machine.
    const int rounds = argc == 2 && _wtoi(argv[1]) > 0 ? _wtoi(argv[1]) : kDefaultRounds;
    SetConsoleOutputCP(CP_UTF8);
    const CString program = testkit::ShippedProgram();
    const CString tool = program.Left(program.ReverseFind(L'\\')) + L"\\jhead.exe";
    if (GetFileAttributesW(tool) == INVALID_FILE_ATTRIBUTES) return Fail("no jhead.exe beside Orlenza.exe");

    // One photo made on the Linux side, copied everywhere.
    remote::ToolFolder scratch(L"bench-run");
    const std::string unixScratch = remote::UnixPath(scratch.Path());
    if (!remote::RunShellScript("cd " + remote::ShellQuoted(unixScratch) +
                                    "\nconvert -size 640x480 gradient:red-blue -quality 90 photo.jpg"
                                    "\nexiftool -q -overwrite_original -n -Orientation=1 -Make=BenchCam "
                                    "'-DateTimeOriginal=2021:05:06 07:08:09' photo.jpg",
                                scratch.Path()))
        return Fail("could not make the photo (ImageMagick and exiftool needed)");
    const CString root = scratch.Folder(L"照片 库");
    std::vector<CString> folders{root};
    for (int i = 1; i < kFolders; ++i) {
        folders.push_back(root + CString::Formatted(L"\\文件夹 %02d", i));
        CreateDirectoryW(folders.back(), nullptr);
    }
    for (const CString& folder : folders)
        for (int i = 1; i <= kPhotosPerFolder; ++i)
            if (!CopyFileW(scratch.Path() + L"\\photo.jpg", folder + CString::Formatted(L"\\照片 %02d.jpg", i), FALSE))
                return Fail("could not copy the photos");
    const std::vector<CString> commands = TreeCommands(root);

    // Without a console, as started from the desktop: under Wine a program
    // started from this console program would share its console, and the
    // tool would not need one of its own each time, as for the loop.
    testkit::Program orlenza(program, CString(), DETACHED_PROCESS);
    if (!orlenza.Started()) return Fail("could not start Orlenza.exe");
    std::vector<testkit::MessageBoxSeen> warnings;
    const HWND dialog = remote::WaitForMainDialog(orlenza.Pid(), &warnings);
    if (!dialog) return Fail("no main dialog");
    if (!warnings.empty()) return Fail("the program warned about its installation: run through tools/bench-run.sh");
    if (!remote::Drop(orlenza.Process(), dialog, {root}) || !remote::SetSubfolderBox(dialog, true))
        return Fail("could not list the tree");

    auto runProgram = [&](double& seconds) {
        const LONGLONG start = bench::Now();
        const bool shown = bench::ClickAndWaitForEndMessage(dialog, orlenza.Pid(), 300000);
        seconds = bench::Seconds(bench::Now() - start);
        // Not timed: the box is confirmed and gone before the next turn.
        return shown && testkit::ConfirmMessageBox(orlenza.Pid(), nullptr);
    };
    const CString result = scratch.Path() + L"\\loop.txt";
    auto runLoop = [&](double& seconds) { return RunLoopProcess(tool, root, result, seconds); };

    std::printf("%d folders x %d photos (Orientation 1), %zu tool runs per turn, %d rounds\n", kFolders,
                kPhotosPerFolder, commands.size(), rounds);
    // A first turn of each, not counted: the file cache and Wine's own start-up.
    double ignored = 0;
    if (!runProgram(ignored)) return Fail("warm-up failed: program");
    if (!runLoop(ignored)) return Fail("warm-up failed: loop");

    // What the program spends around the tool runs: click to end message
    // over one row that has vanished, so that no tool starts.
    {
        remote::ToolFolder empty(L"bench-run-fixed");
        const CString gone = empty.File(L"gone.jpg", 1);
        testkit::Program other(program, CString(), DETACHED_PROCESS);
        const HWND otherDialog = remote::WaitForMainDialog(other.Pid(), nullptr);
        if (!otherDialog || !remote::Drop(other.Process(), otherDialog, {gone})) return Fail("no second program");
        DeleteFileW(gone);
        std::vector<double> fixed;
        for (int i = 0; i < 5; ++i) {
            const LONGLONG start = bench::Now();
            const bool shown = bench::ClickAndWaitForEndMessage(otherDialog, other.Pid(), 30000);
            fixed.push_back(bench::Seconds(bench::Now() - start));
            if (!shown || !testkit::ConfirmMessageBox(other.Pid(), nullptr)) return Fail("no end message");
        }
        remote::Close(otherDialog, other.Process());
        std::printf("click to end message with no tool run: %.1f ms (median of 5)\n", 1000 * bench::Median(fixed));
    }

    std::vector<double> programTimes, loopTimes, ratios;
    for (int round = 1; round <= rounds; ++round) {
        double programSeconds = 0, loopSeconds = 0;
        // Alternating who goes first, so that neither always follows the other.
        const bool programFirst = round % 2 == 1;
        bool ok = programFirst ? runProgram(programSeconds) && runLoop(loopSeconds)
                               : runLoop(loopSeconds) && runProgram(programSeconds);
        if (!ok) return Fail("a turn failed");
        programTimes.push_back(programSeconds);
        loopTimes.push_back(loopSeconds);
        ratios.push_back(programSeconds / loopSeconds);
        std::printf("round %d: Orlenza %.3f s, plain loop %.3f s, ratio %.3f\n", round, programSeconds, loopSeconds,
                    programSeconds / loopSeconds);
        std::fflush(stdout);
    }
    double programSum = 0, loopSum = 0;
    for (double t : programTimes) programSum += t;
    for (double t : loopTimes) loopSum += t;
    const double ratio = programSum / loopSum;
    std::printf("total: Orlenza %.3f s, plain loop %.3f s (%.1f ms and %.1f ms per tool run)\n", programSum, loopSum,
                1000 * programSum / (rounds * commands.size()), 1000 * loopSum / (rounds * commands.size()));
    // Both: the sums can hide one slow stretch of rounds, the median a
    // steady overhead in a few long ones.
    const double median = bench::Median(ratios);
    bool met = ratio <= 1.05 && median <= 1.05;
    std::printf("ratio Orlenza / plain loop (%s build): %.3f, median of rounds %.3f; goal both at most 1.05: %s\n",
                sizeof(void*) == 8 ? "64-bit" : "32-bit", ratio, median, met ? "met" : "NOT met");

    // Timed from here, the process that asks: a Wine process start is no
    // part of it.
    std::vector<double> answers;
    for (int run = 0; run < 5 && answers.size() < 20; ++run)
        if (!bench::ClickAndWaitForEndMessage(dialog, orlenza.Pid(), 300000, &answers) ||
            !testkit::ConfirmMessageBox(orlenza.Pid(), nullptr))
            return Fail("a run to time the answers failed");
    if (answers.size() < 20) return Fail("five runs ended before 20 answers were timed");
    const double longest = *std::max_element(answers.begin(), answers.end());
    const bool answered = longest <= 0.100;
    std::printf("answer to a message during a run: median %.1f ms, longest %.1f ms of %zu; goal at most 100 ms: %s\n",
                1000 * bench::Median(answers), 1000 * longest, answers.size(), answered ? "met" : "NOT met");
    met = met && answered;

    remote::Close(dialog, orlenza.Process());
    return met ? 0 : 2;
}
