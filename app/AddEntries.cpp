// The add command: the picker, its paths as rows, and the folder remembered.
#include "App.h"
#include "PickerDialog.h"
#include "RedrawSuspended.h"
#include "pivotdeskDlg.h"

void CpivotdeskDlg::OnAddEntries() {
    if (RunUnderWay()) return;  // a click queued before the run disabled the button
    CPickerDialog picker;
    if (!m_strLastDir.IsEmpty()) picker.m_ofn.lpstrInitialDir = m_strLastDir;
    if (picker.DoModal() != IDOK) return;  // the list, the buttons and "LastDir" stay

    {
        // Many paths at once (a folder's whole contents) insert without a redraw per row.
        RedrawSuspended quiet(m_listEntries);
        for (const CString& path : CPickerDialog::s_selectedPaths) AddEntry(path);
    }
    UpdateListButtons();
    m_strLastDir = CPickerDialog::s_currentFolder;
    if (CWinApp* app = AfxGetApp()) app->WriteProfileString(L"", L"LastDir", m_strLastDir);
    m_listEntries.SetFocus();
}
