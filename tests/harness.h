#pragma once
// The test kit: checks that print file, line and values; a registry of test
// cases with one summary line; helpers that wait for windows and messages
// (never for fixed times); a driver thread that acts as the user while the
// program's thread runs a modal dialog; and message-box capture.
//
// A test program is a console program run under Wine. It exits non-zero when
// any check failed, and prints "N passed, N failed" as its last line.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "String.h"
#ifdef ORLENZA_LIVE_COUNTS
#include "LiveCounts.h"
#endif

namespace testkit {

// --- checks -----------------------------------------------------------------
void ReportFailure(const char* file, int line, const std::string& what);
bool AnyFailure();
std::string Narrow(const wchar_t* text);
std::string Describe(const CString& s);
std::string Describe(const wchar_t* s);
std::string Describe(const char* s);
std::string Describe(const std::string& s);
std::string Describe(const std::vector<long>& counts);  // "[2 0 1 ...]": a census, kind by kind
template <class T>
std::string Describe(const T& v) {
    if constexpr (std::is_pointer_v<T>) return std::to_string(reinterpret_cast<uintptr_t>(v));
    else if constexpr (std::is_enum_v<T>) return std::to_string(static_cast<long long>(v));
    else return std::to_string(v);
}

// The current case's label, printed with each failure (table rows set it).
void SetContext(const std::string& label);

struct Case {
    const char* name;
    void (*run)();
};
int Register(const char* name, void (*run)());
// Runs every registered case (or those named on the command line).
int RunAll(int argc, wchar_t** argv);

// --- waiting ----------------------------------------------------------------
// Pumps this thread's messages while waiting, so windows of this thread stay
// alive; false when `done` did not come true within the timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
// Waits without pumping (for a driver thread watching another thread).
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// A visible top-level window of class `className` (null: any) and exact title
// (null: any) belonging to process `pid` (0: any); null when none.
HWND FindTopWindow(const wchar_t* className, const wchar_t* title, DWORD pid = 0, HWND exclude = nullptr);
HWND WaitForTopWindow(const wchar_t* className, const wchar_t* title, DWORD pid = 0, DWORD timeoutMs = 15000,
                      HWND exclude = nullptr);

// What a message box showed, and the button it was closed with.
struct MessageBoxSeen {
    HWND window = nullptr;
    CString caption;
    CString text;
    bool exclamationIcon = false;
    bool informationIcon = false;
};
// Reads an open message box (#32770 with a static text 0xFFFF and an icon 20).
MessageBoxSeen ReadMessageBox(HWND box);
// Waits for a message box of `pid`, reads it and presses its OK button.
bool ConfirmMessageBox(DWORD pid, MessageBoxSeen* seen, DWORD timeoutMs = 15000);

// The main dialog "Orlenza" of process `pid` once its start-up warning is
// confirmed (no tools lie beside a test program); null, with a failure
// reported, when either does not come.
HWND AwaitMainDialogPastWarning(DWORD pid);

// Runs `script` on a second thread while the calling thread runs `modal`
// (DoModal of a dialog). The script acts as the user: it finds windows,
// sends and posts messages. When the script returns or times out, the dialog
// is ended with the cancel command if it is still open.
void DriveModal(const std::function<void()>& modal, const std::function<void()>& script,
                const wchar_t* dialogTitle, DWORD timeoutMs = 60000);

// A list view's item or sub-item text (a list of this process).
CString ListText(HWND list, int row, int column = 0);

// The window with the keyboard focus in the thread that owns `window`
// (another thread's or process's too).
HWND FocusOf(HWND window);

// Keys as the dialog manager receives them: posted to the window's queue.
void PostKey(HWND window, UINT vk);

// The application object's profile under HKCU\Software\<company> for one
// case, with "LastDir" preset (null: absent); removed again, and the
// application back to no profile key, when the object goes.
class ProfileScope {
public:
    ProfileScope(const wchar_t* company, const wchar_t* lastDir);
    ~ProfileScope();
    ProfileScope(const ProfileScope&) = delete;
    ProfileScope& operator=(const ProfileScope&) = delete;

private:
    CString m_root;
};

// --- files ------------------------------------------------------------------
// A fresh folder under the test's temporary area, removed with everything in
// it when the object goes.
class TempDir {
public:
    explicit TempDir(const wchar_t* name);
    ~TempDir();
    const CString& Path() const { return m_path; }
    CString File(const wchar_t* name, size_t bytes = 0) const;  // creates it with `bytes` bytes
    CString Folder(const wchar_t* name) const;                   // creates it

private:
    CString m_path;
};
bool RemoveTree(const CString& path);
// A universal time as the file system stores it.
FILETIME UtcFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0);
// Sets the last-write time of a file or a folder.
bool SetLastWrite(const CString& path, const FILETIME& when);
CString ModuleDir();  // the test program's folder, no trailing backslash

#ifdef ORLENZA_LIVE_COUNTS
// Every kind of the framework's live-object counts, in LiveKind order: a leak
// check compares the census before a loop with the one after it.
inline std::vector<long> LiveCensus() {
    std::vector<long> counts;
    for (int k = 0; k < static_cast<int>(LiveKind::Kinds); ++k) counts.push_back(LiveObjects(static_cast<LiveKind>(k)));
    return counts;
}
#endif

}  // namespace testkit

#define TK_CAT2(a, b) a##b
#define TK_CAT(a, b) TK_CAT2(a, b)
// Declares and registers one test case.
#define TEST_CASE(name)                                                        \
    static void name();                                                        \
    static const int TK_CAT(name, _registered) = testkit::Register(#name, name); \
    static void name()

#define CHECK(cond)                                                                 \
    do {                                                                            \
        if (!(cond)) testkit::ReportFailure(__FILE__, __LINE__, "CHECK(" #cond ")"); \
    } while (0)

#define CHECK_EQ(actual, expected)                                                               \
    do {                                                                                         \
        const auto& tk_a = (actual);                                                             \
        const auto& tk_e = (expected);                                                           \
        if (!(tk_a == tk_e))                                                                     \
            testkit::ReportFailure(__FILE__, __LINE__,                                           \
                                   std::string(#actual " == " #expected ": got ") +              \
                                       testkit::Describe(tk_a) + ", expected " + testkit::Describe(tk_e)); \
    } while (0)

#define REQUIRE(cond)                                                                 \
    do {                                                                              \
        if (!(cond)) {                                                                \
            testkit::ReportFailure(__FILE__, __LINE__, "REQUIRE(" #cond ")");         \
            return;                                                                   \
        }                                                                             \
    } while (0)

// --- dialogs made in memory (the widget tests' hosts) ------------------------
namespace testkit {
// A modeless dialog of `cx` x `cy` dialog units at the screen's corner, from
// an in-memory template without items: a host for controls a test makes.
HWND MakeDialog(DWORD style, short cx, short cy);
}  // namespace testkit
