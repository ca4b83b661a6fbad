#pragma once
// Classes in this file:
//   CFileDialog - the platform's explorer-style open or save dialog with a
//                 hook, whose notifications reach virtual functions
//
// The object is bound to the hook dialog, an empty child of the dialog frame
// that the platform creates for hooks; GetParent() is the frame, whose
// standard controls (OK 1, Cancel 2, file-name box 1148, shell view host 1121,
// ...) a derived class may rearrange. The hook is always installed, so the
// platform always shows the classic explorer style, never the newer one.
#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "String.h"
#include "Wnd.h"

class CFileDialog : public CWnd {
public:
    // filter: entries "name|pattern|" ending with an extra "|", as in
    // "All files(*.*)|*.*||". OFN_ENABLEHOOK and OFN_EXPLORER are added.
    CFileDialog(BOOL openFileDialog, const wchar_t* defaultExt = nullptr, const wchar_t* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const wchar_t* filter = nullptr,
                CWnd* parent = nullptr);

    // IDOK when the dialog closed with a choice, IDCANCEL otherwise.
    virtual INT_PTR DoModal();

    OPENFILENAMEW m_ofn{};  // may be adjusted (lpstrInitialDir, ...) before DoModal

    // The file-name buffer after DoModal returned IDOK.
    CString GetPathName() const { return CString(m_fileBuffer.data()); }

protected:
    virtual void OnInitDone();
    virtual void OnFolderChange();
    // The dialog is about to close with a file name: TRUE keeps it open.
    virtual BOOL OnFileNameOK();

private:
    static UINT_PTR CALLBACK HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    BOOL m_bOpenFileDialog;
    CWnd* m_pParentWnd;
    CString m_strDefExt;
    std::vector<wchar_t> m_filter;      // the filter with its separators made terminators
    std::vector<wchar_t> m_fileBuffer;  // receives the chosen names
};
