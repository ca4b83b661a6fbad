// Turning photos at the speed of the machine: the built Orlenza.exe turns a
// folder of 40 sideways 12-megapixel photos (4000 by 3000 noise, quality 92,
// Orientation 6, an Exif thumbnail), timed from the click on start to its end
// message. Against it, the floor: the same jpegtran.exe turning the same
// photos one after another, each started by a plain loop of ours that runs,
// as the program does, in a process without a console. The two take turns
// over several rounds, on fresh copies of the photos each time.
//
// Then the tool once more over the folder, started directly, for how many
// photos it turned at once (it says so on its standard error) and its peak
// working set, against the peak of one jpegtran on the largest photo times
// that number.
//
// Goals, on a 2-core machine: the run at most 0.65 times the floor; the
// tool's memory at most that product plus 64 MB. Exit code 2 when one is
// missed, 1 when the benchmark could not run.
// Usage: bench_turn.exe [ROUNDS] (3 unless given; tools/bench.sh bench_turn).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_kit.h"
#include "harness.h"
#include "program.h"
#include "remote_dialog.h"

namespace {

constexpr int kPhotos = 40;
constexpr int kDefaultRounds = 3;
constexpr double MB = 1024.0 * 1024.0;

int Fail(const char* what) {
    std::printf("bench_turn: %s\n", what);
    return 1;
}

CString PhotoName(int i) { return CString::Formatted(L"\\照片 %02d.jpg", i); }

SIZE_T PeakWorkingSet(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    return GetProcessMemoryInfo(process, &counters, sizeof(counters)) ? counters.PeakWorkingSetSize : 0;
}

// Starts `exe` with `arguments` from its own folder, hidden, no input, its
// standard error to `errors` when given; waits for it. Its peak working set,
// or 0 when it failed.
SIZE_T RunHidden(const CString& exe, const CString& arguments, const CString& errors = CString()) {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE file = errors.IsEmpty() ? nullptr
                                   : CreateFileW(errors, GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdError = file;
    CString commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(exe, commandLine.GetBuffer(commandLine.GetLength() + 1), nullptr, nullptr, TRUE,
                                        0, nullptr, exe.Left(exe.ReverseFind(L'\\')), &startup, &info);
    if (file && file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!started) return 0;
    // Wine answers 0 for a process that has ended (Windows keeps its peak):
    // the peak is also read every 10 ms while it runs, and the largest kept.
    SIZE_T peak = 0;
    do {
        const SIZE_T now = PeakWorkingSet(info.hProcess);
        peak = now > peak ? now : peak;
    } while (WaitForSingleObject(info.hProcess, 10) == WAIT_TIMEOUT);
    const SIZE_T last = PeakWorkingSet(info.hProcess);
    peak = last > peak ? last : peak;
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    if (code != 0) peak = 0;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return peak;
}

bool CopyPhotos(const CString& from, const CString& to) {
    for (int i = 1; i <= kPhotos; ++i)
        if (!CopyFileW(from + PhotoName(i), to + PhotoName(i), FALSE)) return false;
    return true;
}

}  // namespace

// The floor's own process: "bench_turn.exe --loop JPEGTRAN PHOTOS OUT RESULT"
// turns each photo into OUT and writes the seconds it took and the largest
// peak working set of one jpegtran to RESULT.
int LoopProcess(const CString& jpegtran, const CString& photos, const CString& out, const CString& result) {
    SIZE_T largest = 0;
    const LONGLONG start = bench::Now();
    for (int i = 1; i <= kPhotos; ++i) {
        const SIZE_T peak =
            RunHidden(jpegtran, L"-copy none -trim -rotate 90 -outfile \"" + out + L"\" \"" + photos + PhotoName(i) + L"\"");
        if (!peak) return 1;
        largest = peak > largest ? peak : largest;
    }
    const double seconds = bench::Seconds(bench::Now() - start);
    return remote::WriteFileBytes(result, std::to_string(seconds) + " " + std::to_string(largest)) ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 6 && wcscmp(argv[1], L"--loop") == 0) return LoopProcess(argv[2], argv[3], argv[4], argv[5]);
    const int rounds = argc == 2 && _wtoi(argv[1]) > 0 ? _wtoi(argv[1]) : kDefaultRounds;
    SetConsoleOutputCP(CP_UTF8);
    const CString program = testkit::ShippedProgram(), folder = program.Left(program.ReverseFind(L'\\'));
    const CString jhead = folder + L"\\jhead.exe", jpegtran = folder + L"\\jpegtran.exe";

    // The photos, made on the Linux side two at a time.
    remote::ToolFolder scratch(L"bench-turn");
    const CString master = scratch.Folder(L"原片"), photos = scratch.Folder(L"照片");
    std::printf("making %d photos of 4000 x 3000...\n", kPhotos);
    std::fflush(stdout);
    const std::string make = "cd " + remote::ShellQuoted(remote::UnixPath(master)) + R"(
seq -w 1 40 | xargs -P 2 -I{} sh -c '
  convert -size 4000x3000 -seed {} xc:gray +noise Random -quality 92 "照片 {}.jpg" &&
  convert "照片 {}.jpg" -resize 160x120 t{}.jpg &&
  exiftool -q -overwrite_original -n -Orientation=6 -Make=BenchCam "-ThumbnailImage<=t{}.jpg" "照片 {}.jpg" &&
  rm t{}.jpg'
)";
    if (!remote::RunShellScript(make, scratch.Path(), 600000))
        return Fail("could not make the photos (ImageMagick and exiftool needed)");
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(master + PhotoName(1), GetFileExInfoStandard, &data);

    testkit::Program orlenza(program, CString(), DETACHED_PROCESS);
    if (!orlenza.Started()) return Fail("could not start Orlenza.exe");
    std::vector<testkit::MessageBoxSeen> warnings;
    const HWND dialog = remote::WaitForMainDialog(orlenza.Pid(), &warnings);
    if (!dialog) return Fail("no main dialog");
    if (!warnings.empty()) return Fail("the program warned about its installation: run through tools/bench.sh");
    if (!CopyPhotos(master, photos) || !remote::Drop(orlenza.Process(), dialog, {photos}))
        return Fail("could not list the folder");

    auto runProgram = [&](double& seconds) {
        if (!CopyPhotos(master, photos)) return false;
        const LONGLONG start = bench::Now();
        const bool shown = bench::ClickAndWaitForEndMessage(dialog, orlenza.Pid(), 600000);
        seconds = bench::Seconds(bench::Now() - start);
        testkit::MessageBoxSeen end;
        return shown && testkit::ConfirmMessageBox(orlenza.Pid(), &end) &&
               end.text.Find(remote::Counts(kPhotos, 0)) >= 0;
    };
    SIZE_T jpegtranPeak = 0;
    auto runFloor = [&](double& seconds) {
        const CString result = scratch.Path() + L"\\floor.txt";
        const std::string text = bench::RunSelfDetached(L"--loop \"" + jpegtran + L"\" \"" + master + L"\" \"" +
                                                            scratch.Path() + L"\\turned.jpg\" \"" + result + L"\"",
                                                        result);
        unsigned long long peak = 0;
        if (std::sscanf(text.c_str(), "%lf %llu", &seconds, &peak) != 2) return false;
        jpegtranPeak = static_cast<SIZE_T>(peak) > jpegtranPeak ? static_cast<SIZE_T>(peak) : jpegtranPeak;
        return seconds > 0;
    };

    std::printf("%d photos of 4000 x 3000, %.1f MB each, Orientation 6 with a thumbnail; %d rounds\n", kPhotos,
                static_cast<double>(data.nFileSizeLow) / MB, rounds);
    double ignored = 0;  // a first turn of each, not counted: the file cache, Wine's own start-up
    if (!runProgram(ignored)) return Fail("warm-up failed: the program did not turn every photo");
    if (!runFloor(ignored)) return Fail("warm-up failed: the floor");
    double programSum = 0, floorSum = 0;
    for (int round = 1; round <= rounds; ++round) {
        double programSeconds = 0, floorSeconds = 0;
        // Alternating who goes first, so that neither always follows the other.
        const bool ok = round % 2 ? runProgram(programSeconds) && runFloor(floorSeconds)
                                  : runFloor(floorSeconds) && runProgram(programSeconds);
        if (!ok) return Fail("a round failed");
        programSum += programSeconds;
        floorSum += floorSeconds;
        std::printf("round %d: Orlenza %.2f s, floor %.2f s, ratio %.3f\n", round, programSeconds, floorSeconds,
                    programSeconds / floorSeconds);
        std::fflush(stdout);
    }
    remote::Close(dialog, orlenza.Process());
    const double ratio = programSum / floorSum;
    const bool fast = ratio <= 0.65;
    std::printf("total: Orlenza %.2f s (%.0f ms a photo), floor %.2f s (%.0f ms a photo); ratio %.3f (%s build); "
                "goal at most 0.65: %s\n",
                programSum, 1000 * programSum / (rounds * kPhotos), floorSum, 1000 * floorSum / (rounds * kPhotos), ratio,
                sizeof(void*) == 8 ? "64-bit" : "32-bit", fast ? "met" : "NOT met");

    // The tool itself, for its workers and its memory.
    if (!CopyPhotos(master, photos)) return Fail("could not copy the photos");
    const CString errors = scratch.Path() + L"\\jhead-errors.txt";
    const SIZE_T toolPeak = RunHidden(jhead, L"-autorot \"" + photos + L"\\*.*\"", errors);
    unsigned workers = 0;
    const std::string said = remote::ReadFileBytes(errors);
    const size_t at = said.find("up to ");
    if (!toolPeak || at == std::string::npos || std::sscanf(said.c_str() + at, "up to %u", &workers) != 1 || !workers)
        return Fail("the tool run failed or did not say how many photos it turned at once");
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const double budget = static_cast<double>(jpegtranPeak) * workers + 64 * MB;
    const bool lean = static_cast<double>(toolPeak) <= budget;
    std::printf("workers: up to %u photos turned at once (%lu processors)\n", workers, system.dwNumberOfProcessors);
    std::printf("memory: the tool's peak working set %.0f MB; one jpegtran on the largest photo %.0f MB x %u + 64 MB = "
                "%.0f MB; goal at most that: %s\n",
                static_cast<double>(toolPeak) / MB, static_cast<double>(jpegtranPeak) / MB, workers, budget / MB,
                lean ? "met" : "NOT met");
    return fast && lean ? 0 : 2;
}
