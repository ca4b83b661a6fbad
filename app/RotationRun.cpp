// The rotation run: jhead.exe -autorot over every row, one hidden process at a
// time, and over every sub-folder of a listed folder when the box is ticked.
// What the run had to leave out is counted and named in its end message.
#include "RunTargets.h"
#include "pivotdeskDlg.h"

// The shell reads this structure by its documented layout; a header that
// packed it differently would make every start fail with a bad size.
#ifdef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOW) == 112, "64-bit SHELLEXECUTEINFOW layout expected");
#else
static_assert(sizeof(SHELLEXECUTEINFOW) == 60, "32-bit SHELLEXECUTEINFOW layout expected");
#endif

namespace {

bool IsFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

}  // namespace

void CpivotdeskDlg::OnStartRotation() {
    UpdateData(TRUE);
    if (m_listEntries.GetItemCount() == 0) {
        MessageBox(L"请先添加要旋转的图片项目！", L"Orlenza", MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_toolStartFailed = false;
    m_leftOutCount = 0;
    m_firstLeftOut.Empty();
    m_lastLeftOut.Empty();
    m_toolsTakeUtf8 = ToolsTakeUtf8();
    for (int row = 0; row < m_listEntries.GetItemCount(); ++row) {
        const CString path = m_listEntries.GetItemText(row, 0);
        const DWORD attributes = GetFileAttributesW(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;  // vanished since it was added
        if (IsFolder(attributes)) {
            RotateTarget(path, JoinPath(path, L"*.*"));
            if (m_bIncludeSubfolders) RotateSubfolders(path);
        } else {
            RotateTarget(path, path);
        }
    }
    // "Finished" after starts that failed would claim photos were turned
    // when none were; the same goes for anything the run had to leave out.
    if (m_toolStartFailed)
        MessageBox(L"无法启动 jhead.exe，旋转未完成，请重装软件！", L"Orlenza", MB_OK | MB_ICONEXCLAMATION);
    else if (m_leftOutCount > 0)
        MessageBox(LeftOutMessage(m_firstLeftOut, m_leftOutCount), L"Orlenza", MB_OK | MB_ICONEXCLAMATION);
    else
        MessageBox(L"旋转结束，谢谢使用！", L"Orlenza", MB_OK | MB_ICONINFORMATION);
}

void CpivotdeskDlg::RotateSubfolders(const CString& folder) {
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(JoinPath(folder, L"*.*"), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        // Whatever lies below stays unturned: say so at the end.
        NoteLeftOut(folder);
        return;
    }
    do {
        if (wcscmp(entry.cFileName, L".") == 0 || wcscmp(entry.cFileName, L"..") == 0) continue;
        // For a reparse point the search hands out its tag in dwReserved0.
        if (!DescendsIntoFolder(entry.dwFileAttributes, entry.dwReserved0)) continue;
        const CString sub = JoinPath(folder, entry.cFileName);
        RotateSubfolders(sub);
        RotateTarget(sub, JoinPath(sub, L"*.*"));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

void CpivotdeskDlg::RotateTarget(const CString& item, const CString& target) {
    // A path past the limit would not fit the buffers of the shell or the
    // tool; one that the tool's code page cannot carry would reach it with
    // '?' in place of some characters, which it takes as a wildcard.
    if (!FitsToolPath(target) || (!m_toolsTakeUtf8 && !SurvivesCodePage(target, GetACP()))) {
        NoteLeftOut(item);
        return;
    }
    if (RunTool(CString::Formatted(L"-autorot \"%s\"", target.GetString())) == ToolRun::Failed) NoteLeftOut(item);
}

void CpivotdeskDlg::NoteLeftOut(const CString& item) {
    // A folder that could neither be listed nor turned is one item, not two.
    if (m_leftOutCount > 0 && item == m_lastLeftOut) return;
    if (m_leftOutCount == 0) m_firstLeftOut = item;
    m_lastLeftOut = item;
    ++m_leftOutCount;
}

CpivotdeskDlg::ToolRun CpivotdeskDlg::RunTool(const CString& parameters) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // No error dialog of the shell for each row when the tool is missing: the
    // run reports a failed start once, at its end.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpFile = m_strToolPath;
    info.lpParameters = parameters;
    // The program's own folder, never the photo's: a program planted beside
    // the photos must not be the one the tool finds first. The tool receives
    // full paths.
    const CString directory = m_strAppDir.GetLength() == 2 ? m_strAppDir + L"\\" : m_strAppDir;
    info.lpDirectory = directory;
    info.nShow = SW_HIDE;
    if (!ShellExecuteExW(&info)) {
        m_toolStartFailed = true;
        return ToolRun::NotStarted;
    }
    DWORD exitCode = 0;
    if (info.hProcess) {
        WaitForSingleObject(info.hProcess, INFINITE);
        if (!GetExitCodeProcess(info.hProcess, &exitCode)) exitCode = 1;
        CloseHandle(info.hProcess);
    }
    // The tool answers non-zero when it could not turn a photo it was given.
    return exitCode == 0 ? ToolRun::Done : ToolRun::Failed;
}
