#include "Menu.h"

#include <mutex>
#include <unordered_map>
#include <utility>

#include "LiveCountsImpl.h"

namespace {

// Menus and owner-drawn items of every thread: menus may be built on one
// thread and shown on another.
std::mutex g_menusLock;

std::unordered_map<HMENU, CMenu*>& AttachedMenus() {
    static std::unordered_map<HMENU, CMenu*> menus;
    return menus;
}

std::unordered_map<ULONG_PTR, CMenu*>& LiveItems() {
    static std::unordered_map<ULONG_PTR, CMenu*> items;
    return items;
}

}  // namespace

CMenu::~CMenu() {
    DestroyMenu();
    std::lock_guard<std::mutex> hold(g_menusLock);
    for (auto it = LiveItems().begin(); it != LiveItems().end();) {
        if (it->second == this)
            it = LiveItems().erase(it);
        else
            ++it;
    }
}

CMenu* CMenu::FromHandlePermanent(HMENU menu) {
    if (!menu) return nullptr;
    std::lock_guard<std::mutex> hold(g_menusLock);
    const auto it = AttachedMenus().find(menu);
    return it == AttachedMenus().end() ? nullptr : it->second;
}

CMenu* CMenu::FromItemData(ULONG_PTR itemData) {
    if (!itemData) return nullptr;
    std::lock_guard<std::mutex> hold(g_menusLock);
    const auto it = LiveItems().find(itemData);
    return it == LiveItems().end() ? nullptr : it->second;
}

BOOL CMenu::Attach(HMENU menu) {
    if (m_hMenu || !menu || !::IsMenu(menu)) return FALSE;
    {
        // A handle still listed for another object is one whose menu was
        // destroyed behind that object's back (with its parent menu) and
        // handed out again: the newest holder is the one to find.
        std::lock_guard<std::mutex> hold(g_menusLock);
        AttachedMenus()[menu] = this;
    }
    m_hMenu = menu;
    CountLive(LiveKind::Menu, +1);
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU menu = std::exchange(m_hMenu, nullptr);
    if (menu) {
        CountLive(LiveKind::Menu, -1);
        std::lock_guard<std::mutex> hold(g_menusLock);
        const auto it = AttachedMenus().find(menu);
        if (it != AttachedMenus().end() && it->second == this) AttachedMenus().erase(it);
    }
    return menu;
}

namespace {

// The system destroys a menu's sub-menus with it. An object still attached
// to one gives its handle up first: destroying that handle later would
// destroy whatever menu had come to reuse it. Menus nest a few levels deep;
// the bound only guards against a menu inserted into itself.
void LetSubMenusGo(HMENU menu, int depth = 0) {
    if (depth > 32) return;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = ::GetSubMenu(menu, i);
        if (!sub) continue;
        LetSubMenusGo(sub, depth + 1);
        if (CMenu* object = CMenu::FromHandlePermanent(sub)) object->Detach();
    }
}

}  // namespace

BOOL CMenu::DestroyMenu() {
    HMENU menu = Detach();
    if (!menu) return FALSE;
    LetSubMenusGo(menu);
    return ::DestroyMenu(menu);
}

void CMenu::RegisterItem(const void* itemData) {
    if (!itemData) return;
    std::lock_guard<std::mutex> hold(g_menusLock);
    LiveItems()[reinterpret_cast<ULONG_PTR>(itemData)] = this;
}

void CMenu::UnregisterItem(const void* itemData) {
    std::lock_guard<std::mutex> hold(g_menusLock);
    const auto it = LiveItems().find(reinterpret_cast<ULONG_PTR>(itemData));
    if (it != LiveItems().end() && it->second == this) LiveItems().erase(it);
}

void CMenu::MeasureItem(MEASUREITEMSTRUCT*) {}
void CMenu::DrawItem(DRAWITEMSTRUCT*) {}
