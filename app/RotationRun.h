#pragma once
// Classes in this file:
//   RunSetup     - what a rotation run works on
//   RunProgress  - how far it has come
//   CRotationRun - the run: jhead.exe -autorot on every row, and with the
//                  box ticked on every sub-folder below a listed folder,
//                  one hidden process at a time, reading what the tool says
//                  became of each photo
//
// The run needs no window. Execute runs it on the calling thread and tells a
// listener of each item it takes up; Start runs it on a thread of its own
// and posts its progress and its end to a window, whose thread then reads
// them here. Either way RequestStop, from any thread, tells the tool process
// at hand to begin no further photo (the word "stop" on its input) and lets it
// finish the ones it is turning (a process is never ended while it rewrites
// a photo), and starts no other.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "KernelHandle.h"
#include "RunTargets.h"
#include "String.h"
#include "ToolOutput.h"

struct RunSetup {
    CString toolPath;          // jhead.exe
    CString workingDirectory;  // the program's folder, never a photo's
    std::vector<CString> rows; // the list's paths, in order
    bool includeSubfolders = true;
    bool toolsTakeUtf8 = true;  // ToolsTakeUtf8() of this Windows
};

struct RunProgress {
    int started = 0;  // rows and sub-folders taken up so far, the current one too
    int known = 0;    // rows, and the sub-folders found so far
    CString item;     // the row or sub-folder at hand
};

class CRotationRun {
public:
    // wParam of the message that Start posts.
    enum Notice : WPARAM { RUN_PROGRESSED = 1, RUN_ENDED = 2 };

    class Listener {
    public:
        // On the thread that executes the run, before the item's tool runs.
        virtual void OnItem(const RunProgress& progress) = 0;

    protected:
        ~Listener() = default;
    };

    explicit CRotationRun(RunSetup setup);
    // A run on its own thread is asked to stop and waited for.
    ~CRotationRun();
    CRotationRun(const CRotationRun&) = delete;
    CRotationRun& operator=(const CRotationRun&) = delete;

    // Runs to its end, or to a stop, on this thread.
    const RunOutcome& Execute(Listener* listener = nullptr);

    // Runs on a thread of its own and posts `message` to `window`:
    // RUN_PROGRESSED when Progress() has news (one such message waits at a
    // time), RUN_ENDED once at the end, after which Finish() answers at once.
    void Start(HWND window, UINT message);
    RunProgress Progress();
    // Waits for the run's thread, if any; what the run did.
    const RunOutcome& Finish();

    void RequestStop();
    bool StopRequested() const { return m_stop; }

private:
    enum class ToolRun { Done, NotStarted, Failed };

    void RotateSubfolders(const CString& folder);
    void RotateTarget(const CString& item, const CString& target);
    ToolRun RunTool(const CString& parameters, std::vector<ToolResult>& results);
    void NoteLeftOut(const CString& item);
    // Counts the item as taken up and tells whoever follows the run.
    void TakeUp(const CString& item);
    void AddKnown(int count);
    // Whether a stop was asked for; from then on the run counts as stopped,
    // since something is left to do where this is asked.
    bool Halted();

    const RunSetup m_setup;
    RunOutcome m_outcome;
    CString m_lastLeftOut;  // so that one folder is not counted twice
    std::atomic<bool> m_stop{false};
    // The writing end of the input of the tool process at hand, through which
    // RequestStop tells it to stop, from any thread.
    std::mutex m_toolInputLock;
    CKernelHandle m_toolInput;
    void TellToolToStop();  // with m_toolInputLock held
    Listener* m_listener = nullptr;  // not owned

    // What Progress() hands to another thread.
    std::mutex m_progressLock;
    RunProgress m_progress;
    std::atomic<bool> m_progressPosted{false};
    HWND m_window = nullptr;  // told by Start; not owned
    UINT m_message = 0;
    std::thread m_thread;
};
