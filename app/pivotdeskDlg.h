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
// rotation run (RotationRun.cpp, its path rules in RunTargets.cpp).
#include <windows.h>
#include <shellapi.h>

#include "ButtonVela.h"
#include "Controls.h"
#include "Dialog.h"
#include "String.h"
#include "TorSideBannerWnd.h"

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

    static const MessageMap* ClassMessageMap();
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

    // Message and command handlers.
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnListItemChanged(NMHDR* notify, LRESULT* result);
    void OnAddEntries();
    void OnIgnoreCommand();
    void OnStartRotation();
    void OnClearList();
    void OnDeleteEntries();
    void OnDropFiles(HDROP drop);
    void OnAbout();

    // Makes one row the selected and focused row (-1: none), scrolls it into
    // view and gives the list the focus.
    static void SelectEntry(CListCtrl& list, int index);

    // The rotation run's pieces: one tool process per folder below `folder`,
    // children before parents; one tool run on a file or a folder's pattern,
    // `item` being the row or sub-folder it stands for; one process started
    // and waited for.
    enum class ToolRun { Done, NotStarted, Failed };
    void RotateSubfolders(const CString& folder);
    void RotateTarget(const CString& item, const CString& target);
    ToolRun RunTool(const CString& parameters);
    // Counts a row or sub-folder the run left out; the first one is named.
    void NoteLeftOut(const CString& item);

private:
    // Opening steps, called at their place in OnInitDialog.
    void AddAboutMenuEntry();  // the about entry of the system menu
    void DressButtons();       // image buttons with icons and tooltips
    void SetUpBanner();        // the banner along the top edge

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

    // Set when the run could not start the tool for some row.
    bool m_toolStartFailed = false;
    // What the run left out: how many rows and sub-folders, the first, and
    // the last (so that one folder is not counted twice).
    int m_leftOutCount = 0;
    CString m_firstLeftOut;
    CString m_lastLeftOut;
    // Whether the tools receive paths in UTF-8 on this Windows.
    bool m_toolsTakeUtf8 = true;
    // Set while the delete command removes rows one by one.
    bool m_deletingRows = false;

    // Docked along the top edge when the dialog opens; last, so that it is
    // made after and destroyed before everything it is drawn over.
    CTorSideBannerWnd m_banner;
};
