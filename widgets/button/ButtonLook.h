#pragma once
// Functions and types in this file:
//   ButtonLookState  - what an image button's paint depends on: its state and settings
//   ButtonColours    - the five colours a button keeps from its construction
//   SystemColours    - the platform colours read at every paint
//   ButtonLookInput  - the rest of one paint: rectangles, images, scale, colours
//   ButtonLayout, LayOutButton - every rectangle, colour and image choice of one paint
//   IsDrawnPressed   - when the button is drawn pushed in
//   ChooseFrame      - which frame the state shows
//   FaceColour, CaptionColours - the face and caption colours
//   ChooseImage      - the active (0) or the idle (1) image
//   PlaceImage       - where the image goes and what room it leaves the caption
//   CentreCaption    - the measured caption centred in its room
//   GreyOf           - the grey that stands for a colour in a grey icon
//
// Plain functions without a window or a DC, so that every rule of the look
// can be checked on its own. CButtonVela asks LayOutButton once per paint and
// paints what it answers. Lengths are those of the look at 96 DPI, scaled
// by the button's DPI (Scale): margins, offsets and the width of every line.
#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "Dpi.h"
#include "Types.h"

// Where the image stands beside the caption.
enum : BYTE { BUTTON_IMAGE_LEFT = 0, BUTTON_IMAGE_ABOVE = 1, BUTTON_IMAGE_RIGHT = 2 };

struct ButtonLookState {
    bool pressed = false;    // drawn pushed in (IsDrawnPressed)
    bool focused = false;
    bool disabled = false;
    bool hovering = false;
    bool isDefault = false;  // the dialog's default button
    bool checkBox = false;
    bool flat = true;
    bool drawFlatFrame = true;   // a flat button shows a frame while hovered or pressed
    bool focusWhenFlat = false;  // a flat button shows the focus rectangle too
    bool greyDisabledBitmap = true;  // a disabled button draws its bitmap embossed
};

struct ButtonColours {
    COLORREF backActive;  // face while hovered or pressed
    COLORREF textActive;
    COLORREF backIdle;
    COLORREF textIdle;
    COLORREF backFocused;  // face while focused, neither hovered nor pressed
    static ButtonColours FromSystem();
};

struct SystemColours {
    COLORREF highlight;   // COLOR_BTNHIGHLIGHT
    COLORREF light;       // COLOR_3DLIGHT
    COLORREF shadow;      // COLOR_BTNSHADOW
    COLORREF darkShadow;  // COLOR_3DDKSHADOW
    static SystemColours Read();
};

// A check box is pushed in while held down or while checked; any other
// button while held down, or while its drop-down menu is open.
bool IsDrawnPressed(bool checkBox, bool selected, bool checked, bool menuOpen);

enum class ButtonFrame {
    None,
    ShadowBox,  // pressed, not flat: a box in the shadow colour
    Sunken,     // flat and pressed: shadow top-left, highlight bottom-right
    Raised,     // flat and hovered: highlight top-left, shadow bottom-right
    Edge3d,     // not flat, not pressed: the lines of ButtonLayout::edges
};
ButtonFrame ChooseFrame(const ButtonLookState& s);

// One polyline of the 3-D edge: from `from` through `via` to just before `to`.
struct EdgeLine {
    COLORREF colour;
    POINT from, via, to;
};

COLORREF FaceColour(const ButtonLookState& s, const ButtonColours& c);

// The caption's text colour and background colour; a disabled caption is
// drawn twice instead, in `embossLight` moved right and down and then in
// `embossDark` in place.
struct CaptionPaint {
    bool embossed;
    COLORREF text, back;                 // not embossed
    COLORREF embossLight, embossDark;    // embossed
};
CaptionPaint CaptionColours(const ButtonLookState& s, const ButtonColours& c, const SystemColours& sys);

// 1 (the idle image) when one is set and the button is at rest: a check box
// that is not pressed, or a button neither pressed nor hovered; 0 otherwise.
int ChooseImage(const ButtonLookState& s, bool idleImageSet);

struct ImagePlace {
    CRect image;    // where the image is drawn; its size is what the image is drawn at
    CRect caption;  // the room left for the caption
};
// `item` is the drawn rectangle before any black frame; `client` is the
// button's client rectangle (the right alignment measures from it).
ImagePlace PlaceImage(BYTE align, bool hasCaption, const CRect& item, const CRect& caption, const CRect& client,
                      bool pressed, bool checkBox, CSize image, Scale scale = {});

// `room` the caption's room, `measured` the size the text needs when wrapped
// to that room's width: the text's rectangle, centred as a block, and moved
// right and down for a pressed push button (a check box stays).
CRect CentreCaption(const CRect& room, CSize measured, const ButtonLookState& s, Scale scale = {});

// A colour's grey: 0.299 R + 0.587 G + 0.114 B, truncated; black stays black.
COLORREF GreyOf(COLORREF colour);

// The images of one kind (icons, or bitmaps): whether each slot holds one,
// and its size in pixels.
struct ButtonImages {
    bool set[2] = {};  // 0 active, 1 idle
    CSize size[2];
};

struct ButtonLookInput {
    CRect drawn{};   // the draw-item rectangle
    CRect client{};  // the button's client rectangle
    bool hasCaption = false;
    ButtonImages icons{}, bitmaps{};
    BYTE align = BUTTON_IMAGE_LEFT;
    Scale scale{};
    ButtonColours colours{};
    SystemColours sys{};
};

struct ButtonImageDraw {
    int slot;          // 0 the active image, 1 the idle one
    CRect at;          // top-left where it goes; the size bounds the disabled effect
    bool disabledLook; // drawn with the platform's disabled effect
};

struct ButtonLayout {
    CRect drawn;
    int line = 1;             // the width of every frame line and edge
    bool blackFrame = false;  // a black box of `line` just inside `drawn`
    CRect item;               // inside that box: the face, the frame and the focus rectangle
    COLORREF face = 0;
    ButtonFrame frame = ButtonFrame::None;
    COLORREF frameTopLeft = 0, frameBottomRight = 0;  // ShadowBox, Sunken and Raised: `line` nested boxes
    std::vector<EdgeLine> edges;                      // Edge3d: one-pixel polylines, in painting order
    std::optional<ButtonImageDraw> icon, bitmap;
    bool hasCaption = false;
    CRect caption;        // where the caption is drawn (its wrapped block, centred)
    CaptionPaint captionPaint{};
    int emboss = 1;       // how far right and down a disabled caption's light copy lies
    bool focus = false;
    CRect focusRect;
};

// The size the caption needs when wrapped to the width of `room`.
using CaptionMeasure = std::function<CSize(const CRect& room)>;
ButtonLayout LayOutButton(const ButtonLookState& s, const ButtonLookInput& in, const CaptionMeasure& measure);
