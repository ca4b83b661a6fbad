#pragma once
// Classes in this file:
//   LumMenuMemDC - the surface a grayed menu item is painted on: the
//                  framework's off-screen surface over the item's rectangle,
//                  copied onto the target in one block when the object ends;
//                  or, when the target is printing, the target itself
//
// Callers draw in the target's coordinates either way.
#include <windows.h>

#include <memory>

#include "Gdi.h"

class LumMenuMemDC : public CDC {
public:
    LumMenuMemDC(CDC* target, const RECT& rect);
    ~LumMenuMemDC() override;
    LumMenuMemDC(const LumMenuMemDC&) = delete;
    LumMenuMemDC& operator=(const LumMenuMemDC&) = delete;

    bool IsOffscreen() const { return m_offscreen != nullptr; }

private:
    // Owns the bitmap and the memory context; this object only borrows its
    // handle. Null when printing: then the printer's handles are borrowed.
    std::unique_ptr<CMemoryDC> m_offscreen;
};
