#pragma once
// Functions in this file: the side banner's look, apart from its window.
//   BannerGradientVertices - the two vertices and the mode handed to GradientFill
//   FallbackGradientBands  - the one-pixel bands drawn where GradientFill is missing
//   BannerEdgeBand         - the line along the side that faces the host's contents
//   PlaceBannerIcon        - the icon's corner, and the room the text keeps beside it
//   LayOutBannerText       - text turn and the title's and caption's origins
//   SplitCaption, CaptionLinePoint - the caption's lines and where each starts
//   BannerMetrics, BannerLayout, LayOutBanner - the banner's lengths at a
//                            scale, and every place of one paint
//   ShiftForBanner         - where a host's child goes when the banner makes room
//   FontHeightAtDpi        - a point size as a font height at a screen's resolution
// Plain functions of an edge, a rectangle and the banner's settings, so that
// every placement and colour rule is checked without a window.
#include <windows.h>

#include <vector>

#include "Dpi.h"
#include "String.h"
#include "Types.h"

// The host edge a banner lies along. Top and bottom banners carry horizontal
// text; a left banner's text reads upward, a right banner's downward. The
// banner's "start" is where its text begins: the left end of a top or bottom
// banner, the bottom of a left one, the top of a right one.
constexpr UINT BANNER_POS_LEFT = 1;
constexpr UINT BANNER_POS_TOP = 2;
constexpr UINT BANNER_POS_RIGHT = 4;
constexpr UINT BANNER_POS_BOTTOM = 8;

// Background fill; solid wins over gradient, gradient over pattern.
constexpr UINT BANNER_FILL_SOLID = 1;
constexpr UINT BANNER_FILL_GRADIENT = 2;
constexpr UINT BANNER_FILL_PATTERN = 4;

// Icon placement along the text (start wins over end) and across the banner
// (near wins over centre, centre over far).
constexpr UINT BANNER_ICON_START = 1;
constexpr UINT BANNER_ICON_END = 2;
constexpr UINT BANNER_ICON_CENTER = 4;
constexpr UINT BANNER_ICON_NEAR = 8;
constexpr UINT BANNER_ICON_FAR = 0x10;

struct BannerGradient {
    TRIVERTEX vertex[2];
    ULONG mode;  // GRADIENT_FILL_RECT_H or GRADIENT_FILL_RECT_V
};
// The start colour always lies at the banner's start.
BannerGradient BannerGradientVertices(UINT position, const RECT& rect, COLORREF start, COLORREF end);

struct GradientBand {
    RECT rect;
    COLORREF colour;
};
// Columns (top, bottom) or rows (left, right) from the first colour to the
// last; at 8 bits per pixel or less one band of a single colour, since a
// palette display would only dither the steps.
std::vector<GradientBand> FallbackGradientBands(UINT position, const RECT& rect, COLORREF start, COLORREF end,
                                                int bitsPerPixel);

// The line `width` pixels wide along the side of `rect` that faces the
// host's contents; empty when the banner lies along no edge.
RECT BannerEdgeBand(UINT position, const RECT& rect, int width);

struct BannerOffsets {
    int titleX = 5;    // title, and an icon before the text, from the banner's edge
    int titleY = 3;
    int captionX = 4;  // caption from the title
    int captionY = 10;
    int inset = 1;     // keeps an icon placed near or far off the edge line
};

// The icon's top-left corner. For BANNER_ICON_START the rectangle shrinks past
// the icon (the title's offset then applies again beyond it); for
// BANNER_ICON_END the far side is moved in front of it.
POINT PlaceBannerIcon(UINT position, UINT placement, SIZE icon, const BannerOffsets& offsets, RECT* rect);

struct BannerTextLayout {
    LONG escapement;  // tenths of a degree, also the fonts' orientation
    POINT title;      // top-left of the text in its own reading direction
    POINT caption;    // the caption's first line
};
// titleHeight: the title font's character height in pixels.
BannerTextLayout LayOutBannerText(UINT position, const RECT& rect, const BannerOffsets& offsets, int titleHeight);

// Lines split at line feeds; a caption that ends with one has an empty last line.
std::vector<CString> SplitCaption(const CString& caption);
// Where caption line `line` (0 is the first) starts. In a horizontal banner
// every line after the first lies `gap` pixels lower than its line height
// alone would put it (the gaps do not add up).
POINT CaptionLinePoint(UINT position, POINT caption, int line, int captionHeight, int gap = 2);

// The banner's lengths as drawn at 96 DPI, and the scale they are drawn at.
struct BannerMetrics {
    int thickness = 50;     // height along the top or bottom, width along a side
    BannerOffsets offsets;
    Scale scale;
    int Thickness() const { return scale(thickness); }
    int Line() const { return scale(1); }  // the edge line's width
    BannerOffsets Offsets() const {
        return {scale(offsets.titleX), scale(offsets.titleY), scale(offsets.captionX), scale(offsets.captionY),
                scale(offsets.inset)};
    }
};

struct BannerLayout {
    RECT client;       // the banner's client rectangle
    RECT edge;         // the edge line's pixels; empty when undocked
    bool hasIcon;
    POINT icon;        // the icon's top-left corner
    LONG escapement;   // of both fonts, tenths of a degree
    POINT title;
    std::vector<POINT> lines;  // where each caption line starts
};
// `icon` the icon's size when there is one (null: none); `titleHeight` and
// `captionHeight` the fonts' character heights in pixels.
BannerLayout LayOutBanner(UINT position, const RECT& client, const BannerMetrics& metrics, UINT iconPlacement,
                          const SIZE* icon, int titleHeight, int captionHeight, size_t captionLines);

// A direct child's rectangle, in host client coordinates, once a banner of
// thickness `size` has made room along `position`.
RECT ShiftForBanner(UINT position, const RECT& child, int size);

// A font height (negative: character height) for a size in tenths of a point.
LONG FontHeightAtDpi(int pixelsPerInch, int tenthsOfPoint);
