#include "MenuLook.h"

#include <algorithm>

COLORREF LightenColor(COLORREF colour, double factor) {
    if (!(factor > 0.0 && factor <= 1.0)) return colour;
    auto lighten = [factor](BYTE c) { return static_cast<BYTE>(c + factor * (255 - c)); };
    return RGB(lighten(GetRValue(colour)), lighten(GetGValue(colour)), lighten(GetBValue(colour)));
}

SIZE MeasureMenuItem(const MenuMetrics& m, bool separator, int textWidth) {
    const int gap = m.flat ? 7 : 4;
    if (separator) return {0, std::max(m.menuHeight >> 1, (m.iconHeight + gap) / 2)};
    const int width = m.flat ? textWidth + m.iconWidth + gap + 8 : textWidth + 2 * m.iconWidth + 1;
    return {width, std::max(m.menuHeight, m.iconHeight + gap)};
}

namespace {

// Half the free space, rounded half up, never negative.
int Centre(int free) { return std::max(0, static_cast<int>(free * 0.5 + 0.5)); }

}  // namespace

ClassicItemLayout LayoutClassicItem(const RECT& r, int w, int hc, bool hasAccelerator) {
    const int dy = std::max(0, static_cast<int>((r.bottom - r.top - hc - 4) / 2));
    ClassicItemLayout l{};
    l.innerBox = {r.left + 1, r.top + dy + 1, r.left + w + 3, r.top + hc + dy + 3};
    l.outerBox = {r.left, r.top + dy, r.left + w + 4, r.top + hc + dy + 4};
    l.checkBox = {r.left + 1, r.top + dy + 2, r.left + w + 1, r.top + hc + dy + 2};
    l.highlight = {r.left + w + 5, r.top, r.right, r.bottom};
    l.text = {r.left + w + 9, r.top - 1, r.right - (hasAccelerator ? w : 0), r.bottom - 1};
    l.image = {r.left + 2, r.top + dy + 2};
    return l;
}

FlatItemLayout LayoutFlatItem(const RECT& r, int w, int hc, bool hasAccelerator) {
    FlatItemLayout l{};
    l.bar = w + 7;
    const int h = r.bottom - r.top;
    l.column = {r.left, r.top, r.left + l.bar, r.bottom};
    l.imageBox = {r.left + 1, r.top + 1, r.left + l.bar - 1, r.bottom - 1};
    const int boxLeft = r.left + Centre(l.bar - 16), boxTop = r.top + Centre(h - 16);
    l.checkBox = {boxLeft, boxTop, boxLeft + 16, boxTop + 16};
    l.text = {r.left + l.bar + 8, r.top - 1, r.right - (hasAccelerator ? w : 0), r.bottom - 1};
    l.image = {r.left + Centre(l.bar - w), r.top + Centre(h - hc)};
    return l;
}

MenuTextParts SplitAtTab(const std::wstring& text) {
    MenuTextParts parts;
    const size_t first = text.find(L'\t');
    if (first == std::wstring::npos) {
        parts.label = text;
        return parts;
    }
    parts.hasTab = true;
    parts.label = text.substr(0, first);
    parts.accelerator = text.substr(text.rfind(L'\t') + 1);
    return parts;
}
