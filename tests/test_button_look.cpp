// The image button's look without a window, where the pixel tests do not
// reach: the other alignments, caption centring, states by their colours.
#include "ButtonLook.h"
#include "harness.h"

#include <cstdio>

namespace {

std::string Text(const CRect& r) {
    char t[64];
    std::snprintf(t, sizeof(t), "{%ld, %ld, %ld, %ld}", long{r.left}, long{r.top}, long{r.right}, long{r.bottom});
    return t;
}

TEST_CASE(image_placing_and_caption_centring) {
    const CRect item(0, 0, 100, 40);
    const struct { const char* label; BYTE align; bool caption; CRect image, room; } rows[] = {
        {"above", 1, true, {42, 3, 100, 40}, {0, 16, 100, 40}},
        {"above no caption", 1, false, {42, 12, 100, 40}, {0, 0, 100, 40}},
        {"right: from the client's edge", 2, true, {81, 12, 100, 40}, {3, 0, 81, 40}},
        {"right no caption keeps the top", 2, false, {42, 0, 100, 40}, {0, 0, 100, 40}},
        {"unknown alignment", 7, true, {0, 0, 100, 40}, {0, 0, 100, 40}},
    };
    for (const auto& r : rows) {
        testkit::SetContext(r.label);
        const ImagePlace p = PlaceImage(r.align, r.caption, item, item, item, false, false, CSize(16, 16));
        CHECK_EQ(Text(p.image) + Text(p.caption), Text(r.image) + Text(r.room));
    }
    testkit::SetContext("");
    CHECK_EQ(Text(CentreCaption(CRect(19, 0, 100, 40), CSize(30, 13), {.pressed = true})), Text(CRect(45, 14, 75, 27)));
    // Halves truncate toward zero, also when the text is wider than its room.
    CHECK_EQ(Text(CentreCaption(CRect(19, 0, 100, 40), CSize(90, 13), {})), Text(CRect(15, 13, 105, 26)));
}

TEST_CASE(states_by_their_colours_frames_and_images) {
    const ButtonColours c{RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), RGB(4, 0, 0), RGB(5, 0, 0)};
    const ButtonLookState raisedPressed{.pressed = true, .flat = false}, boxHovered{.hovering = true, .checkBox = true};
    CHECK_EQ(FaceColour({.focused = true}, c), RGB(5, 0, 0));
    CHECK_EQ(FaceColour(raisedPressed, c), RGB(1, 0, 0));
    CHECK(ChooseFrame(raisedPressed) == ButtonFrame::ShadowBox);
    CHECK_EQ(ChooseImage(boxHovered, true), 1);  // a check box keeps its idle image while hovered
    CHECK_EQ(CaptionColours(boxHovered, c, {}).text, RGB(2, 0, 0));
    CHECK(IsDrawnPressed(false, false, false, true) && !IsDrawnPressed(false, false, true, false));
    // Grey: white stays white; 0.9999... for RGB(1, 1, 1) truncated, not rounded.
    CHECK(GreyOf(RGB(255, 255, 255)) == RGB(255, 255, 255) && GreyOf(RGB(1, 1, 1)) == 0);
}

// One paint's layout of a 100 x 40 button with a 32-pixel icon and a
// caption 30 x 13 pixels large, all scaled: the main dialog's buttons, at
// 100, 150 and 200 %.
TEST_CASE(one_layout_per_paint_at_96_144_and_192_dpi) {
    const ButtonLookState hovered{.hovering = true}, pressed{.pressed = true};
    const ButtonLookState focusedDisabled{.focused = true, .disabled = true, .focusWhenFlat = true};
    const ButtonLookState defaultRaised{.isDefault = true, .flat = false};
    const SystemColours sys{RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), RGB(4, 0, 0)};
    const struct { const char* label; UINT dpi; ButtonLookState state; ButtonFrame frame; int line; CRect item, image,
                   caption; const char* focus; } rows[] = {
        {"hovered", 96, hovered, ButtonFrame::Raised, 1, {0, 0, 100, 40}, {3, 4, 100, 40}, {52, 13, 82, 26}, "none"},
        {"pressed: shifted", 144, pressed, ButtonFrame::Sunken, 2, {0, 0, 150, 60}, {7, 8, 152, 62}, {81, 22, 126, 42},
         "none"},
        {"focused, disabled", 192, focusedDisabled, ButtonFrame::None, 2, {0, 0, 200, 80}, {6, 8, 200, 80},
         {105, 27, 165, 53}, "{6, 6, 194, 74}"},
        {"default, not flat: black frame", 144, defaultRaised, ButtonFrame::Edge3d, 2, {2, 2, 148, 58},
         {5, 6, 150, 60}, {79, 20, 124, 40}, "none"},
    };
    for (const auto& r : rows) {
        testkit::SetContext(r.label);
        const Scale scale{r.dpi};
        ButtonLookInput in{.drawn = CRect(0, 0, scale(100), scale(40)), .hasCaption = true, .scale = scale, .sys = sys};
        in.client = in.drawn;
        in.icons.set[0] = true;
        in.icons.size[0] = CSize(scale(32), scale(32));
        const ButtonLayout l = LayOutButton(r.state, in, [&](const CRect&) { return CSize(scale(30), scale(13)); });
        CHECK(l.frame == r.frame);
        CHECK_EQ(l.line, r.line);
        CHECK_EQ(l.emboss, r.line);
        CHECK_EQ(Text(l.item), Text(r.item));
        REQUIRE(l.icon && !l.bitmap);
        CHECK_EQ(Text(l.icon->at), Text(r.image));
        CHECK_EQ(l.icon->disabledLook, r.state.disabled);
        CHECK_EQ(Text(l.caption), Text(r.caption));
        CHECK_EQ(l.focus ? Text(l.focusRect) : "none", std::string(r.focus));
        // A 3-D edge is two bands of `line` lines each side, the highlight outermost.
        CHECK_EQ(l.edges.size(), r.frame == ButtonFrame::Edge3d ? 4u * r.line : 0u);
        if (!l.edges.empty()) CHECK(l.edges[0].colour == sys.highlight && l.edges[0].via.x == 2 && l.edges[0].via.y == 2);
    }
}

}  // namespace
