#pragma once
// Classes and functions in this file:
//   ShellItem        - one selected item of the open dialog: shown name, name on disk
//   SelectedItems    - the selection of the dialog's shell view
//   ShellItemMatcher - finds the item behind a name as the dialog shows it
//
// The dialog's item list and its file-name box hold the shell's display
// names. With "hide extensions for known file types", photo.jpg shows as
// "photo", and a path built from that names no file. The shell view behind
// the list knows each selected item's path on disk.
#include <windows.h>

#include <vector>

#include "String.h"

struct ShellItem {
    CString shown;  // the display name in the folder, as the item list shows it
    CString path;   // the full path on disk
    bool folder = false;
};

// The selected items of the shell view that the open dialog `frame` hands
// out (WM_GETISHELLBROWSER); empty when it offers none.
std::vector<ShellItem> SelectedItems(HWND frame);

// Hands out each item at most once, so that two items shown alike ("photo"
// for photo.jpg and photo.png) stand for two names.
class ShellItemMatcher {
public:
    explicit ShellItemMatcher(std::vector<ShellItem> items) : m_items(std::move(items)), m_used(m_items.size()) {}

    // The path on disk of an unused item that shows as `name` (or, failing
    // that, whose name on disk is `name`), folders or files as asked. A name
    // that matches none (typed by hand) is taken as it is: `prefix` + name.
    CString Take(const CString& name, bool folder, const CString& prefix);

private:
    std::vector<ShellItem> m_items;
    std::vector<bool> m_used;
};
