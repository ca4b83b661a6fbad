#include "ButtonLook.h"

ButtonColours ButtonColours::FromSystem() {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    return {face, text, face, text, face};
}

SystemColours SystemColours::Read() {
    return {::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_3DLIGHT), ::GetSysColor(COLOR_BTNSHADOW),
            ::GetSysColor(COLOR_3DDKSHADOW)};
}

bool IsDrawnPressed(bool checkBox, bool selected, bool checked, bool menuOpen) {
    if (checkBox) return selected || checked;
    return selected || menuOpen;
}

bool HasBlackFrame(const ButtonLookState& s) { return !s.flat && (s.focused || s.isDefault); }

CRect ItemRect(const CRect& drawn, const ButtonLookState& s) {
    CRect item = drawn;
    if (HasBlackFrame(s)) item.DeflateRect(1, 1);
    return item;
}

ButtonFrame ChooseFrame(const ButtonLookState& s) {
    if (s.pressed) {
        if (!s.flat) return ButtonFrame::ShadowBox;
        return s.drawFlatFrame ? ButtonFrame::Sunken : ButtonFrame::None;
    }
    if (!s.flat) return ButtonFrame::Edge3d;
    return s.hovering && s.drawFlatFrame ? ButtonFrame::Raised : ButtonFrame::None;
}

std::array<EdgeLine, 4> EdgeLines(const CRect& r, const SystemColours& sys) {
    const LONG l = r.left, t = r.top, rt = r.right, b = r.bottom;
    // Light from the top left: two light lines there, two dark ones at the
    // bottom right, the outer ones first.
    return {{
        {sys.highlight, {l, b - 1}, {l, t}, {rt, t}},
        {sys.light, {l + 1, b - 1}, {l + 1, t + 1}, {rt, t + 1}},
        {sys.darkShadow, {l, b - 1}, {rt - 1, b - 1}, {rt - 1, t - 1}},
        {sys.shadow, {l + 1, b - 2}, {rt - 2, b - 2}, {rt - 2, t}},
    }};
}

COLORREF FaceColour(const ButtonLookState& s, const ButtonColours& c) {
    if (s.hovering || s.pressed) return c.backActive;
    return s.focused ? c.backFocused : c.backIdle;
}

CaptionPaint CaptionColours(const ButtonLookState& s, const ButtonColours& c, const SystemColours& sys) {
    CaptionPaint p{};
    p.embossed = s.disabled;
    p.embossLight = sys.highlight;
    p.embossDark = sys.shadow;
    const bool active = s.hovering || s.pressed;
    p.text = active ? c.textActive : c.textIdle;
    p.back = active ? c.backActive : c.backIdle;
    return p;
}

int ChooseImage(const ButtonLookState& s, bool idleImageSet) {
    if (!idleImageSet) return 0;
    const bool atRest = s.checkBox ? !s.pressed : !s.pressed && !s.hovering;
    return atRest ? 1 : 0;
}

ImagePlace PlaceImage(BYTE align, bool hasCaption, const CRect& item, const CRect& caption, const CRect& client,
                      bool pressed, bool checkBox, CSize image) {
    const LONG w = image.cx, h = image.cy;
    ImagePlace p{item, caption};
    CRect& img = p.image;
    CRect& cap = p.caption;
    switch (align) {
    case BUTTON_IMAGE_LEFT:
        if (hasCaption) {
            img.left += 3;
            cap.left += w + 3;
        } else {
            img.left += (img.Width() - w) / 2;
        }
        img.top += (img.Height() - h) / 2;
        break;
    case BUTTON_IMAGE_ABOVE:
        img.left += (img.Width() - w) / 2;
        if (hasCaption) {
            img.top = 3;
            cap.top += h;
        } else {
            img.top += (img.Height() - h) / 2;
        }
        break;
    case BUTTON_IMAGE_RIGHT:
        if (hasCaption) {
            cap.right = cap.right - cap.left - w - 3;
            cap.left = 3;
            img.left = client.right - w - 3;
            img.top += (img.Height() - h) / 2;
        } else {
            // Centred across only: this alignment keeps the top edge.
            img.left += (img.Width() - w) / 2;
        }
        break;
    default:
        break;
    }
    if (pressed && !checkBox) img.OffsetRect(1, 1);
    return p;
}

CRect CentreCaption(const CRect& room, CSize measured, const ButtonLookState& s) {
    CRect r = room;
    if (s.pressed && !s.checkBox) r.OffsetRect(1, 1);
    const LONG dx = (r.Width() - measured.cx) / 2, dy = (r.Height() - measured.cy) / 2;
    return {r.left + dx, r.top + dy, r.left + dx + measured.cx, r.top + dy + measured.cy};
}

bool ShowsFocusRect(const ButtonLookState& s) { return s.focused && (!s.flat || s.focusWhenFlat); }

CRect FocusRect(const CRect& item) {
    CRect r = item;
    r.DeflateRect(3, 3);
    return r;
}

COLORREF GreyOf(COLORREF colour) {
    if (colour == 0) return 0;
    // In this order and in double precision, so that the truncation lands
    // where it always has.
    const double grey = GetGValue(colour) * 0.587 + GetRValue(colour) * 0.299 + GetBValue(colour) * 0.114;
    const BYTE g = static_cast<BYTE>(static_cast<unsigned>(grey) & 0xFF);
    return RGB(g, g, g);
}
