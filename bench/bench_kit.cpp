#include "bench_kit.h"

#include <algorithm>

#include "program.h"
#include "remote_dialog.h"

namespace bench {

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Seconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

namespace {

// The end message coming up, told by Wine itself: an event hook for windows
// that the program creates, delivered to this thread as a message, so that
// nothing here runs while the program works. (Wine reports creation, not
// showing; the box's window is the only dialog window the program creates
// during a run.) Polling the program's windows every few milliseconds
// instead took so much of Wine's server from the tool's own starts that the
// program measured up to 10% slower than it is.
HWND g_shownBox = nullptr;

void CALLBACK OnCreate(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    wchar_t name[16] = {};
    if (object == OBJID_WINDOW && window && GetClassNameW(window, name, 16) && wcscmp(name, L"#32770") == 0)
        g_shownBox = window;
}

}  // namespace

bool ClickAndWaitForEndMessage(HWND dialog, DWORD pid, DWORD timeoutMs, std::vector<double>* answers) {
    g_shownBox = nullptr;
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &OnCreate, pid, 0,
                                               WINEVENT_OUTOFCONTEXT);
    // Only now: a thread learns of new hooks when it next takes a message.
    remote::ClickStart(dialog);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (ULONGLONG now; !g_shownBox && (now = GetTickCount64()) < deadline;) {
        const bool probing = answers && answers->size() < 20;
        const DWORD wait = probing ? 50 : static_cast<DWORD>(deadline - now);
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT) == WAIT_TIMEOUT && probing) {
            const LONGLONG asked = Now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            if (!g_shownBox) answers->push_back(Seconds(Now() - asked));
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    if (hook) UnhookWinEvent(hook);
    return g_shownBox != nullptr;
}

std::string RunSelfDetached(const CString& arguments, const CString& result) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    DeleteFileW(result);
    testkit::Program detached(self, arguments, DETACHED_PROCESS);  // ended by its destructor on a time-out
    DWORD code = 1;
    return detached.WaitForExit(600000, &code) && code == 0 ? remote::ReadFileBytes(result) : std::string();
}

}  // namespace bench
