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

}  // namespace
