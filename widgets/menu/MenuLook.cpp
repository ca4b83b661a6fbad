#include "MenuLook.h"

#include <algorithm>

COLORREF LightenColor(COLORREF colour, double factor) {
    if (!(factor > 0.0 && factor <= 1.0)) return colour;
    auto lighten = [factor](BYTE c) { return static_cast<BYTE>(c + factor * (255 - c)); };
    return RGB(lighten(GetRValue(colour)), lighten(GetGValue(colour)), lighten(GetBValue(colour)));
}

SIZE MeasureMenuItem(const MenuMetrics& m, bool separator, int textWidth) {
    const Scale& s = m.scale;
    const int gap = s(m.flat ? 7 : 4), w = s(m.iconWidth), hc = s(m.iconHeight);
    if (separator) return {0, std::max(m.menuHeight >> 1, (hc + gap) / 2)};
    const int width = m.flat ? textWidth + w + gap + s(8) : textWidth + 2 * w + s(1);
    return {width, std::max(m.menuHeight, hc + gap)};
}

namespace {

// Half the free space, rounded half up, never negative.
int Centre(int free) { return std::max(0, static_cast<int>(free * 0.5 + 0.5)); }

}  // namespace

ClassicItemLayout LayoutClassicItem(const RECT& r, const MenuMetrics& m, bool hasAccelerator) {
    const Scale& s = m.scale;
    const int w = s(m.iconWidth), hc = s(m.iconHeight);
    const int dy = std::max(0, static_cast<int>((r.bottom - r.top - hc - s(4)) / 2));
    ClassicItemLayout l{};
    l.innerBox = {r.left + s(1), r.top + dy + s(1), r.left + w + s(3), r.top + hc + dy + s(3)};
    l.outerBox = {r.left, r.top + dy, r.left + w + s(4), r.top + hc + dy + s(4)};
    l.checkBox = {r.left + s(1), r.top + dy + s(2), r.left + w + s(1), r.top + hc + dy + s(2)};
    l.highlight = {r.left + w + s(5), r.top, r.right, r.bottom};
    l.text = {r.left + w + s(9), r.top - s(1), r.right - (hasAccelerator ? w : 0), r.bottom - s(1)};
    l.image = {r.left + s(2), r.top + dy + s(2)};
    return l;
}

FlatItemLayout LayoutFlatItem(const RECT& r, const MenuMetrics& m, bool hasAccelerator) {
    const Scale& s = m.scale;
    const int w = s(m.iconWidth), hc = s(m.iconHeight), box = s(16);
    FlatItemLayout l{};
    l.bar = w + s(7);
    const int h = r.bottom - r.top;
    l.column = {r.left, r.top, r.left + l.bar, r.bottom};
    l.imageBox = {r.left + s(1), r.top + s(1), r.left + l.bar - s(1), r.bottom - s(1)};
    const int boxLeft = r.left + Centre(l.bar - box), boxTop = r.top + Centre(h - box);
    l.checkBox = {boxLeft, boxTop, boxLeft + box, boxTop + box};
    l.text = {r.left + l.bar + s(8), r.top - s(1), r.right - (hasAccelerator ? w : 0), r.bottom - s(1)};
    l.image = {r.left + Centre(l.bar - w), r.top + Centre(h - hc)};
    l.separatorLeft = r.left + l.bar + s(7);
    return l;
}

std::array<RECT, 7> CheckGlyphStrokes(POINT at, Scale s) {
    // Down two columns, then up four.
    static const int kTop[7] = {2, 3, 4, 3, 2, 1, 0};
    std::array<RECT, 7> strokes{};
    for (int c = 0; c < 7; ++c)
        strokes[c] = {at.x + s(c), at.y + s(kTop[c]), at.x + s(c + 1), at.y + s(kTop[c] + 3)};
    return strokes;
}

RECT RadioGlyphBox(POINT at, Scale s) { return {at.x, at.y, at.x + s(6), at.y + s(6)}; }

POINT MarkCorner(const RECT& box, bool radio, bool flat, Scale s) {
    return {box.left + s(radio || flat ? 5 : 4), box.top + s(4)};
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
