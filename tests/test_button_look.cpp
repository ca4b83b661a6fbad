// The image button's look without a window: where the image and the caption
// go, which frame and colours a state gets, the grey of a grey icon.
#include "ButtonLook.h"
#include "harness.h"

#include <cstdio>
#include <string>

namespace testkit {
inline std::string Describe(const CRect& r) {
    char text[64];
    std::snprintf(text, sizeof(text), "{%ld, %ld, %ld, %ld}", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}
}  // namespace testkit

namespace {

ButtonLookState State(bool pressed, bool hovering, bool focused, bool flat, bool isDefault = false,
                      bool checkBox = false) {
    ButtonLookState s;
    s.pressed = pressed;
    s.hovering = hovering;
    s.focused = focused;
    s.flat = flat;
    s.isDefault = isDefault;
    s.checkBox = checkBox;
    return s;
}

TEST_CASE(image_placing_for_each_alignment) {
    const CRect item(0, 0, 100, 40);
    struct Row {
        const char* label;
        BYTE align;
        bool caption, pressed, checkBox;
        CRect image, room;
    } rows[] = {
        // Left: 3 pixels in, centred down; the caption gets the rest.
        {"left", 0, true, false, false, {3, 12, 100, 40}, {19, 0, 100, 40}},
        {"left pressed", 0, true, true, false, {4, 13, 101, 41}, {19, 0, 100, 40}},
        {"left pressed check box", 0, true, true, true, {3, 12, 100, 40}, {19, 0, 100, 40}},
        {"left no caption", 0, false, false, false, {42, 12, 100, 40}, {0, 0, 100, 40}},
        // Above: centred across, 3 from the top; the caption below it.
        {"above", 1, true, false, false, {42, 3, 100, 40}, {0, 16, 100, 40}},
        {"above no caption", 1, false, false, false, {42, 12, 100, 40}, {0, 0, 100, 40}},
        // Right: measured from the client's right edge.
        {"right", 2, true, false, false, {81, 12, 100, 40}, {3, 0, 81, 40}},
        {"right no caption keeps the top", 2, false, false, false, {42, 0, 100, 40}, {0, 0, 100, 40}},
        {"unknown alignment", 7, true, false, false, {0, 0, 100, 40}, {0, 0, 100, 40}},
    };
    for (const Row& r : rows) {
        testkit::SetContext(r.label);
        const ImagePlace p = PlaceImage(r.align, r.caption, item, item, item, r.pressed, r.checkBox, CSize(16, 16));
        CHECK_EQ(p.image, r.image);
        CHECK_EQ(p.caption, r.room);
    }
}

TEST_CASE(caption_is_centred_as_a_block_and_pressed_push_buttons_shift) {
    struct Row {
        const char* label;
        bool pressed, checkBox;
        CSize measured;
        CRect expected;
    } rows[] = {
        {"odd space rounds toward the left", false, false, {30, 13}, {44, 13, 74, 26}},
        {"pressed", true, false, {30, 13}, {45, 14, 75, 27}},
        {"pressed check box", true, true, {30, 13}, {44, 13, 74, 26}},
        {"wider than the room: halves truncate toward zero", false, false, {90, 13}, {15, 13, 105, 26}},
    };
    for (const Row& r : rows) {
        testkit::SetContext(r.label);
        CHECK_EQ(CentreCaption(CRect(19, 0, 100, 40), r.measured, State(r.pressed, false, false, true, false, r.checkBox)),
                 r.expected);
    }
}

TEST_CASE(frame_face_focus_and_image_by_state) {
    const ButtonColours c{RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), RGB(4, 0, 0), RGB(5, 0, 0)};
    struct Row {
        const char* label;
        ButtonLookState s;
        ButtonFrame frame;
        COLORREF face;
        bool blackFrame, focusRect;
        int image;  // with an idle image set
    } rows[] = {
        {"flat idle", State(false, false, false, true), ButtonFrame::None, RGB(3, 0, 0), false, false, 1},
        {"flat hovered", State(false, true, false, true), ButtonFrame::Raised, RGB(1, 0, 0), false, false, 0},
        {"flat pressed", State(true, true, false, true), ButtonFrame::Sunken, RGB(1, 0, 0), false, false, 0},
        {"flat focused", State(false, false, true, true), ButtonFrame::None, RGB(5, 0, 0), false, false, 1},
        {"raised idle", State(false, false, false, false), ButtonFrame::Edge3d, RGB(3, 0, 0), false, false, 1},
        {"raised default", State(false, false, false, false, true), ButtonFrame::Edge3d, RGB(3, 0, 0), true,
         false, 1},
        {"raised focused", State(false, false, true, false), ButtonFrame::Edge3d, RGB(5, 0, 0), true, true, 1},
        {"raised pressed", State(true, false, false, false), ButtonFrame::ShadowBox, RGB(1, 0, 0), false, false,
         0},
        {"flat default has no black frame", State(false, false, false, true, true), ButtonFrame::None,
         RGB(3, 0, 0), false, false, 1},
        {"check box hovered keeps the idle image", State(false, true, false, true, false, true),
         ButtonFrame::Raised, RGB(1, 0, 0), false, false, 1},
        {"check box pressed", State(true, false, false, true, false, true), ButtonFrame::Sunken, RGB(1, 0, 0),
         false, false, 0},
    };
    for (const Row& r : rows) {
        testkit::SetContext(r.label);
        CHECK(ChooseFrame(r.s) == r.frame);
        CHECK_EQ(FaceColour(r.s, c), r.face);
        CHECK_EQ(HasBlackFrame(r.s), r.blackFrame);
        CHECK_EQ(ShowsFocusRect(r.s), r.focusRect);
        CHECK_EQ(ChooseImage(r.s, true), r.image);
        CHECK_EQ(ChooseImage(r.s, false), 0);
    }
    testkit::SetContext("");
    ButtonLookState flatFocus = State(false, false, true, true);
    flatFocus.focusWhenFlat = true;
    CHECK(ShowsFocusRect(flatFocus));
    ButtonLookState noFlatFrame = State(true, true, false, true);
    noFlatFrame.drawFlatFrame = false;
    CHECK(ChooseFrame(noFlatFrame) == ButtonFrame::None);
    CHECK_EQ(ItemRect(CRect(0, 0, 100, 40), State(false, false, false, false, true)), CRect(1, 1, 99, 39));
    CHECK_EQ(FocusRect(CRect(1, 1, 99, 39)), CRect(4, 4, 96, 36));
}

TEST_CASE(pressed_rule_caption_colours_and_edge) {
    CHECK(IsDrawnPressed(true, false, true, false));    // a checked check box
    CHECK(!IsDrawnPressed(false, false, true, false));  // "checked" means nothing to a push button
    CHECK(IsDrawnPressed(false, false, false, true));   // its drop-down is open
    CHECK(!IsDrawnPressed(true, false, false, true));

    const ButtonColours c{RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), RGB(4, 0, 0), RGB(5, 0, 0)};
    const SystemColours sys{RGB(9, 0, 0), RGB(8, 0, 0), RGB(7, 0, 0), RGB(6, 0, 0)};
    CaptionPaint idle = CaptionColours(State(false, false, true, true), c, sys);
    CHECK(!idle.embossed);
    CHECK_EQ(idle.text, RGB(4, 0, 0));
    CHECK_EQ(idle.back, RGB(3, 0, 0));
    CaptionPaint hot = CaptionColours(State(false, true, false, true), c, sys);
    CHECK_EQ(hot.text, RGB(2, 0, 0));
    ButtonLookState off = State(false, false, false, true);
    off.disabled = true;
    CaptionPaint disabled = CaptionColours(off, c, sys);
    CHECK(disabled.embossed);
    CHECK_EQ(disabled.embossLight, RGB(9, 0, 0));
    CHECK_EQ(disabled.embossDark, RGB(7, 0, 0));

    const auto lines = EdgeLines(CRect(1, 1, 99, 39), sys);
    CHECK_EQ(lines[0].colour, RGB(9, 0, 0));
    CHECK_EQ(lines[0].via.x, 1);
    CHECK_EQ(lines[1].via.y, 2);
    CHECK_EQ(lines[2].colour, RGB(6, 0, 0));
    CHECK_EQ(lines[2].via.x, 98);
    CHECK_EQ(lines[3].from.y, 37);
}

TEST_CASE(grey_of_a_colour_by_luminance) {
    struct Row {
        COLORREF in, out;
    } rows[] = {
        {RGB(255, 0, 0), RGB(76, 76, 76)},
        {RGB(0, 255, 0), RGB(149, 149, 149)},
        {RGB(0, 0, 255), RGB(29, 29, 29)},
        {RGB(200, 100, 50), RGB(124, 124, 124)},
        {RGB(255, 255, 255), RGB(255, 255, 255)},
        {RGB(1, 1, 1), RGB(0, 0, 0)},  // 0.9999...: truncated, not rounded
        {RGB(0, 0, 0), RGB(0, 0, 0)},
    };
    for (const Row& r : rows) {
        testkit::SetContext(std::to_string(r.in));
        CHECK_EQ(GreyOf(r.in), r.out);
    }
}

}  // namespace
