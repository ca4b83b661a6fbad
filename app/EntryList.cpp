// The entry list: rows from paths, dropped files, deleting, clearing, and the
// buttons that follow the list. Everything here must stay linear in the
// number of rows: users drop whole photo libraries of tens of thousands of
// files at once.
#include <shlobj.h>

#include <vector>

#include "EntryText.h"
#include "RedrawSuspended.h"
#include "pivotdeskDlg.h"

namespace {

// The attributes a single-entry directory search would report for `path`.
// GetFileAttributesExW reads the same last-write time and size some forty
// times faster in a large folder, but it also answers for a path that ends
// with a separator and for a drive root, where the search finds nothing, and
// it does not expand wildcards: those paths keep the search.
bool LookUpEntry(const CString& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    const int length = path.GetLength();
    if (length == 0) return false;
    const wchar_t last = path[length - 1];
    const bool needsSearch = last == L'\\' || last == L'/' || last == L':' || path.Find(L'*') >= 0 ||
                             path.Find(L'?') >= 0;
    if (!needsSearch) return GetFileAttributesExW(path, GetFileExInfoStandard, &data) != FALSE;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    data.dwFileAttributes = found.dwFileAttributes;
    data.ftLastWriteTime = found.ftLastWriteTime;
    data.nFileSizeHigh = found.nFileSizeHigh;
    data.nFileSizeLow = found.nFileSizeLow;
    return true;
}

// The names of a drop, read in one pass over the DROPFILES block. Asking the
// shell for name i walks the block from its start every time, which makes a
// drop of n names cost n² steps.
std::vector<CString> DroppedNames(HDROP drop) {
    std::vector<CString> names;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    names.reserve(count);
    if (const auto* block = static_cast<const DROPFILES*>(GlobalLock(drop))) {
        const auto* base = reinterpret_cast<const BYTE*>(block);
        if (block->fWide) {
            for (auto* name = reinterpret_cast<const wchar_t*>(base + block->pFiles); *name && names.size() < count;) {
                const int length = static_cast<int>(wcslen(name));
                names.emplace_back(name, length);
                name += length + 1;
            }
        } else {
            for (auto* name = reinterpret_cast<const char*>(base + block->pFiles); *name && names.size() < count;) {
                const int length = static_cast<int>(strlen(name));
                const int wide = MultiByteToWideChar(CP_ACP, 0, name, length, nullptr, 0);
                CString text;
                MultiByteToWideChar(CP_ACP, 0, name, length, text.GetBuffer(wide), wide);
                text.ReleaseBuffer(wide);
                names.push_back(text);
                name += length + 1;
            }
        }
        GlobalUnlock(drop);
    }
    if (names.size() != count) {
        // Not a block we can walk: ask the shell, name by name, for each
        // name's full length first, so that no long name is cut.
        names.clear();
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            CString name;
            const UINT copied = DragQueryFileW(drop, i, name.GetBuffer(static_cast<int>(length) + 1), length + 1);
            name.ReleaseBuffer(static_cast<int>(copied));
            names.push_back(name);
        }
    }
    return names;
}

}  // namespace

BOOL CpivotdeskDlg::AddEntry(const CString& path) {
    const int row = m_listEntries.InsertItem(m_listEntries.GetItemCount(), path, 0);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (row < 0 || !LookUpEntry(path, data)) return FALSE;
    m_listEntries.SetItemText(row, 1, FormatEntryDate(data.ftLastWriteTime));
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        m_listEntries.SetItemText(row, 2, L"文件夹");
    } else {
        const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        m_listEntries.SetItemText(row, 2, FormatEntrySize(size));
    }
    return TRUE;
}

void CpivotdeskDlg::OnDropFiles(HDROP drop) {
    // The window takes no drops during a run; one that was on its way
    // still has its memory to be freed.
    if (RunUnderWay()) {
        DragFinish(drop);
        return;
    }
    const std::vector<CString> names = DroppedNames(drop);
    {
        RedrawSuspended quiet(m_listEntries);
        for (const CString& name : names) AddEntry(name);
    }
    DragFinish(drop);
    UpdateListButtons();
    m_listEntries.SetFocus();
}

void CpivotdeskDlg::OnListItemChanged(NMHDR* notify, LRESULT* result) {
    *result = 0;
    // The delete command sets the button itself once it is done; a run
    // keeps it off and sets it when it ends.
    if (m_deletingRows || RunUnderWay()) return;
    // Selecting all rows sends one notification per row, so each must cost
    // the same however long the list is. Changes that leave a row's selected
    // mark alone (focus, text) cannot change the answer; a row that gains
    // the mark makes it yes. Only a row that loses it needs the list's count,
    // which the list sums over its runs of selected rows.
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(notify);
    BOOL anySelected = TRUE;
    if (change->iItem >= 0) {
        const bool selectionChanged =
            (change->uChanged & LVIF_STATE) && ((change->uOldState ^ change->uNewState) & LVIS_SELECTED);
        if (!selectionChanged) return;
        if (!(change->uNewState & LVIS_SELECTED)) anySelected = m_listEntries.GetSelectedCount() > 0;
    } else {
        anySelected = m_listEntries.GetSelectedCount() > 0;  // one notice for every row at once
    }
    // Disabling a disabled button still costs the platform a round of work,
    // so the button is only told of a change.
    if (!m_btnDelete.IsWindowEnabled() != !anySelected) m_btnDelete.EnableWindow(anySelected);
}

void CpivotdeskDlg::OnListKeyDown(NMHDR* notify, LRESULT* result) {
    *result = 0;
    if (RunUnderWay()) return;
    const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(notify)->wVKey;
    // Delete does what the button does, and only when it could be pressed.
    if (key == VK_DELETE && m_btnDelete.IsWindowEnabled()) OnDeleteEntries();
    // Ctrl+A, but not Ctrl+Alt+A (AltGr+A on some keyboards).
    if (key == 'A' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0)
        m_listEntries.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
}

void CpivotdeskDlg::OnDeleteEntries() {
    // A click queued before the run disabled the button.
    if (RunUnderWay()) return;
    int lowestDeleted = 0;
    const int selected = static_cast<int>(m_listEntries.GetSelectedCount());
    if (selected > 0) {
        RedrawSuspended quiet(m_listEntries);
        if (selected == m_listEntries.GetItemCount()) {
            m_listEntries.DeleteAllItems();
        } else {
            std::vector<int> rows;
            rows.reserve(static_cast<size_t>(selected));
            for (int i = m_listEntries.GetNextItem(-1, LVNI_SELECTED); i >= 0;
                 i = m_listEntries.GetNextItem(i, LVNI_SELECTED))
                rows.push_back(i);
            // From the last row up, so that the indices still to delete stay valid.
            // Each removed row reports the selection it loses; answering each
            // report with the list's count of what is still selected would
            // make deleting a scattered selection quadratic.
            m_deletingRows = true;
            for (auto it = rows.rbegin(); it != rows.rend(); ++it) m_listEntries.DeleteItem(*it);
            m_deletingRows = false;
            lowestDeleted = rows.empty() ? 0 : rows.front();
        }
    }
    const int remaining = m_listEntries.GetItemCount();
    // The row that moved into the place of the first deleted one, or the new
    // last row; none when the list is empty.
    const int next = lowestDeleted == remaining ? lowestDeleted - 1 : lowestDeleted;
    SelectEntry(m_listEntries, next);
    UpdateListButtons();
    // Neither emptying the list in one go nor the rows deleted one by one
    // told the button of the selection they took away: follow it here.
    m_btnDelete.EnableWindow(m_listEntries.GetSelectedCount() > 0);
    m_listEntries.SetFocus();
}

void CpivotdeskDlg::SelectEntry(CListCtrl& list, int index) {
    // Index -1 addresses every row: the focus mark and cut marks go wherever
    // they are, the selection stays; then the given row takes focus and selection.
    list.SetItemState(-1, 0, LVIS_FOCUSED | LVIS_CUT);
    if (index >= 0) {
        list.SetItemState(index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT);
        list.EnsureVisible(index, TRUE);
    }
    list.SetFocus();
    list.InvalidateRect(nullptr, FALSE);
}

void CpivotdeskDlg::OnClearList() {
    if (RunUnderWay()) return;
    {
        RedrawSuspended quiet(m_listEntries);
        m_listEntries.DeleteAllItems();
    }
    UpdateListButtons();
    m_btnDelete.EnableWindow(FALSE);
}
