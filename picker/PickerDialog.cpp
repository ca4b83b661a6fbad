#include "PickerDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

CStringArray CPickerDialog::s_selectedPaths;
CString CPickerDialog::s_currentFolder;

namespace {

constexpr DWORD kPickerFlags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER;

CRect ChildRect(HWND frame, int id) {
    CRect r;
    HWND child = ::GetDlgItem(frame, id);
    if (child) {
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

void PlaceChild(HWND frame, int id, int x, int y, int width, int height) {
    if (HWND child = ::GetDlgItem(frame, id)) SetWindowPos(child, nullptr, x, y, width, height, SWP_NOZORDER);
}

void HideChild(HWND frame, int id) {
    if (HWND child = ::GetDlgItem(frame, id)) ShowWindow(child, SW_HIDE);
}

bool IsExistingFolder(const CString& path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

CPickerDialog::CPickerDialog()
    : CFileDialog(TRUE, L"*.*", nullptr, kPickerFlags, L"All files and folders(*.*)|*.*||") {}

CString CPickerDialog::QueryFolder(HWND frame) {
    wchar_t folder[MAX_PATH] = {};
    const LRESULT n = ::SendMessageW(frame, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    return n < 0 ? CString() : CString(folder);
}

CString CPickerDialog::QueryNameBox(HWND frame) {
    wchar_t nameText[MAX_PATH] = {};
    const LRESULT n = ::SendMessageW(frame, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(nameText));
    return n < 0 ? CString() : CString(nameText);
}

CString CPickerDialog::FolderPrefix() {
    CString prefix = s_currentFolder;
    if (prefix.IsEmpty() || prefix[prefix.GetLength() - 1] != L'\\') prefix += L'\\';
    return prefix;
}

HWND CPickerDialog::FindItemList(HWND frame) {
    HWND host = ::GetDlgItem(frame, ID_SHELL_VIEW);
    return host ? ::GetDlgItem(host, 1) : nullptr;
}

void CPickerDialog::OnInitDone() {
    HWND frame = GetParent();
    s_currentFolder = QueryFolder(frame);

    HideChild(frame, ID_OLD_NAME_EDIT);
    HideChild(frame, ID_TYPE_COMBO);
    HideChild(frame, ID_TYPE_LABEL);

    const CRect cancel = ChildRect(frame, ID_CANCEL);
    const CRect ok = ChildRect(frame, ID_OK);
    // OK moves to Cancel's row, 5 pixels to its left.
    PlaceChild(frame, ID_OK, cancel.left - ok.Width() - 5, cancel.top, ok.Width(), ok.Height());
    // The item list ends 5 pixels above that row.
    const CRect list = ChildRect(frame, ID_LIST_PLACEHOLDER);
    const int listHeight = list.top - cancel.top + 5;
    PlaceChild(frame, ID_LIST_PLACEHOLDER, list.left, list.top, list.Width(), listHeight < 0 ? -listHeight : listHeight);
    const CRect label = ChildRect(frame, ID_NAME_LABEL);
    PlaceChild(frame, ID_NAME_LABEL, cancel.left - 375, cancel.top + 5, label.Width(), label.Height());
    const CRect name = ChildRect(frame, ID_NAME_COMBO);
    // Narrowed by 15 pixels, and never so wide that it runs under OK: some
    // dialog templates have a wider box, whose drop-down button OK would hide.
    const int nameLeft = cancel.left - 320;
    const int okLeft = cancel.left - ok.Width() - 5;
    const int nameWidth = std::min(name.Width() - 15, okLeft - 5 - nameLeft);
    PlaceChild(frame, ID_NAME_COMBO, nameLeft, cancel.top, nameWidth, name.Height());

    ::SendMessageW(frame, CDM_SETCONTROLTEXT, ID_NAME_LABEL, reinterpret_cast<LPARAM>(L"项目名："));
    ::SendMessageW(frame, CDM_SETCONTROLTEXT, ID_OK, reinterpret_cast<LPARAM>(L"选择"));

    m_frameHook.SubclassWindow(frame);
    CWindow(frame).CenterWindow();
}

void CPickerDialog::OnFolderChange() {
    s_currentFolder = QueryFolder(GetParent());
    CFileDialog::OnFolderChange();
}

void CPickerDialog::AppendNamesFromNameBox(const CString& prefix, const CString& nameText, CStringArray& out) {
    if (nameText.Find(L'"') < 0) {
        // An emptied box names no file; the bare folder prefix is no entry.
        if (!nameText.IsEmpty()) out.Add(prefix + nameText);
        return;
    }
    // The multi-selection form: "a.jpg" "b.jpg". The blank after a closing
    // quote separates names and belongs to none.
    CString token;
    bool afterQuote = false;
    for (int i = 0; i < nameText.GetLength(); ++i) {
        const wchar_t ch = nameText[i];
        if (ch == L'"') {
            if (!token.IsEmpty()) {
                out.Add(prefix + token);
                token.Empty();
            }
            afterQuote = true;
            continue;
        }
        if (!(afterQuote && ch == L' ')) token += ch;
        afterQuote = false;
    }
}

const MessageMap* CPickerDialog::FrameHook::ClassMessageMap() {
    static const MsgMapEntry entries[] = {
        OnCommand<ID_OK, BN_CLICKED, &FrameHook::OnOk>(),
    };
    static const MessageMap map = MakeMessageMap(CWnd::ClassMessageMap(), entries);
    return &map;
}

LRESULT CPickerDialog::FrameOk(HWND frame) {
    s_selectedPaths.RemoveAll();
    HWND items = FindItemList(frame);
    if (!items) return 0;
    const int selected = static_cast<int>(::SendMessageW(items, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected <= 0) return 0;  // nothing chosen: the dialog stays open, silently

    const CString prefix = FolderPrefix();
    const CString nameText = QueryNameBox(frame);
    int found = 0;
    for (int item = -1; found < selected;) {
        item = static_cast<int>(::SendMessageW(items, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED));
        if (item < 0) break;
        ++found;
        wchar_t text[MAX_PATH] = {};
        LVITEMW lvi{};
        lvi.iSubItem = 0;
        lvi.pszText = text;
        lvi.cchTextMax = MAX_PATH;
        ::SendMessageW(items, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi));
        const CString path = prefix + text;
        if (IsExistingFolder(path)) s_selectedPaths.Add(path);
    }
    if (selected > s_selectedPaths.GetSize()) AppendNamesFromNameBox(prefix, nameText, s_selectedPaths);
    ::EndDialog(frame, IDOK);
    return 0;
}

BOOL CPickerDialog::OnFileNameOK() {
    HWND frame = GetParent();
    if (!frame) {
        MessageBeep(MB_ICONQUESTION);
        return TRUE;
    }
    s_selectedPaths.RemoveAll();
    HWND items = FindItemList(frame);
    if (!items) return FALSE;
    const int selected = static_cast<int>(::SendMessageW(items, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected <= 0) return FALSE;
    const CString nameText = QueryNameBox(frame);
    if (selected == 1 && !nameText.IsEmpty()) {
        s_selectedPaths.Add(FolderPrefix() + nameText);
        return FALSE;
    }
    MessageBeep(MB_ICONQUESTION);
    return TRUE;
}
