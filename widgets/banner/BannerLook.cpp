#include "BannerLook.h"

#include <cstdlib>

namespace {

// Each table of the banner has a row for the left edge, one for the right
// and one shared by top and bottom; the first matching bit decides.
enum class Side { Left, Right, Across };

Side SideOf(UINT position) {
    if (position & BANNER_POS_LEFT) return Side::Left;
    if (position & BANNER_POS_RIGHT) return Side::Right;
    return Side::Across;
}

TRIVERTEX Vertex(LONG x, LONG y, COLORREF colour) {
    TRIVERTEX v{};
    v.x = x;
    v.y = y;
    // TRIVERTEX carries 16-bit channels: the 8-bit value in the high byte.
    v.Red = static_cast<COLOR16>(GetRValue(colour) << 8);
    v.Green = static_cast<COLOR16>(GetGValue(colour) << 8);
    v.Blue = static_cast<COLOR16>(GetBValue(colour) << 8);
    v.Alpha = 0;
    return v;
}

BYTE Blend(BYTE first, BYTE last, double t) {
    return static_cast<BYTE>(first * (1.0 - t) + last * t);  // truncated toward zero
}

}  // namespace

BannerGradient BannerGradientVertices(UINT position, const RECT& rect, COLORREF start, COLORREF end) {
    switch (SideOf(position)) {
    case Side::Left:
        return {{Vertex(0, rect.top, end), Vertex(rect.right, rect.bottom, start)}, GRADIENT_FILL_RECT_V};
    case Side::Right:
        return {{Vertex(rect.right, rect.top, start), Vertex(0, rect.bottom, end)}, GRADIENT_FILL_RECT_V};
    case Side::Across:
        break;
    }
    return {{Vertex(0, rect.top, start), Vertex(rect.right, rect.bottom, end)}, GRADIENT_FILL_RECT_H};
}

std::vector<GradientBand> FallbackGradientBands(UINT position, const RECT& rect, COLORREF start, COLORREF end,
                                                int bitsPerPixel) {
    const Side side = SideOf(position);
    const bool rows = side != Side::Across;
    const COLORREF first = side == Side::Left ? end : start;
    const COLORREF last = side == Side::Left ? start : end;
    if (bitsPerPixel <= 8) return {{rect, side == Side::Left ? start : end}};

    std::vector<GradientBand> bands;
    const int n = (rows ? rect.bottom - rect.top : rect.right - rect.left) - 1;
    if (n < 0) return bands;
    bands.reserve(static_cast<size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        const double t = n == 0 ? 0.0 : static_cast<double>(i) / n;
        const COLORREF colour = RGB(Blend(GetRValue(first), GetRValue(last), t),
                                    Blend(GetGValue(first), GetGValue(last), t),
                                    Blend(GetBValue(first), GetBValue(last), t));
        const RECT band = rows ? RECT{rect.left, rect.top + i, rect.right, rect.top + i + 1}
                               : RECT{rect.left + i, rect.top, rect.left + i + 1, rect.bottom};
        bands.push_back({band, colour});
    }
    return bands;
}

RECT BannerEdgeBand(UINT position, const RECT& r, int width) {
    if (position & BANNER_POS_LEFT) return {r.right - width, r.top, r.right, r.bottom};
    if (position & BANNER_POS_RIGHT) return {r.left, r.top, r.left + width, r.bottom};
    if (position & BANNER_POS_TOP) return {r.left, r.bottom - width, r.right, r.bottom};
    if (position & BANNER_POS_BOTTOM) return {r.left, r.top, r.right, r.top + width};
    return {};
}

POINT PlaceBannerIcon(UINT position, UINT placement, SIZE icon, const BannerOffsets& offsets, RECT* rect) {
    const LONG w = icon.cx, h = icon.cy;
    // Without an along flag the icon sits at the rectangle's corner and the
    // text keeps all of the rectangle.
    POINT at{rect->left, rect->top};
    const Side side = SideOf(position);

    // Along the text.
    if (placement & BANNER_ICON_START) {
        switch (side) {
        case Side::Left:
            rect->bottom -= offsets.titleY + h;
            at.y = rect->bottom;
            break;
        case Side::Right:
            at.y = rect->top + offsets.titleY;
            rect->top = at.y + h;
            break;
        case Side::Across:
            at.x = rect->left + offsets.titleX;
            rect->left = at.x + w;
            break;
        }
    } else if (placement & BANNER_ICON_END) {
        switch (side) {
        case Side::Left:
            rect->top += offsets.titleY;
            at.y = rect->top;
            break;
        case Side::Right:
            rect->bottom -= offsets.titleY + h;
            at.y = rect->bottom;
            break;
        case Side::Across:
            rect->right -= offsets.titleX + w;
            at.x = rect->right;
            break;
        }
    }

    // Across the banner; the one-pixel insets keep the icon off the edge line.
    const LONG centreX = (rect->left + rect->right) / 2 - w / 2;
    const LONG centreY = (rect->top + rect->bottom) / 2 - h / 2;
    switch (side) {
    case Side::Left:
        at.x = (placement & BANNER_ICON_NEAR)     ? rect->left
               : (placement & BANNER_ICON_CENTER) ? centreX
               : (placement & BANNER_ICON_FAR)    ? rect->right - w - offsets.inset
                                                  : rect->left;
        break;
    case Side::Right:
        at.x = (placement & BANNER_ICON_NEAR)     ? rect->right - w
               : (placement & BANNER_ICON_CENTER) ? centreX
               : (placement & BANNER_ICON_FAR)    ? rect->left + offsets.inset
                                                  : rect->left;
        break;
    case Side::Across:
        at.y = (placement & BANNER_ICON_NEAR)     ? rect->top + offsets.inset
               : (placement & BANNER_ICON_CENTER) ? centreY
               : (placement & BANNER_ICON_FAR)    ? rect->bottom - h - offsets.inset
                                                  : rect->top;
        break;
    }
    return at;
}

BannerTextLayout LayOutBannerText(UINT position, const RECT& rect, const BannerOffsets& o, int titleHeight) {
    BannerTextLayout layout{};
    switch (SideOf(position)) {
    case Side::Left:
        layout.escapement = 900;
        layout.title = {rect.left + o.titleX, rect.bottom - o.titleY};
        layout.caption = {layout.title.x + o.captionX + titleHeight, layout.title.y - o.captionY};
        break;
    case Side::Right:
        layout.escapement = -900;
        layout.title = {rect.right - o.titleX, rect.top + o.titleY};
        layout.caption = {layout.title.x - o.captionX - titleHeight, layout.title.y + o.captionY};
        break;
    case Side::Across:
        layout.escapement = 0;
        layout.title = {rect.left + o.titleX, rect.top + o.titleY};
        layout.caption = {layout.title.x + o.captionX, layout.title.y + o.captionY + titleHeight};
        break;
    }
    return layout;
}

std::vector<CString> SplitCaption(const CString& caption) {
    std::vector<CString> lines;
    CString remainder = caption;
    for (;;) {
        const int feed = remainder.IsEmpty() ? -1 : remainder.Find(L'\n');
        if (feed < 0) {
            lines.push_back(remainder);
            return lines;
        }
        lines.push_back(remainder.Left(feed));
        remainder = remainder.Mid(feed + 1);
    }
}

POINT CaptionLinePoint(UINT position, POINT caption, int line, int captionHeight, int gap) {
    if (line == 0) return caption;
    switch (SideOf(position)) {
    case Side::Left:
        return {caption.x + line * captionHeight, caption.y};
    case Side::Right:
        return {caption.x - line * captionHeight, caption.y};
    case Side::Across:
        break;
    }
    return {caption.x, caption.y + line * captionHeight + gap};
}

BannerLayout LayOutBanner(UINT position, const RECT& client, const BannerMetrics& metrics, UINT iconPlacement,
                          const SIZE* icon, int titleHeight, int captionHeight, size_t captionLines) {
    const BannerOffsets offsets = metrics.Offsets();
    BannerLayout layout{};
    layout.client = client;
    layout.edge = BannerEdgeBand(position, client, metrics.Line());
    RECT text = client;  // what the text keeps once the icon has its place
    layout.hasIcon = icon != nullptr;
    if (icon) layout.icon = PlaceBannerIcon(position, iconPlacement, *icon, offsets, &text);
    const BannerTextLayout turned = LayOutBannerText(position, text, offsets, titleHeight);
    layout.escapement = turned.escapement;
    layout.title = turned.title;
    for (size_t line = 0; line < captionLines; ++line)
        layout.lines.push_back(CaptionLinePoint(position, turned.caption, static_cast<int>(line), captionHeight,
                                                metrics.scale(2)));
    return layout;
}

RECT ShiftForBanner(UINT position, const RECT& child, int size) {
    RECT moved = child;
    if (position & BANNER_POS_LEFT)
        ::OffsetRect(&moved, size, 0);
    else if (position & BANNER_POS_TOP)
        ::OffsetRect(&moved, 0, size);
    return moved;
}

LONG FontHeightAtDpi(int pixelsPerInch, int tenthsOfPoint) {
    return -std::abs(::MulDiv(pixelsPerInch, tenthsOfPoint, 720));
}
