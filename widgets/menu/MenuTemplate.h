#pragma once
// Functions in this file:
//   ReadMenuTemplate - the entries of a standard menu template, read within
//                      the template's size
//
// A template comes from a resource of someone else's making and may be cut
// short or damaged: the reader never looks past `size` bytes, and answers
// false unless every level the template opens is closed again by an entry
// that carries MF_END. Only then does a menu get built from the entries.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

struct MenuTemplateEntry {
    UINT flags = 0;  // the entry's flags, MF_END cleared and unknown bits masked off
    UINT id = 0;     // command id; 0 for pop-ups, which carry none, and separators
    std::wstring text;
    bool endsLevel = false;  // carried MF_END
    int levelsClosed = 0;    // how many open levels end after this entry
    bool IsPopup() const { return (flags & MF_POPUP) != 0; }
};

// The flags a template entry may pass on. MF_BITMAP, MF_USECHECKBITMAPS and
// the by-position and right-to-left bits are dropped: in a menu of
// owner-drawn items a bitmap flag would make the system take the item's data,
// our record, for a bitmap handle.
constexpr UINT MENU_TEMPLATE_FLAGS = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_MENUBARBREAK |
                                     MF_MENUBREAK | MF_OWNERDRAW | MF_SEPARATOR | MF_DEFAULT | MF_HELP;

// The entries in template order, up to the one that closes the top level;
// false (with `entries` in an unspecified state) when an entry runs past the
// end, a text has no terminator, or a level is still open at the end.
bool ReadMenuTemplate(const void* bytes, size_t size, std::vector<MenuTemplateEntry>& entries);
