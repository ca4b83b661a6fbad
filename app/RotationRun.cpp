// The rotation run: jhead.exe -autorot over every row, one hidden process at a
// time, and over every sub-folder of a listed folder when the box is ticked.
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

// The folder a file lies in, as a working directory: "C:\photos" for
// "C:\photos\a.jpg", "C:\" for "C:\a.jpg". A process cannot be started with a
// file as its current directory.
CString FolderOf(const CString& file) {
    const int slash = file.ReverseFind(L'\\');
    if (slash < 0) return CString();
    if (slash == 2 && file[1] == L':') return file.Left(3);
    return file.Left(slash);
}

// The tool expands the pattern itself; quoting keeps paths with blanks one
// argument.
CString FolderParameters(const CString& folder) {
    return CString::Formatted(L"-autorot \"%s\\*.*\"", folder.GetString());
}

}  // namespace

void CpivotdeskDlg::OnStartRotation() {
    UpdateData(TRUE);
    if (m_listEntries.GetItemCount() == 0) {
        MessageBox(L"请先添加要旋转的图片项目！", L"Orlenza", MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_toolStartFailed = false;
    for (int row = 0; row < m_listEntries.GetItemCount(); ++row) {
        const CString path = m_listEntries.GetItemText(row, 0);
        const DWORD attributes = GetFileAttributesW(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;  // vanished since it was added
        if (IsFolder(attributes)) {
            RunTool(path, FolderParameters(path));
            if (m_bIncludeSubfolders) RotateSubfolders(path);
        } else {
            RunTool(FolderOf(path), CString::Formatted(L"-autorot \"%s\"", path.GetString()));
        }
    }
    // "Finished" after starts that failed would claim photos were turned
    // when none were.
    if (m_toolStartFailed)
        MessageBox(L"无法启动 jhead.exe，旋转未完成，请重装软件！", L"Orlenza", MB_OK | MB_ICONEXCLAMATION);
    else
        MessageBox(L"旋转结束，谢谢使用！", L"Orlenza", MB_OK | MB_ICONINFORMATION);
}

void CpivotdeskDlg::RotateSubfolders(const CString& folder) {
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(folder + L"\\*.*", &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!IsFolder(entry.dwFileAttributes)) continue;
        if (wcscmp(entry.cFileName, L".") == 0 || wcscmp(entry.cFileName, L"..") == 0) continue;
        // Junctions and symbolic links to folders are not descended into: one
        // that leads back to an ancestor would rotate the same photos again
        // and again until the path grows too long.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        const CString sub = folder + L"\\" + entry.cFileName;
        RotateSubfolders(sub);
        RunTool(folder, FolderParameters(sub));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

BOOL CpivotdeskDlg::RunTool(const CString& directory, const CString& parameters) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // No error dialog of the shell for each row when the tool is missing: the
    // run reports a failed start once, at its end.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpFile = m_strToolPath;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = SW_HIDE;
    const BOOL started = ShellExecuteExW(&info);
    if (info.hProcess) {
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hProcess);
    }
    if (!started) m_toolStartFailed = true;
    return started;
}
