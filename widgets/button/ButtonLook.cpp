#include "ButtonLook.h"

#include <algorithm>

namespace {

// The 3-D edge of a raised button that is not flat, `line` pixels a band:
// light from the top left, highlight outside and light inside, dark shadow
// outside and shadow inside at the bottom right. Each band is `line`
// one-pixel polylines, the outer ones first, painted in this order so that
// the corners come out as they always have.
std::vector<EdgeLine> EdgeLines(const CRect& r, const SystemColours& sys, int line) {
    std::vector<EdgeLine> lines;
    auto band = [&](int inset, auto polyline) {
        for (int k = 0; k < line; ++k) {
            const LONG l = r.left + inset + k, t = r.top + inset + k, rt = r.right - inset - k,
                       b = r.bottom - inset - k;
            lines.push_back(polyline(l, t, rt, b));
        }
    };
    band(0, [&](LONG l, LONG t, LONG rt, LONG b) { return EdgeLine{sys.highlight, {l, b - 1}, {l, t}, {rt, t}}; });
    band(line - 1, [&](LONG l, LONG t, LONG rt, LONG b) {
        return EdgeLine{sys.light, {l + 1, b - 1}, {l + 1, t + 1}, {rt, t + 1}};
    });
    band(0, [&](LONG l, LONG t, LONG rt, LONG b) {
        return EdgeLine{sys.darkShadow, {l, b - 1}, {rt - 1, b - 1}, {rt - 1, t - 1}};
    });
    band(line - 1, [&](LONG l, LONG t, LONG rt, LONG b) {
        return EdgeLine{sys.shadow, {l + 1, b - 2}, {rt - 2, b - 2}, {rt - 2, t}};
    });
    return lines;
}

}  // namespace

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

ButtonFrame ChooseFrame(const ButtonLookState& s) {
    if (s.pressed) {
        if (!s.flat) return ButtonFrame::ShadowBox;
        return s.drawFlatFrame ? ButtonFrame::Sunken : ButtonFrame::None;
    }
    if (!s.flat) return ButtonFrame::Edge3d;
    return s.hovering && s.drawFlatFrame ? ButtonFrame::Raised : ButtonFrame::None;
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
                      bool pressed, bool checkBox, CSize image, Scale scale) {
    const LONG w = image.cx, h = image.cy, margin = scale(3);
    ImagePlace p{item, caption};
    CRect& img = p.image;
    CRect& cap = p.caption;
    switch (align) {
    case BUTTON_IMAGE_LEFT:
        if (hasCaption) {
            img.left += margin;
            cap.left += w + margin;
        } else {
            img.left += (img.Width() - w) / 2;
        }
        img.top += (img.Height() - h) / 2;
        break;
    case BUTTON_IMAGE_ABOVE:
        img.left += (img.Width() - w) / 2;
        if (hasCaption) {
            img.top = margin;
            cap.top += h;
        } else {
            img.top += (img.Height() - h) / 2;
        }
        break;
    case BUTTON_IMAGE_RIGHT:
        if (hasCaption) {
            cap.right = cap.right - cap.left - w - margin;
            cap.left = margin;
            img.left = client.right - w - margin;
            img.top += (img.Height() - h) / 2;
        } else {
            // Centred across only: this alignment keeps the top edge.
            img.left += (img.Width() - w) / 2;
        }
        break;
    default:
        break;
    }
    if (pressed && !checkBox) img.OffsetRect(scale(1), scale(1));
    return p;
}

CRect CentreCaption(const CRect& room, CSize measured, const ButtonLookState& s, Scale scale) {
    CRect r = room;
    if (s.pressed && !s.checkBox) r.OffsetRect(scale(1), scale(1));
    const LONG dx = (r.Width() - measured.cx) / 2, dy = (r.Height() - measured.cy) / 2;
    return {r.left + dx, r.top + dy, r.left + dx + measured.cx, r.top + dy + measured.cy};
}

COLORREF GreyOf(COLORREF colour) {
    if (colour == 0) return 0;
    // In this order and in double precision, so that the truncation lands
    // where it always has.
    const double grey = GetGValue(colour) * 0.587 + GetRValue(colour) * 0.299 + GetBValue(colour) * 0.114;
    const BYTE g = static_cast<BYTE>(static_cast<unsigned>(grey) & 0xFF);
    return RGB(g, g, g);
}

ButtonLayout LayOutButton(const ButtonLookState& s, const ButtonLookInput& in, const CaptionMeasure& measure) {
    const Scale& scale = in.scale;
    ButtonLayout l;
    l.drawn = in.drawn;
    l.line = std::max(1, scale(1));
    // A button that is not flat and is focused or the default gets a black
    // frame around everything, and the rest moves in by as much.
    l.blackFrame = !s.flat && (s.focused || s.isDefault);
    l.item = in.drawn;
    if (l.blackFrame) l.item.DeflateRect(l.line, l.line);
    l.face = FaceColour(s, in.colours);
    l.frame = ChooseFrame(s);
    switch (l.frame) {
    case ButtonFrame::ShadowBox:
        l.frameTopLeft = l.frameBottomRight = in.sys.shadow;
        break;
    case ButtonFrame::Sunken:
        l.frameTopLeft = in.sys.shadow, l.frameBottomRight = in.sys.highlight;
        break;
    case ButtonFrame::Raised:
        l.frameTopLeft = in.sys.highlight, l.frameBottomRight = in.sys.shadow;
        break;
    case ButtonFrame::Edge3d:
        l.edges = EdgeLines(l.item, in.sys, l.line);
        break;
    case ButtonFrame::None:
        break;
    }

    // The icon, then the bitmap, each placed in the room the one before left.
    CRect room = in.drawn;
    auto place = [&](const ButtonImages& images, bool disabledLook) -> std::optional<ButtonImageDraw> {
        if (!images.set[0]) return std::nullopt;
        const int slot = ChooseImage(s, images.set[1]);
        const ImagePlace p = PlaceImage(in.align, in.hasCaption, in.drawn, room, in.client, s.pressed, s.checkBox,
                                        images.size[slot], scale);
        room = p.caption;
        return ButtonImageDraw{slot, p.image, disabledLook};
    };
    l.icon = place(in.icons, s.disabled);
    l.bitmap = place(in.bitmaps, s.disabled && s.greyDisabledBitmap);
    // A bitmap is drawn at its own size; an icon's rectangle bounds its disabled effect.
    if (l.bitmap) {
        CRect& at = l.bitmap->at;
        const CSize size = in.bitmaps.size[l.bitmap->slot];
        at = CRect(at.left, at.top, at.left + size.cx, at.top + size.cy);
    }

    l.hasCaption = in.hasCaption;
    if (in.hasCaption) {
        l.caption = CentreCaption(room, measure(room), s, scale);
        l.captionPaint = CaptionColours(s, in.colours, in.sys);
        l.emboss = scale(1);
    }
    l.focus = s.focused && (!s.flat || s.focusWhenFlat);
    l.focusRect = l.item;
    l.focusRect.DeflateRect(scale(3), scale(3));
    return l;
}
