// The start command and the dialog during a run. The run goes on a thread of
// its own (RotationRun.h), so the window repaints and answers at once
// throughout; the dialog only starts it, shows what it reports, asks it to
// stop, and shows how it ended.
#include "pivotdeskDlg.h"
#include "resource.h"

void CpivotdeskDlg::OnStartRotation() {
    // During a run the button reads "停止旋转".
    if (RunUnderWay()) {
        StopRun();
        return;
    }
    UpdateData(TRUE);
    const int rows = m_listEntries.GetItemCount();
    if (rows == 0) {
        MessageBox(L"请先添加要旋转的图片项目！", L"Orlenza", MB_OK | MB_ICONINFORMATION);
        return;
    }
    RunSetup setup;
    setup.toolPath = m_strToolPath;
    setup.workingDirectory = m_strAppDir;
    setup.includeSubfolders = m_bIncludeSubfolders != FALSE;
    setup.toolsTakeUtf8 = ToolsTakeUtf8();
    setup.rows.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) setup.rows.push_back(m_listEntries.GetItemText(row, 0));
    m_run = std::make_unique<CRotationRun>(std::move(setup));
    m_closeAfterRun = false;
    EnterRunState();
    m_run->Start(m_hWnd, WM_ROTATION_RUN);
}

LRESULT CpivotdeskDlg::OnRunNotice(WPARAM notice, LPARAM) {
    if (!RunUnderWay()) return 0;
    if (notice == CRotationRun::RUN_PROGRESSED)
        ShowRunProgress(m_run->Progress());
    else if (notice == CRotationRun::RUN_ENDED)
        EndRun();
    return 0;
}

void CpivotdeskDlg::EnterRunState() {
    m_btnStart.SetWindowText(L"停止旋转");
    m_btnStart.SetTipText(L"停止旋转");
    // The list keeps its rows: nothing may add, remove or change them, nor
    // the box the run has read. The list itself stays usable for looking.
    m_btnAdd.EnableWindow(FALSE);
    m_btnDelete.EnableWindow(FALSE);
    m_btnClear.EnableWindow(FALSE);
    ::EnableWindow(GetDlgItem(IDC_CHECK_SUBFOLDERS), FALSE);
    ::DragAcceptFiles(m_hWnd, FALSE);
}

void CpivotdeskDlg::ShowRunProgress(const RunProgress& progress) {
    if (m_run->StopRequested()) return;  // the banner says the run is stopping
    m_banner.SetCaption(
        CString::Formatted(L"正在旋转第 %d/%d 项：", progress.started, progress.known) + progress.item);
    SetWindowText(CString::Formatted(L"Orlenza - 正在旋转 (%d/%d)", progress.started, progress.known));
    m_taskbar.Show(m_hWnd, progress.started, progress.known);
}

void CpivotdeskDlg::StopRun() {
    if (!RunUnderWay() || m_run->StopRequested()) return;
    m_run->RequestStop();
    m_banner.SetCaption(L"正在停止：当前这一项完成后不再开始新的项目。");
}

void CpivotdeskDlg::EndRun() {
    // The run has posted its end: its thread is done or about to be.
    const RunOutcome outcome = m_run->Finish();
    m_run.reset();
    m_btnStart.SetWindowText(L"开始旋转");
    m_btnStart.SetTipText(L"开始自动旋转");
    m_btnAdd.EnableWindow(TRUE);
    ::EnableWindow(GetDlgItem(IDC_CHECK_SUBFOLDERS), TRUE);
    UpdateListButtons();
    m_btnDelete.EnableWindow(m_listEntries.GetSelectedCount() > 0);
    ::DragAcceptFiles(m_hWnd, TRUE);
    SetWindowText(L"Orlenza");
    m_banner.SetCaption(BannerCaption());
    m_taskbar.Clear(m_hWnd);
    if (m_closeAfterRun) {
        CDialog::OnCancel();
        return;
    }
    const RunEndBox box = RunEndMessage(outcome);
    MessageBox(box.text, L"Orlenza", MB_OK | (box.warns ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

BOOL CpivotdeskDlg::PreTranslateMessage(MSG* msg) {
    // Escape cancels what is going on, the run; outside a run it is the
    // dialog manager's cancel command, which closes the dialog.
    if (RunUnderWay() && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        StopRun();
        return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}

void CpivotdeskDlg::OnCancel() {
    if (RunUnderWay()) {
        m_closeAfterRun = true;
        StopRun();
        return;
    }
    CDialog::OnCancel();
}

LRESULT CpivotdeskDlg::OnTaskbarButtonCreated(WPARAM, LPARAM) {
    m_taskbar.ButtonCreated();
    return 0;
}
