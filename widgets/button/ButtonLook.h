#pragma once
// Functions and types in this file:
//   ButtonLookState  - what an image button's paint depends on: its state and settings
//   ButtonColours    - the five colours a button keeps from its construction
//   SystemColours    - the platform colours read at every paint
//   IsDrawnPressed   - when the button is drawn pushed in
//   ItemRect, HasBlackFrame, ChooseFrame, EdgeLines - the frame and the face's rectangle
//   FaceColour, CaptionColours - the face and caption colours
//   ChooseImage      - the active (0) or the idle (1) image
//   PlaceImage       - where the image goes and what room it leaves the caption
//   CentreCaption    - the measured caption centred in its room
//   ShowsFocusRect, FocusRect - the dotted focus rectangle
//   GreyOf           - the grey that stands for a colour in a grey icon
//
// Plain functions without a window or a DC, so that every rule of the look
// can be checked on its own; CButtonVela paints through them.
#include <windows.h>

#include <array>

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

// A button that is not flat and is focused or the default gets a black frame
// around everything, and the rest moves one pixel in.
bool HasBlackFrame(const ButtonLookState& s);
CRect ItemRect(const CRect& drawn, const ButtonLookState& s);

enum class ButtonFrame {
    None,
    ShadowBox,  // pressed, not flat: a one-pixel box in the shadow colour
    Sunken,     // flat and pressed: shadow top-left, highlight bottom-right
    Raised,     // flat and hovered: highlight top-left, shadow bottom-right
    Edge3d,     // not flat, not pressed: the four lines of EdgeLines
};
ButtonFrame ChooseFrame(const ButtonLookState& s);

// One polyline of the 3-D edge: from `from` through `via` to just before `to`.
struct EdgeLine {
    COLORREF colour;
    POINT from, via, to;
};
std::array<EdgeLine, 4> EdgeLines(const CRect& item, const SystemColours& sys);

COLORREF FaceColour(const ButtonLookState& s, const ButtonColours& c);

// The caption's text colour and background colour; a disabled caption is
// drawn twice instead, in `embossLight` one pixel right and down and then in
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
                      bool pressed, bool checkBox, CSize image);

// `room` the caption's room, `measured` the size the text needs when wrapped
// to that room's width: the text's rectangle, centred as a block, and moved
// one pixel right and down for a pressed push button (a check box stays).
CRect CentreCaption(const CRect& room, CSize measured, const ButtonLookState& s);

bool ShowsFocusRect(const ButtonLookState& s);
CRect FocusRect(const CRect& item);

// A colour's grey: 0.299 R + 0.587 G + 0.114 B, truncated; black stays black.
COLORREF GreyOf(COLORREF colour);
