#pragma once
// Classes in this file:
//   LumMenuMemDC - the surface a grayed menu item is painted on: an
//                  off-screen bitmap over the item's rectangle that is copied
//                  onto the target in one block when the object ends, or the
//                  target itself when that is printing
//
// Callers draw in the target's coordinates either way: the off-screen
// context's window origin is the rectangle's top-left corner.
#include <windows.h>

#include "Gdi.h"

class LumMenuMemDC : public CDC {
public:
    LumMenuMemDC(CDC* target, const RECT& rect);
    ~LumMenuMemDC() override;
    LumMenuMemDC(const LumMenuMemDC&) = delete;
    LumMenuMemDC& operator=(const LumMenuMemDC&) = delete;

    bool IsOffscreen() const { return m_offscreen != 0; }

private:
    CBitmap m_bitmap;                // owned; empty when printing
    HGDIOBJ m_oldBitmap = nullptr;   // selected back before the copy ends
    CDC* m_target;                   // not owned
    RECT m_rect;
    BOOL m_offscreen;
};
