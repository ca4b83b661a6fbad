#pragma once
// Classes in this file:
//   CMenu - one menu handle, owned or borrowed, and the way back from a handle
//           to the CMenu object attached to it
//
// Attach records the object in the menu itself (MENUINFO's menu data), so
// FromHandlePermanent needs no table of our own; the record is cleared again
// when the object lets go. Owned menus are destroyed with the object.
#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    static CMenu* FromHandlePermanent(HMENU menu);

    BOOL CreateMenu() { return Attach(::CreateMenu()); }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL LoadMenuIndirect(const void* menuTemplate) {
        return Attach(::LoadMenuIndirectW(static_cast<const MENUTEMPLATEW*>(menuTemplate)));
    }
    // Takes ownership and makes the object findable from the handle; FALSE
    // when it holds a menu already or the handle is not a menu.
    BOOL Attach(HMENU menu);
    HMENU Detach();  // gives the handle up without destroying it
    BOOL DestroyMenu();

    operator HMENU() const { return m_hMenu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }

    BOOL AppendMenu(UINT flags, UINT_PTR idOrPopup = 0, const wchar_t* text = nullptr) {
        return ::AppendMenuW(m_hMenu, flags, idOrPopup, text);
    }
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR idOrPopup = 0, const wchar_t* text = nullptr) {
        return ::ModifyMenuW(m_hMenu, position, flags, idOrPopup, text);
    }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }
    BOOL GetMenuItemInfo(UINT item, MENUITEMINFOW* info, BOOL byPosition = FALSE) const {
        return ::GetMenuItemInfoW(m_hMenu, item, byPosition, info);
    }
    UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }
    BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* exclude = nullptr) const {
        return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner, exclude);
    }

    // Owner-drawn items: called for the items of a menu attached to this object.
    virtual void MeasureItem(MEASUREITEMSTRUCT* measureItem);
    virtual void DrawItem(DRAWITEMSTRUCT* drawItem);
};
