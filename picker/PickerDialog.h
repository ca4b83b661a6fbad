#pragma once
// Classes in this file:
//   CPickerDialog - the platform's open dialog reshaped to choose files and
//                   folders together, returned as full paths
//
// The open dialog alone cannot return a folder: confirming with a folder
// selected opens it. The picker takes over the OK button ("选择") of the
// dialog frame, collects every selected folder and file of the shown folder
// and closes the dialog itself. The result outlives the dialog in statics:
// s_selectedPaths (the last confirmation) and s_currentFolder (the last
// folder shown), read by the caller after DoModal.
#include <windows.h>

#include "FileDialog.h"
#include "String.h"

class CPickerDialog : public CFileDialog {
public:
    CPickerDialog();

    static CStringArray s_selectedPaths;
    static CString s_currentFolder;

    // Control ids of the explorer-style dialog frame that the picker uses.
    enum : int {
        ID_OK = 1,
        ID_CANCEL = 2,
        ID_TYPE_LABEL = 1089,
        ID_NAME_LABEL = 1090,
        ID_LIST_PLACEHOLDER = 1120,
        ID_SHELL_VIEW = 1121,
        ID_OLD_NAME_EDIT = 1152,
        ID_TYPE_COMBO = 1136,
        ID_NAME_COMBO = 1148,
    };

    // Splits the file-name box's text into names: one name without quotes,
    // or the quoted multi-selection form ("a.jpg" "b.jpg"). A name still open
    // at the end is dropped; an empty text names nothing. Exposed for tests.
    static void AppendNamesFromNameBox(const CString& prefix, const CString& nameText, CStringArray& out);

protected:
    void OnInitDone() override;
    void OnFolderChange() override;
    BOOL OnFileNameOK() override;

private:
    // The dialog frame, subclassed while it lives: its OK command collects
    // the selection (FrameOk); every other message, and the frame's own
    // procedure once the frame goes, stay the frame's.
    class FrameHook : public CWnd {
    protected:
        static const MessageMap* ClassMessageMap();
        const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

    private:
        void OnOk() { FrameOk(m_hWnd); }
    };

    FrameHook m_frameHook;

    static LRESULT FrameOk(HWND frame);
    static CString QueryFolder(HWND frame);
    static CString QueryNameBox(HWND frame);
    static CString FolderPrefix();
    static HWND FindItemList(HWND frame);
};
