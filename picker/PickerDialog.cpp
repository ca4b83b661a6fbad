#include "PickerDialog.h"

#include "ShellSelection.h"

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

CString CPickerDialog::QueryText(HWND frame, UINT message) {
    // The answer is the size the whole text needs, terminator included: a
    // box of many quoted names runs to thousands of characters, and a cut
    // text would lose names without a word.
    std::vector<wchar_t> text(MAX_PATH);
    for (;;) {
        const LRESULT needed = ::SendMessageW(frame, message, text.size(), reinterpret_cast<LPARAM>(text.data()));
        if (needed < 0) return CString();
        if (static_cast<size_t>(needed) <= text.size()) break;
        text.assign(static_cast<size_t>(needed), L'\0');
    }
    text.back() = L'\0';
    return CString(text.data());
}

CString CPickerDialog::QueryFolder(HWND frame) { return QueryText(frame, CDM_GETFOLDERPATH); }

CString CPickerDialog::QueryNameBox(HWND frame) { return QueryText(frame, CDM_GETSPEC); }

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

std::vector<CString> CPickerDialog::NamesInNameBox(const CString& nameText) {
    std::vector<CString> names;
    if (nameText.Find(L'"') < 0) {
        // An emptied box names no file; the bare folder prefix is no entry.
        if (!nameText.IsEmpty()) names.push_back(nameText);
        return names;
    }
    // The multi-selection form: "a.jpg" "b.jpg". The blank after a closing
    // quote separates names and belongs to none; a blank after an opening
    // quote is the name's own (" x.jpg" names " x.jpg").
    CString token;
    bool inQuotes = false, afterClosingQuote = false;
    for (int i = 0; i < nameText.GetLength(); ++i) {
        const wchar_t ch = nameText[i];
        if (ch == L'"') {
            if (!token.IsEmpty()) {
                names.push_back(token);
                token.Empty();
            }
            afterClosingQuote = inQuotes;
            inQuotes = !inQuotes;
            continue;
        }
        if (!(afterClosingQuote && ch == L' ')) token += ch;
        afterClosingQuote = false;
    }
    return names;
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
    // Names as shown lead to the items' names on disk.
    ShellItemMatcher onDisk(SelectedItems(frame));
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
        const CString path = onDisk.Take(text, true, prefix);
        if (IsExistingFolder(path)) s_selectedPaths.Add(path);
    }
    if (selected > s_selectedPaths.GetSize()) {
        for (const CString& name : NamesInNameBox(nameText)) s_selectedPaths.Add(onDisk.Take(name, false, prefix));
    }
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
        s_selectedPaths.Add(ShellItemMatcher(SelectedItems(frame)).Take(nameText, false, FolderPrefix()));
        return FALSE;
    }
    MessageBeep(MB_ICONQUESTION);
    return TRUE;
}
