#include "ShellSelection.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shlwapi.h>

// The open dialog hands out its shell browser for this message; not every
// header version names it.
#ifndef WM_GETISHELLBROWSER
#define WM_GETISHELLBROWSER (WM_USER + 7)
#endif

namespace {

// Releases a COM interface when it goes.
template <class T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

// An item's name as its folder shows it, and its path on disk.
bool Describe(PCIDLIST_ABSOLUTE item, ShellItem& out) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(item, path)) return false;  // not a file-system item
    Released<IShellFolder> parent;
    PCUITEMID_CHILD child = nullptr;
    if (FAILED(SHBindToParent(item, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child))) return false;
    STRRET name{};
    wchar_t shown[MAX_PATH] = {};
    if (FAILED(parent->GetDisplayNameOf(child, SHGDN_INFOLDER, &name)) ||
        FAILED(StrRetToBufW(&name, child, shown, MAX_PATH)))
        return false;
    out.shown = shown;
    out.path = path;
    const DWORD attributes = GetFileAttributesW(path);
    out.folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return true;
}

}  // namespace

std::vector<ShellItem> SelectedItems(HWND frame) {
    std::vector<ShellItem> items;
    // The browser belongs to the dialog and is not add-ref'ed for the caller.
    auto* browser = reinterpret_cast<IShellBrowser*>(SendMessageW(frame, WM_GETISHELLBROWSER, 0, 0));
    if (!browser) return items;
    Released<IShellView> view;
    if (FAILED(browser->QueryActiveShellView(&view)) || !view) return items;
    Released<IDataObject> data;
    if (FAILED(view->GetItemObject(SVGIO_SELECTION, IID_IDataObject, reinterpret_cast<void**>(&data))) || !data)
        return items;
    FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_SHELLIDLIST)), nullptr, DVASPECT_CONTENT,
                     -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return items;
    // The list holds the folder's absolute ID first, then each item's ID
    // relative to it.
    if (const auto* ids = static_cast<const CIDA*>(GlobalLock(medium.hGlobal))) {
        const auto* base = reinterpret_cast<const BYTE*>(ids);
        auto folder = reinterpret_cast<PCIDLIST_ABSOLUTE>(base + ids->aoffset[0]);
        for (UINT i = 1; i <= ids->cidl; ++i) {
            auto relative = reinterpret_cast<PCUIDLIST_RELATIVE>(base + ids->aoffset[i]);
            PIDLIST_ABSOLUTE full = ILCombine(folder, relative);
            ShellItem item;
            if (full && Describe(full, item)) items.push_back(item);
            ILFree(full);
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return items;
}

CString ShellItemMatcher::Take(const CString& name, bool folder, const CString& prefix) {
    auto find = [&](bool byShownName) -> int {
        for (size_t i = 0; i < m_items.size(); ++i) {
            if (m_used[i] || m_items[i].folder != folder) continue;
            const CString& path = m_items[i].path;
            const CString candidate = byShownName ? m_items[i].shown : path.Mid(path.ReverseFind(L'\\') + 1);
            if (candidate == name) return static_cast<int>(i);
        }
        return -1;
    };
    int index = find(true);
    if (index < 0) index = find(false);
    if (index < 0) return prefix + name;
    m_used[static_cast<size_t>(index)] = true;
    return m_items[static_cast<size_t>(index)].path;
}
