#pragma once
// Classes in this file:
//   CTaskbarProgress - the progress that a window's taskbar button shows,
//                      where the shell offers it (ITaskbarList3, Windows 7 on)
//
// The shell takes such calls only once it has made the window's button and
// said so with the registered message "TaskbarButtonCreated"; until then,
// and where the shell has no such list (Wine's desktop, older Windows), the
// calls do nothing.
#include <windows.h>

// The shell's interface (shobjidl.h), kept out of the dialog's header.
struct ITaskbarList3;

class CTaskbarProgress {
public:
    CTaskbarProgress() = default;
    ~CTaskbarProgress();
    CTaskbarProgress(const CTaskbarProgress&) = delete;
    CTaskbarProgress& operator=(const CTaskbarProgress&) = delete;

    // The window's "TaskbarButtonCreated". The shell's list is made at the
    // first Show after it, on the window's thread, which keeps it in its
    // apartment from then on: a start that runs nothing loads none of it.
    void ButtonCreated() { m_buttonReady = true; }
    void Show(HWND window, int done, int total);
    void Clear(HWND window);

private:
    ITaskbarList3* List();  // null where there is none (yet)

    ITaskbarList3* m_list = nullptr;  // owned: released when this goes
    bool m_buttonReady = false;
    bool m_listTried = false;         // made once or not at all
    bool m_comStarted = false;        // this object's CoInitializeEx, to balance
};
