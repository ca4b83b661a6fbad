#include "LumMenuMemDC.h"

LumMenuMemDC::LumMenuMemDC(CDC* target, const RECT& rect) {
    if (target->IsPrinting()) {
        m_bPrinting = TRUE;
        SetOutputDC(target->m_hDC);
        SetAttribDC(target->m_hAttribDC);
        return;
    }
    m_offscreen = std::make_unique<CMemoryDC>(target->m_hDC, rect);
    SetOutputDC(m_offscreen->m_hDC);
    SetAttribDC(m_offscreen->m_hDC);
}

LumMenuMemDC::~LumMenuMemDC() {
    // What was selected through this object goes back before the borrowed
    // handle is let go; the off-screen surface then copies itself out.
    RestoreSelections();
    Detach();
}
