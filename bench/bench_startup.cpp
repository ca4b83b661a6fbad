// How long Orlenza takes to open: from process start to its dialog shown and
// idle (waiting for the user), against a bare program that shows the same
// dialog template with no code of its own (bare_dialog.exe beside the
// benchmark). The two start in turns, each from its own folder; the medians
// are compared. Goal: at most 1.2 times the bare program.
// Usage: bench_startup.exe [STARTS] (at least 10; tools/bench.sh passes it on).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "harness.h"
#include "program.h"

namespace {

constexpr int kDefaultStarts = 15;
constexpr double kGoal = 1.2;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The visible top-level dialog of process `pid` whose caption is "Orlenza".
struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t caption[16] = {};
    if (pid == search->pid && IsWindowVisible(window) && GetWindowTextW(window, caption, 16) &&
        wcscmp(caption, L"Orlenza") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Milliseconds from CreateProcess to the dialog idle; negative on failure.
// The program is closed again with its cancel command, outside the timing.
double TimeStart(const CString& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    CString commandLine = L"\"" + exe + L"\"";
    const CString folder = exe.Left(exe.ReverseFind(L'\\'));
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(exe, commandLine.GetBuffer(commandLine.GetLength() + 1), nullptr, nullptr, FALSE, 0, nullptr,
                        folder, &startup, &info))
        return -1;
    CloseHandle(info.hThread);
    // Idle means the modal loop waits for input: the dialog has been made,
    // filled and shown. A message box first would also be idle, so the
    // dialog itself is looked for as well.
    const bool idle = WaitForInputIdle(info.hProcess, 20000) == 0;
    QueryPerformanceCounter(&end);
    Search search{info.dwProcessId, nullptr};
    EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found) PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    if (!idle || !search.found) return -1;
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int starts = argc == 2 ? std::max(10, _wtoi(argv[1])) : kDefaultStarts;
    const CString program = testkit::ShippedProgram();
    const CString bare = testkit::ModuleDir() + L"\\bare_dialog.exe";
    std::printf("%d starts each, taking turns (%s build)\n", starts, sizeof(void*) == 8 ? "64-bit" : "32-bit");
    // One of each first, not counted: the file cache and Wine's own start-up.
    if (TimeStart(program) < 0 || TimeStart(bare) < 0) {
        std::printf("bench_startup: a program did not open its dialog\n");
        return 1;
    }
    std::vector<double> orlenza, floor;
    for (int i = 0; i < starts; ++i) {
        const bool programFirst = i % 2 == 0;
        const double first = TimeStart(programFirst ? program : bare);
        const double second = TimeStart(programFirst ? bare : program);
        if (first < 0 || second < 0) {
            std::printf("bench_startup: a program did not open its dialog\n");
            return 1;
        }
        orlenza.push_back(programFirst ? first : second);
        floor.push_back(programFirst ? second : first);
        std::printf("start %d: Orlenza %.1f ms, bare dialog %.1f ms\n", i + 1, orlenza.back(), floor.back());
        std::fflush(stdout);
    }
    const double ratio = Median(orlenza) / Median(floor);
    std::printf("median: Orlenza %.1f ms, bare dialog %.1f ms, ratio %.3f; goal at most %.2f: %s\n", Median(orlenza),
                Median(floor), ratio, kGoal, ratio <= kGoal ? "met" : "NOT met");
    return ratio <= kGoal ? 0 : 2;
}
