#include "FileDialog.h"

#include <cwchar>

#include "App.h"

namespace {
// Large enough for a long multi-selection in the platform's own format.
constexpr size_t kFileBufferChars = 32768;
}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, CWnd* parent)
    : m_bOpenFileDialog(openFileDialog),
      m_pParentWnd(parent),
      m_strDefExt(defaultExt),
      m_fileBuffer(kFileBufferChars, L'\0') {
    if (filter) {
        for (const wchar_t* p = filter; *p; ++p) m_filter.push_back(*p == L'|' ? L'\0' : *p);
        m_filter.push_back(L'\0');
        m_filter.push_back(L'\0');
    }
    if (fileName) wcsncpy(m_fileBuffer.data(), fileName, kFileBufferChars - 1);

    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hInstance = AfxGetResourceHandle();
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.data();
    m_ofn.lpstrFile = m_fileBuffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(kFileBufferChars);
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
    m_ofn.Flags = flags | OFN_ENABLEHOOK | OFN_EXPLORER;
    m_ofn.lpfnHook = &CFileDialog::HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
}

INT_PTR CFileDialog::DoModal() {
    if (!m_ofn.hwndOwner) {
        CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
        m_ofn.hwndOwner = owner ? owner->m_hWnd : nullptr;
    }
    // The default extension points into our string: it may have moved with a copy.
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
    const BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    if (m_hWnd) UnsubclassWindow();  // the hook dialog is gone
    m_ofn.hwndOwner = nullptr;
    return chosen ? IDOK : IDCANCEL;
}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        auto* self = reinterpret_cast<CFileDialog*>(ofn->lCustData);
        self->SubclassWindow(hwnd);
        return TRUE;
    }
    if (message != WM_NOTIFY) return 0;
    auto* self = static_cast<CFileDialog*>(FromHandlePermanent(hwnd));
    if (!self) return 0;
    switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case CDN_INITDONE:
        self->OnInitDone();
        return TRUE;
    case CDN_FOLDERCHANGE:
        self->OnFolderChange();
        return TRUE;
    case CDN_FILEOK: {
        // The frame reads the answer from the hook dialog's message result.
        const BOOL keepOpen = self->OnFileNameOK();
        ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, keepOpen ? 1 : 0);
        return TRUE;
    }
    default:
        return 0;
    }
}

void CFileDialog::OnInitDone() {}
void CFileDialog::OnFolderChange() {}
BOOL CFileDialog::OnFileNameOK() { return FALSE; }
