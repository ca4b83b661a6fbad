#pragma once
// Functions in this file (the owner-drawn menu's look, without a window):
//   LightenColor       - moves each channel a share of the way to white
//   MeasureMenuItem    - the size of an item for a text width
//   ClassicItemLayout  - where the classic style puts the boxes, image and text
//   FlatItemLayout     - the same for the flat style
//   SplitAtTab         - an item text's label and accelerator parts
//
// Menu items are painted from these figures; tests check them directly.
#include <windows.h>

#include <string>

COLORREF LightenColor(COLORREF colour, double factor);

struct MenuMetrics {
    int iconWidth = 16;   // W: the image cell
    int iconHeight = 15;  // Hc
    bool flat = false;    // the flat style's gaps
    int menuHeight = 19;  // GetSystemMetrics(SM_CYMENU)
};

// Separators are 0 wide; the text width counts the accelerator part too.
SIZE MeasureMenuItem(const MenuMetrics& m, bool separator, int textWidth);

struct ClassicItemLayout {
    RECT innerBox;   // frame around the image
    RECT outerBox;   // the raised or sunken edge
    RECT checkBox;   // the check mark's box when the item has no image
    RECT highlight;  // what a selected item with an image or mark fills
    RECT text;       // label and accelerator
    POINT image;
};
ClassicItemLayout LayoutClassicItem(const RECT& item, int iconWidth, int iconHeight, bool hasAccelerator);

struct FlatItemLayout {
    int bar;         // width of the image column
    RECT column;     // the column at the left
    RECT imageBox;   // the image's cell within the column
    RECT checkBox;   // 16 x 16, centred in the column
    RECT text;
    POINT image;
};
FlatItemLayout LayoutFlatItem(const RECT& item, int iconWidth, int iconHeight, bool hasAccelerator);

// The label is everything before the first tab, the accelerator everything
// after the last; without a tab the label is the whole text.
struct MenuTextParts {
    std::wstring label;
    std::wstring accelerator;
    bool hasTab = false;
};
MenuTextParts SplitAtTab(const std::wstring& text);
