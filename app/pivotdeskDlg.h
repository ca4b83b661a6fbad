#pragma once
// Classes in this file:
//   CpivotdeskDlg - the main dialog: the entry list, its buttons, the
//                   sub-folder box, and the rotation run over the list
//
// It follows its monitor's DPI: icons of the size the DPI asks for, the
// banner's and the columns' lengths scaled, all made again when the DPI
// changes. Its work is spread over files by subject: opening, painting, the
// message table and the DPI (pivotdeskDlg.cpp), the entry list
// (EntryList.cpp), the add command with its picker (AddEntries.cpp) and the
// start command with what the dialog shows while the run goes on
// (StartRotation.cpp). The run itself is an object of its own
// (RotationRun.h), on a thread of its own.
#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "ButtonVela.h"
#include "Controls.h"
#include "Dialog.h"
#include "RotationRun.h"
#include "String.h"
#include "TaskbarProgress.h"
#include "TorSideBannerWnd.h"

// What the run's thread posts to the dialog (wParam: CRotationRun::Notice).
constexpr UINT WM_ROTATION_RUN = WM_APP + 1;

class CpivotdeskDlg : public CDialog {
public:
    explicit CpivotdeskDlg(CWnd* parent = nullptr);
    ~CpivotdeskDlg() override;

    // Appends one row for `path`: the path itself, its last-write time and
    // its size in kilobytes or "文件夹". FALSE when the path's directory entry
    // cannot be found; the row is added all the same, with empty columns.
    BOOL AddEntry(const CString& path);

    // Icons, banner and columns for the new DPI (CDialog has scaled the rest).
    void DpiChanged(UINT dpi) override;

    // Where the tools were found (tests and the run read them).
    const CString& ToolPath() const { return m_strToolPath; }
    const CString& AppDir() const { return m_strAppDir; }
    const CString& LastDir() const { return m_strLastDir; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    // During a run: Escape stops it, and a close (the close box, Alt+F4, the
    // close button) stops it and closes once it has stopped.
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override;

    static const MessageMap* ClassMessageMap();
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

    // Message and command handlers.
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnListItemChanged(NMHDR* notify, LRESULT* result);
    void OnListKeyDown(NMHDR* notify, LRESULT* result);  // Delete and Ctrl+A
    void OnAddEntries();
    void OnIgnoreCommand();
    void OnStartRotation();
    void OnClearList();
    void OnDeleteEntries();
    void OnDropFiles(HDROP drop);
    void OnAbout();
    LRESULT OnRunNotice(WPARAM notice, LPARAM);
    LRESULT OnTaskbarButtonCreated(WPARAM, LPARAM);

    // Makes one row the selected and focused row (-1: none), scrolls it into
    // view and gives the list the focus.
    static void SelectEntry(CListCtrl& list, int index);

    // The run's course as the dialog shows it: the controls a run must not
    // reach are off and start reads "停止旋转"; each item shows in the
    // banner, the title and the taskbar button; at the end everything is as
    // before and the end message says what became of the photos.
    bool RunUnderWay() const { return m_run != nullptr; }
    void EnterRunState();
    void ShowRunProgress(const RunProgress& progress);
    void EndRun();
    void StopRun();

private:
    // Opening steps, called at their place in OnInitDialog.
    void AddAboutMenuEntry();  // the about entry of the system menu
    void DressButtons();       // image buttons with icons and tooltips
    void SetUpBanner();        // the banner along the top edge
    static const wchar_t* BannerCaption();  // the banner's line between runs

    // The icons that depend on the DPI: the buttons', the banner's and the
    // window's own.
    void LoadButtonIcons();
    void SetWindowIcons();
    // Each image button's icon resource and tooltip.
    struct Dressing {
        CButtonVela CpivotdeskDlg::*button;
        int icon;
        const wchar_t* tip;
    };
    static const Dressing kDressings[6];

    void LocateTools();
    void CheckInstallationAndWarn();
    // Start and clear follow whether the list has rows.
    void UpdateListButtons();

    HICON m_hAppIcon;           // shared resource icon: not destroyed
    // The window's icons when its DPI is not the system's (owned), else empty.
    CIcon m_windowIcons[2];     // big, small
    CListCtrl m_listEntries;    // control 1000
    CButtonVela m_btnClose;         // control 2
    CString m_strToolPath;      // full path of jhead.exe beside the program
    CString m_strAppDir;        // the program's folder, no trailing backslash
    CString m_strLastDir;       // last folder shown in the picker ("LastDir")
    CButtonVela m_btnStart;         // control 1004
    CButtonVela m_btnAdd;           // control 1001
    CButtonVela m_btnDelete;        // control 1002
    CButtonVela m_btnClear;         // control 1003
    CButtonVela m_btnAbout;         // control 3
    BOOL m_bIncludeSubfolders;  // check box 1005

    // Set while the delete command removes rows one by one.
    bool m_deletingRows = false;
    // The run under way, if any; its thread ends before the dialog does.
    std::unique_ptr<CRotationRun> m_run;
    // A close came during the run: the dialog ends when the run has stopped.
    bool m_closeAfterRun = false;
    CTaskbarProgress m_taskbar;

    // Docked along the top edge when the dialog opens; last, so that it is
    // made after and destroyed before everything it is drawn over.
    CTorSideBannerWnd m_banner;
};
