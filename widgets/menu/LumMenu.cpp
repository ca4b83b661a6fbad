#include "LumMenu.h"

#include <algorithm>

#include "App.h"
#include "MenuTemplate.h"

std::vector<HMENU> LumMenu::s_allSubMenus;
CImageList LumMenu::s_sharedImages;
std::vector<int> LumMenu::s_sharedImageIds;
int LumMenu::s_osVersion = LumMenu::GetOsVersionCode();
int LumMenu::s_drawMode = 0;
int LumMenu::s_selectDisabled = 0;

namespace {

// The cached answer of IsClassicTheme: the theme is read once per run.
bool g_classicThemeRead = false;
BOOL g_classicTheme = FALSE;

CString MenuString(HMENU menu, UINT position) {
    CString text;
    const int length = ::GetMenuStringW(menu, position, nullptr, 0, MF_BYPOSITION);
    if (length > 0) {
        ::GetMenuStringW(menu, position, text.GetBuffer(length), length + 1, MF_BYPOSITION);
        text.ReleaseBuffer();
    }
    return text;
}

}  // namespace

LumMenu::LumMenu() = default;

LumMenu::~LumMenu() {
    LumMenu::DestroyAll();
}

BOOL LumMenu::IsKnownMenu(HMENU menu) {
    return menu && std::find(s_allSubMenus.begin(), s_allSubMenus.end(), menu) != s_allSubMenus.end();
}

void LumMenu::Unregister(HMENU menu) {
    s_allSubMenus.erase(std::remove(s_allSubMenus.begin(), s_allSubMenus.end(), menu), s_allSubMenus.end());
}

BOOL LumMenu::AppendItem(const wchar_t* text, UINT flags, UINT_PTR idOrSubMenu) {
    if (idOrSubMenu == 0)
        flags = (flags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
    else
        flags |= MF_OWNERDRAW;
    if (flags & MF_POPUP) {
        s_allSubMenus.push_back(reinterpret_cast<HMENU>(idOrSubMenu));
        m_subMenus.push_back(reinterpret_cast<HMENU>(idOrSubMenu));
    }
    auto* record = NewRecord();
    m_items.push_back(record);
    record->SetText(text);
    const auto shared = std::find(s_sharedImageIds.begin(), s_sharedImageIds.end(), static_cast<int>(idOrSubMenu));
    record->m_sharedIndex = shared == s_sharedImageIds.end() ? -1 : static_cast<int>(shared - s_sharedImageIds.begin());
    record->m_flags = flags;
    record->m_commandId = idOrSubMenu;
    const BOOL appended = ::AppendMenuW(m_hMenu, flags, idOrSubMenu, reinterpret_cast<const wchar_t*>(record));
    if (m_loadedFromTemplate) DemoteTopLevelItems();
    return appended;
}

LumMenuData* LumMenu::ReplaceItem(UINT position, UINT flags, UINT_PTR idOrSubMenu, const CString& text) {
    auto* record = NewRecord();
    record->SetText(text);
    record->m_flags = flags;
    record->m_commandId = idOrSubMenu;
    ::ModifyMenuW(m_hMenu, position, flags, idOrSubMenu,
                  (flags & MF_OWNERDRAW) ? reinterpret_cast<const wchar_t*>(record) : nullptr);
    return record;
}

BOOL LumMenu::LoadTemplate(UINT id) { return LoadTemplate(MAKEINTRESOURCEW(id)); }

BOOL LumMenu::LoadTemplate(const wchar_t* name) {
    HMODULE module = AfxGetResourceHandle();
    HRSRC found = ::FindResourceW(module, name, RT_MENU);
    if (!found) {
        module = ::GetModuleHandleW(nullptr);
        found = ::FindResourceW(module, name, RT_MENU);
    }
    if (!found) return FALSE;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return FALSE;
    return LoadTemplate(bytes, ::SizeofResource(module, found));
}

BOOL LumMenu::LoadTemplate(const void* bytes, size_t size) {
    DestroyAll();
    std::vector<MenuTemplateEntry> entries;
    if (!ReadMenuTemplate(bytes, size, entries)) return FALSE;
    if (!CreateMenu()) return FALSE;

    std::vector<LumMenu*> open{this};
    for (const MenuTemplateEntry& entry : entries) {
        LumMenu* top = open.back();
        if (entry.IsPopup()) {
            auto* popup = new LumMenu;
            popup->m_unselectedCheckImage = m_unselectedCheckImage;
            popup->m_selectedCheckImage = m_selectedCheckImage;
            popup->m_checkImages = m_checkImages;
            popup->m_checkImagesShared = 1;
            popup->m_scale = m_scale;
            if (!popup->CreatePopupMenu()) {
                delete popup;
                DestroyAll();
                return FALSE;
            }
            top->AppendItem(entry.text.c_str(), entry.flags, reinterpret_cast<UINT_PTR>(popup->m_hMenu));
            open.push_back(popup);
        } else {
            top->AppendItem(entry.text.c_str(), entry.flags, entry.id);
            for (int i = 0; i < entry.levelsClosed; ++i) {
                open.back()->AlignAccelerators();
                open.pop_back();
            }
        }
    }

    // The bar itself shows plain text items drawn by the system; only the
    // pop-ups below it are owner-drawn.
    const int count = std::min(GetMenuItemCount(), GetRecordCount());
    for (int i = 0; i < count; ++i) {
        LumMenuData* record = m_items[i];
        if (HMENU sub = GetSubMenu(i)) {
            record->m_flags = MF_BYPOSITION | MF_POPUP;
            ModifyMenu(i, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), record->m_text);
        } else {
            record->m_flags = MF_BYPOSITION;
            ModifyMenu(i, MF_BYPOSITION, record->m_commandId, record->m_text);
        }
    }
    m_loadedFromTemplate = 1;
    return TRUE;
}

BOOL LumMenu::DestroyAll() {
    if (m_hMenu) Unregister(m_hMenu);
    for (auto it = m_subMenus.rbegin(); it != m_subMenus.rend(); ++it) {
        Unregister(*it);
        // A pop-up object deletes its own pop-ups and menu in turn.
        if (auto* popup = dynamic_cast<LumMenu*>(CMenu::FromHandlePermanent(*it))) delete popup;
    }
    m_subMenus.clear();
    for (LumMenuData* record : m_items) DeleteRecord(record);
    m_items.clear();
    if (m_checkImages && !m_checkImagesShared) {
        delete m_checkImages;
        m_checkImages = nullptr;
    }
    return CMenu::DestroyMenu();
}

void LumMenu::SetScale(Scale scale) {
    m_scale = scale;
    for (HMENU sub : m_subMenus)
        if (auto* popup = dynamic_cast<LumMenu*>(CMenu::FromHandlePermanent(sub))) popup->SetScale(scale);
}

void LumMenu::AlignAccelerators() {
    CFont font;
    CreateMenuFont(font, m_scale.dpi);
    CClientDC dc(MeasuringWindow());
    dc.SelectObject(font);

    // Every label, with one blank, fits into the widest one.
    const int count = std::min(GetMenuItemCount(), GetRecordCount());
    int widest = -1;
    for (int i = 0; i < count; ++i) {
        const CString& text = m_items[i]->m_text;
        const int tab = text.Find(L'\t');
        const CString label = (tab < 0 ? text : text.Left(tab)) + L' ';
        widest = std::max(widest, static_cast<int>(dc.GetTextExtent(label).cx));
    }
    for (int i = 0; i < count; ++i) {
        const CString& text = m_items[i]->m_text;
        const int tab = text.Find(L'\t');
        if (tab < 0) continue;
        CString label = text.Left(tab);
        while (dc.GetTextExtent(label).cx < widest) label += L' ';
        m_items[i]->SetText(label + text.Mid(tab));
    }
}

int LumMenu::FindItemOffset() const {
    if (!m_loadedFromTemplate) return 0;
    const int count = GetMenuItemCount();
    for (int p = 0; p < count; ++p) {
        const CString text = MenuString(m_hMenu, p);
        if (text.IsEmpty()) continue;
        for (int i = 0; i < GetRecordCount(); ++i) {
            if (text == m_items[i]->m_text) return p >= i ? p - i : 0;
        }
    }
    return 0;
}

void LumMenu::DemoteTopLevelItems() {
    const int start = FindItemOffset();
    const int count = GetMenuItemCount();
    for (int i = 0; start + i < count && i < GetRecordCount(); ++i) {
        if (HMENU sub = GetSubMenu(start + i)) {
            m_items[i]->m_flags = MF_BYPOSITION | MF_POPUP;
            ModifyMenu(start + i, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), m_items[i]->m_text);
        }
    }
}

LumMenuData* LumMenu::NewRecord() {
    auto* record = new LumMenuData;
    // Only registered data reaches MeasureItem and DrawItem.
    RegisterItem(record);
    return record;
}

void LumMenu::DeleteRecord(LumMenuData* record) {
    UnregisterItem(record);
    delete record;
}

LumMenuData* LumMenu::TakeUnsyncedRecord(UINT_PTR id) {
    for (LumMenuData* record : m_items) {
        if (record->m_commandId == id && !record->m_synced) {
            record->m_synced = 1;
            return record;
        }
    }
    return nullptr;
}

void LumMenu::DeleteUnsyncedRecords() {
    for (LumMenuData*& record : m_items) {
        if (!record->m_synced) {
            DeleteRecord(record);
            record = nullptr;
        }
    }
}

void LumMenu::SyncWithMenu() {
    for (LumMenuData* record : m_items) record->m_synced = 0;
    std::vector<LumMenuData*> synced;
    const int count = GetMenuItemCount();
    for (int j = 0; j < count; ++j) {
        const UINT state = GetMenuState(j, MF_BYPOSITION);
        LumMenuData* record = nullptr;
        if (state & MF_POPUP) {
            const auto sub = reinterpret_cast<UINT_PTR>(GetSubMenu(j));
            record = TakeUnsyncedRecord(sub);
            const CString text = MenuString(m_hMenu, j);
            if (!record)
                record = ReplaceItem(j, (state & 0xEF) | MF_BYPOSITION | MF_POPUP | MF_OWNERDRAW, sub, text);
            else if (!text.IsEmpty())
                record->SetText(text);
        } else if (state & MF_SEPARATOR) {
            record = TakeUnsyncedRecord(0);
            // By position: the record's own flags may say by command, and
            // position j as a command id would change some other item.
            if (record)
                ModifyMenu(j, record->m_flags | MF_BYPOSITION, 0, reinterpret_cast<const wchar_t*>(record));
            else
                record = ReplaceItem(j, state | MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION, 0, CString());
        } else {
            const UINT id = GetMenuItemID(j);
            record = TakeUnsyncedRecord(id);
            const CString text = MenuString(m_hMenu, j);
            if (record) {
                record->m_flags = state | MF_BYPOSITION | MF_OWNERDRAW;
                if (!text.IsEmpty()) record->SetText(text);
                ModifyMenu(j, record->m_flags, id, reinterpret_cast<const wchar_t*>(record));
            } else {
                record = ReplaceItem(j, state | MF_BYPOSITION | MF_OWNERDRAW, id, text);
            }
        }
        if (record) synced.push_back(record);
    }
    DeleteUnsyncedRecords();
    m_items = std::move(synced);
}

BOOL LumMenu::GetItemText(UINT position, CString& text) const {
    if (position >= m_items.size()) return FALSE;
    text = m_items[position]->m_text;
    return TRUE;
}

LRESULT LumMenu::FindMnemonic(UINT ch, UINT flags, CMenu* menu) {
    auto* lum = dynamic_cast<LumMenu*>(menu);
    if (!lum || !(flags & MF_POPUP)) return 0;
    CString key(L'&');
    key += static_cast<wchar_t>(ch);
    key.MakeLower();
    const int count = lum->GetMenuItemCount();
    if (count != lum->GetRecordCount()) lum->SyncWithMenu();
    for (int i = 0; i < count; ++i) {
        CString text;
        if (!lum->GetItemText(i, text)) continue;
        text.MakeLower();
        if (text.Find(key) >= 0) return MAKELRESULT(i, MNC_EXECUTE);
    }
    return 0;
}

int LumMenu::GetOsVersionCode() {
    const DWORD version = ::GetVersion();
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (version & 0x80000000) {
        if (LOBYTE(LOWORD(version)) < 4) return 0;
        if (!::GetVersionExW(&info) || info.dwMajorVersion != 4) return 2;
        return info.dwMinorVersion == 10 ? 3 : info.dwMinorVersion == 90 ? 4 : 2;
    }
    if (!::GetVersionExW(&info)) return 1;
    if (info.dwMajorVersion == 4) return 5;
    if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0) return 6;
    if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1) return 7;
    return 1;
}

BOOL LumMenu::IsClassicTheme() {
    if (g_classicThemeRead) return g_classicTheme;
    g_classicThemeRead = true;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Plus!\\Themes\\Current", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return g_classicTheme;
    wchar_t value[130] = {};  // 260 bytes
    DWORD bytes = sizeof(value) - sizeof(wchar_t);  // room for a terminator the value may lack
    DWORD type = 0;
    if (::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) == ERROR_SUCCESS) {
        static const wchar_t kClassic[] = L"Windows Classic.theme";
        const CString text(value);
        const int tail = static_cast<int>(std::size(kClassic)) - 1;
        g_classicTheme = text.GetLength() >= tail && text.Right(tail).CompareNoCase(kClassic) == 0;
    }
    ::RegCloseKey(key);
    return g_classicTheme;
}

BOOL LumMenu::HasImageTriple(int index) {
    const auto& ids = s_sharedImageIds;
    return index >= 0 && static_cast<size_t>(index) + 2 < ids.size() && ids[index] == ids[index + 1] &&
           ids[index] == ids[index + 2];
}
