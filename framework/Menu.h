#pragma once
// Classes in this file:
//   CMenu - one menu handle, owned or borrowed, the way back from a handle to
//           the CMenu object attached to it, and the owner-drawn items whose
//           data this object registered
//
// Both ways back go through tables of our own, never through a pointer read
// from the menu: a menu's data field (MENUINFO) and an item's data are free
// for anyone to set (the system menu, another library), so they are looked up
// in the tables and dereferenced only when found there.
//
// Owner-drawn items: a menu class that draws its items registers each item's
// data (RegisterItem) while the item is in a menu; WM_MEASUREITEM and
// WM_DRAWITEM for that item then reach its MeasureItem and DrawItem through
// whichever window owns the menu (CWnd routes them), in a top-level menu or in
// any sub-menu. Data that no live object registered is left to the window's
// default handling.
#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;  // owned while attached

    // The object attached to a menu handle, or null.
    static CMenu* FromHandlePermanent(HMENU menu);
    // The object that registered an owner-drawn item's data, or null.
    static CMenu* FromItemData(ULONG_PTR itemData);

    BOOL CreateMenu() { return Attach(::CreateMenu()); }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL LoadMenuIndirect(const void* menuTemplate) {
        return Attach(::LoadMenuIndirectW(static_cast<const MENUTEMPLATEW*>(menuTemplate)));
    }
    // Takes ownership and makes the object findable from the handle; FALSE
    // when it holds a menu already or the handle is not a menu.
    BOOL Attach(HMENU menu);
    HMENU Detach();  // gives the handle up without destroying it
    // Destroys the menu and its sub-menus; objects attached to those let
    // their handles go.
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

    // Owner-drawn items: called for the items whose data this object
    // registered; the structure's itemData is that data.
    virtual void MeasureItem(MEASUREITEMSTRUCT* measureItem);
    virtual void DrawItem(DRAWITEMSTRUCT* drawItem);

protected:
    // The data of an owner-drawn item of this object's (its own record, say),
    // to be registered before the item can be measured or drawn, and
    // unregistered before the data goes. Every registration of the object
    // ends with the object.
    void RegisterItem(const void* itemData);
    void UnregisterItem(const void* itemData);
};
