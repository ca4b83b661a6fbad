// The rotation run: jhead.exe -autorot over every row, one hidden process at a
// time, and over every sub-folder of a listed folder when the box is ticked;
// what the tool reports is counted, and what the run had to leave out is
// counted and the first one named.
#include "RotationRun.h"

#include "Debug.h"
#include "KernelHandle.h"

namespace {

bool IsFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// The folders below `folder` that the run walks, in the file system's order;
// false when it cannot be listed.
bool ListSubfolders(const CString& folder, std::vector<CString>& subfolders) {
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(JoinPath(folder, L"*.*"), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        if (wcscmp(entry.cFileName, L".") == 0 || wcscmp(entry.cFileName, L"..") == 0) continue;
        // For a reparse point the search hands out its tag in dwReserved0.
        if (DescendsIntoFolder(entry.dwFileAttributes, entry.dwReserved0))
            subfolders.push_back(JoinPath(folder, entry.cFileName));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return true;
}

}  // namespace

CRotationRun::CRotationRun(RunSetup setup) : m_setup(std::move(setup)) {}

CRotationRun::~CRotationRun() {
    RequestStop();
    Finish();
}

const RunOutcome& CRotationRun::Execute(Listener* listener) {
    m_listener = listener;
    AddKnown(static_cast<int>(m_setup.rows.size()));
    for (const CString& path : m_setup.rows) {
        if (Halted()) break;
        TakeUp(path);
        const DWORD attributes = GetFileAttributesW(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;  // vanished since it was added
        if (IsFolder(attributes)) {
            RotateTarget(path, JoinPath(path, L"*.*"));
            if (m_setup.includeSubfolders) RotateSubfolders(path);
        } else {
            RotateTarget(path, path);
        }
    }
    m_listener = nullptr;
    return m_outcome;
}

void CRotationRun::Start(HWND window, UINT message) {
    ORLENZA_ASSERT(!m_thread.joinable() && window);
    m_window = window;
    m_message = message;
    auto run = [this] {
        Execute();
        PostMessageW(m_window, m_message, RUN_ENDED, 0);
    };
    try {
        m_thread = std::thread(run);
    } catch (const std::system_error&) {
        // No thread to be had: the run still happens, on this one, as before
        // there were threads.
        run();
    }
}

RunProgress CRotationRun::Progress() {
    // Cleared before the read: news that comes after it posts again.
    m_progressPosted = false;
    std::lock_guard<std::mutex> hold(m_progressLock);
    return m_progress;
}

const RunOutcome& CRotationRun::Finish() {
    if (m_thread.joinable()) m_thread.join();
    return m_outcome;
}

void CRotationRun::RequestStop() {
    m_stop = true;
    std::lock_guard<std::mutex> hold(m_toolInputLock);
    TellToolToStop();
}

void CRotationRun::TellToolToStop() {
    // The tool begins no further photo once its input brings this word. Only
    // the word counts, not the input's end, so that a tool started from a
    // script with a closed input still runs. Five bytes, once, into a pipe
    // nothing else writes to: the write never waits.
    if (!m_toolInput.IsValid()) return;
    static const char kStop[] = "stop\n";
    DWORD written = 0;
    WriteFile(m_toolInput.Get(), kStop, sizeof(kStop) - 1, &written, nullptr);
    m_toolInput.Reset();
}

bool CRotationRun::Halted() {
    if (m_stop) m_outcome.stopped = true;
    return m_outcome.stopped;
}

void CRotationRun::AddKnown(int count) {
    std::lock_guard<std::mutex> hold(m_progressLock);
    m_progress.known += count;
}

void CRotationRun::TakeUp(const CString& item) {
    {
        std::lock_guard<std::mutex> hold(m_progressLock);
        ++m_progress.started;
        // A copy of its own: the strings' shared buffers are not for two threads.
        m_progress.item = CString(item.GetString(), item.GetLength());
    }
    if (m_listener) m_listener->OnItem(m_progress);
    if (m_window && !m_progressPosted.exchange(true)) PostMessageW(m_window, m_message, RUN_PROGRESSED, 0);
}

void CRotationRun::RotateSubfolders(const CString& folder) {
    // Listed whole before the walk goes down: the count of known items
    // grows by the folder's sub-folders at once, and no search stays open
    // while the tool runs below it.
    std::vector<CString> subfolders;
    if (!ListSubfolders(folder, subfolders)) {
        // Whatever lies below stays unturned: say so at the end.
        NoteLeftOut(folder);
        return;
    }
    AddKnown(static_cast<int>(subfolders.size()));
    for (const CString& sub : subfolders) {
        if (Halted()) return;
        RotateSubfolders(sub);
        if (Halted()) return;
        TakeUp(sub);
        RotateTarget(sub, JoinPath(sub, L"*.*"));
    }
}

void CRotationRun::RotateTarget(const CString& item, const CString& target) {
    // A path past the limit would not fit the buffers of the tool; one that
    // the tool's code page cannot carry would reach it with '?' in place of
    // some characters, which it takes as a wildcard.
    if (!FitsToolPath(target) || (!m_setup.toolsTakeUtf8 && !SurvivesCodePage(target, GetACP()))) {
        NoteLeftOut(item);
        return;
    }
    if (Halted()) return;
    std::vector<ToolResult> results;
    const ToolRun run = RunTool(CString::Formatted(L"-autorot \"%s\"", target.GetString()), results);
    if (run == ToolRun::NotStarted) {
        m_outcome.toolStartFailed = true;
        return;
    }
    bool namedFailures = false;
    for (const ToolResult& result : results) {
        if (result.verdict == ToolVerdict::Turned) ++m_outcome.turned;
        if (result.verdict == ToolVerdict::Upright) ++m_outcome.upright;
        if (result.verdict == ToolVerdict::Failed) {
            NoteLeftOut(result.path);
            namedFailures = true;
        }
    }
    // The tool answers non-zero when it could not turn a photo it was
    // given; when it did not say which, the item stands for it.
    if (run == ToolRun::Failed && !namedFailures) NoteLeftOut(item);
}

void CRotationRun::NoteLeftOut(const CString& item) {
    // A folder that could neither be listed nor turned is one item, not two.
    if (m_outcome.leftOutCount > 0 && item == m_lastLeftOut) return;
    if (m_outcome.leftOutCount == 0) m_outcome.firstLeftOut = item;
    m_lastLeftOut = item;
    ++m_outcome.leftOutCount;
}

CRotationRun::ToolRun CRotationRun::RunTool(const CString& parameters, std::vector<ToolResult>& results) {
    // The tool's output comes through a pipe whose writing end only the tool
    // holds, so that reading ends when the tool has ended. Its input is a
    // pipe whose writing end the run keeps: a stop reaches the tool through
    // it (see TellToolToStop). It has no console of ours to inherit: its
    // messages go to NUL.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    CKernelHandle reading, writing, input, inputWriting;
    if (!CreatePipe(reading.Receive(), writing.Receive(), &inheritable, 0) ||
        !CreatePipe(input.Receive(), inputWriting.Receive(), &inheritable, 0))
        return ToolRun::NotStarted;
    SetHandleInformation(reading.Get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(inputWriting.Get(), HANDLE_FLAG_INHERIT, 0);
    CKernelHandle nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                  OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    // A console program started by a program without a console gets a
    // console window of its own; hidden, as the tool's runs always were.
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = input.Get();
    startup.hStdOutput = writing.Get();
    startup.hStdError = nul.IsValid() ? nul.Get() : nullptr;
    // The program's own folder, never the photo's: a program planted beside
    // the photos must not be the one the tool finds first. The tool receives
    // full paths. A drive's root needs its backslash to be a folder.
    const CString& folder = m_setup.workingDirectory;
    const CString directory = folder.GetLength() == 2 ? folder + L"\\" : folder;
    // Named in full and quoted, no shell between: nothing in a path is read
    // as a command.
    CString commandLine = L"\"" + m_setup.toolPath + L"\" " + parameters;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(m_setup.toolPath, commandLine.GetBuffer(commandLine.GetLength() + 1), nullptr,
                                        nullptr, TRUE, 0, nullptr, directory.IsEmpty() ? nullptr : directory.GetString(),
                                        &startup, &info);
    commandLine.ReleaseBuffer();
    writing.Reset();
    input.Reset();
    nul.Reset();
    if (!started) return ToolRun::NotStarted;
    CKernelHandle process(info.hProcess), thread(info.hThread);
    {
        std::lock_guard<std::mutex> hold(m_toolInputLock);
        m_toolInput = std::move(inputWriting);
        if (m_stop) TellToolToStop();  // asked before there was a tool to tell
    }

    // Read as it comes: a tool that writes more than the pipe holds waits
    // for the reader.
    ResultLineReader reader;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(reading.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) reader.Feed(buffer, got, results);
    WaitForSingleObject(process.Get(), INFINITE);
    {
        std::lock_guard<std::mutex> hold(m_toolInputLock);
        // Gone already only when the tool was told to stop: it may have left
        // photos of its folder unturned, also when it was the last.
        if (!m_toolInput.IsValid()) m_outcome.stopped = true;
        m_toolInput.Reset();
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.Get(), &exitCode)) exitCode = 1;
    return exitCode == 0 ? ToolRun::Done : ToolRun::Failed;
}
