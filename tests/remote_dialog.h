#pragma once
// Driving the main dialog of an Orlenza.exe that runs as its own process, the
// way a user does: dropping files and folders from the shell, setting the
// sub-folder box, pressing start. Used by the rotation tests and by the run
// benchmark; every wait has a timeout.
//
// Also: running a Linux program from a test under Wine, for what only the
// Linux side offers (making photos with Exif blocks, reading them back,
// symbolic links).
#include <windows.h>

#include <string>
#include <vector>

#include "String.h"
#include "harness.h"
#include "program.h"

namespace remote {

// The visible main dialog of process `pid`: the "Orlenza" dialog that holds
// the entry list. Message boxes that come first (the installation warning)
// are read, appended to `earlier` and confirmed. Null on timeout.
HWND WaitForMainDialog(DWORD pid, std::vector<testkit::MessageBoxSeen>* earlier, DWORD timeoutMs = 20000);

// Drops `paths` on the dialog as the shell does: a DROPFILES block in the
// program's memory and WM_DROPFILES with its address. True when the list has
// grown by one row per path.
bool Drop(HANDLE process, HWND dialog, const std::vector<CString>& paths, DWORD timeoutMs = 10000);

int RowCount(HWND dialog);
bool IsControlEnabled(HWND dialog, int id);

// Clicks the sub-folder box until it shows `ticked`; false if it does not.
bool SetSubfolderBox(HWND dialog, bool ticked);

// The end message of a run that finished, and the second line every end
// message has: what became of the photos, as the tool reported them.
inline const wchar_t* const kFinished = L"旋转结束，谢谢使用！";
CString Counts(int turned, int upright);

// A click on the start button. Posted: the run blocks the program's thread
// until its end message is closed.
void ClickStart(HWND dialog);
// The start command itself, as the dialog manager sends it; reaches the
// dialog even while the button is disabled.
void PostStartCommand(HWND dialog);

// Ends the program with its close button and waits for it to exit.
bool Close(HWND dialog, HANDLE process, DWORD timeoutMs = 10000);

// The program started from `exe`, its main dialog found (message boxes that
// come first are confirmed and kept in Warnings()), and closed again with its
// close button at the end; terminated if it does not close.
class Session {
public:
    explicit Session(const CString& exe);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HWND Dialog() const { return m_dialog; }
    HANDLE Process() const { return m_program.Process(); }
    DWORD Pid() const { return m_program.Pid(); }
    const std::vector<testkit::MessageBoxSeen>& Warnings() const { return m_warnings; }
    bool Drop(const std::vector<CString>& paths) { return remote::Drop(Process(), m_dialog, paths); }
    // Sets the box, clicks start and reads and confirms the box the run ends with.
    bool RunToEnd(bool includeSubfolders, testkit::MessageBoxSeen* end, DWORD timeoutMs = 90000);

private:
    testkit::Program m_program;
    std::vector<testkit::MessageBoxSeen> m_warnings;
    HWND m_dialog = nullptr;
};

// The Linux file name of a Windows path, UTF-8; empty when Wine has none.
std::string UnixPath(const CString& windowsPath);
// `text` quoted for the POSIX shell.
std::string ShellQuoted(const std::string& text);
// Runs `script` with /bin/sh (Wine starts Linux programs directly), with the
// script file kept in `folder`. True when it exited with 0 within the
// timeout; whatever it printed is in `folder`\script.log.
bool RunShellScript(const std::string& script, const CString& folder, DWORD timeoutMs = 60000);

CString FromUtf8(const std::string& text);
// A whole file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const CString& path);
// Makes or replaces `path` with `bytes`; false when they were not all written.
bool WriteFileBytes(const CString& path, const std::string& bytes);

// A temporary folder that the tool runs in. A console program's console host
// can outlive the program for a moment and still hold the folder it was
// started in, so removing it may take a few tries.
class ToolFolder : public testkit::TempDir {
public:
    using TempDir::TempDir;
    ~ToolFolder();
};

// A link to a folder, made on the Linux side: Wine shows it as a folder with
// the reparse-point attribute, as a junction looks on Windows. (Wine 8 makes
// none itself: CreateSymbolicLinkW reports success and makes nothing, and
// FSCTL_SET_REPARSE_POINT fails as not supported.)
// Removed on the Linux side again: Wine's RemoveDirectoryW leaves it, and the
// folder it lies in, behind. `scratch` holds the shell scripts.
class FolderLink {
public:
    FolderLink(const CString& link, const CString& target, const CString& scratch);
    ~FolderLink();
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;
    bool Made() const { return m_made; }

private:
    std::string m_link;  // quoted for the shell
    CString m_scratch;
    bool m_made = false;
};

}  // namespace remote
