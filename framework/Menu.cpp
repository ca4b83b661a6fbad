#include "Menu.h"

#include <utility>

#include "LiveCountsImpl.h"

namespace {

bool SetMenuObject(HMENU menu, CMenu* object) {
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA;
    info.dwMenuData = reinterpret_cast<ULONG_PTR>(object);
    return ::SetMenuInfo(menu, &info) != FALSE;
}

}  // namespace

CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandlePermanent(HMENU menu) {
    if (!menu || !::IsMenu(menu)) return nullptr;
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_MENUDATA;
    if (!::GetMenuInfo(menu, &info)) return nullptr;
    auto* object = reinterpret_cast<CMenu*>(info.dwMenuData);
    // Menu data is free for anyone to use: trust it only when it points back.
    return object && object->m_hMenu == menu ? object : nullptr;
}

BOOL CMenu::Attach(HMENU menu) {
    if (m_hMenu || !menu || !::IsMenu(menu)) return FALSE;
    m_hMenu = menu;
    SetMenuObject(menu, this);
    CountLive(LiveKind::Menu, +1);
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU menu = std::exchange(m_hMenu, nullptr);
    if (menu) CountLive(LiveKind::Menu, -1);
    if (menu && ::IsMenu(menu)) SetMenuObject(menu, nullptr);
    return menu;
}

BOOL CMenu::DestroyMenu() {
    HMENU menu = Detach();
    return menu ? ::DestroyMenu(menu) : FALSE;
}

void CMenu::MeasureItem(MEASUREITEMSTRUCT*) {}
void CMenu::DrawItem(DRAWITEMSTRUCT*) {}
