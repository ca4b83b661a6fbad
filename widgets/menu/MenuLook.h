#pragma once
// Functions in this file (the owner-drawn menu's look, without a window):
//   LightenColor       - moves each channel a share of the way to white
//   MeasureMenuItem    - the size of an item for a text width
//   ClassicItemLayout  - where the classic style puts the boxes, image and text
//   FlatItemLayout     - the same for the flat style
//   CheckGlyphStrokes, RadioGlyphBox, MarkCorner - the check mark, the radio
//                        dot, and where either stands in its box
//   SplitAtTab         - an item text's label and accelerator parts
//
// Menu items are painted from these figures; tests check them directly.
// Every length is the look's at 96 DPI, scaled by the metrics' DPI (the
// DPI of the window that shows the menu).
#include <windows.h>

#include <array>
#include <string>

#include "Dpi.h"

COLORREF LightenColor(COLORREF colour, double factor);

struct MenuMetrics {
    int iconWidth = 16;   // W: the image cell
    int iconHeight = 15;  // Hc
    bool flat = false;    // the flat style's gaps
    int menuHeight = 19;  // GetSystemMetrics(SM_CYMENU) at the scale's DPI: already in pixels
    Scale scale;          // W, Hc and every gap and offset are scaled by it
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
ClassicItemLayout LayoutClassicItem(const RECT& item, const MenuMetrics& m, bool hasAccelerator);

struct FlatItemLayout {
    int bar;         // width of the image column
    RECT column;     // the column at the left
    RECT imageBox;   // the image's cell within the column
    RECT checkBox;   // 16 x 16, centred in the column
    RECT text;
    POINT image;
    LONG separatorLeft;  // where a separator's etched line starts
};
FlatItemLayout LayoutFlatItem(const RECT& item, const MenuMetrics& m, bool hasAccelerator);

// The tick, seven strokes of three pixels from its top-left corner `at`: a
// tick 7 pixels wide and 7 high, scaled.
std::array<RECT, 7> CheckGlyphStrokes(POINT at, Scale scale);
// The radio dot's ellipse, 6 by 6 from `at`, scaled.
RECT RadioGlyphBox(POINT at, Scale scale);
// Where the mark stands in its check box: a radio dot 5 across and 4 down; a
// tick 4 across in the classic box and 5 in the flat one.
POINT MarkCorner(const RECT& box, bool radio, bool flat, Scale scale);

// The label is everything before the first tab, the accelerator everything
// after the last; without a tab the label is the whole text.
struct MenuTextParts {
    std::wstring label;
    std::wstring accelerator;
    bool hasTab = false;
};
MenuTextParts SplitAtTab(const std::wstring& text);
