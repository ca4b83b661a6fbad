#include "LumMenuMemDC.h"

LumMenuMemDC::LumMenuMemDC(CDC* target, const RECT& rect)
    : m_target(target), m_rect(rect), m_offscreen(!target->IsPrinting()) {
    if (!m_offscreen) {
        // Borrowed handles: Detach in the destructor leaves them to the printer's owner.
        m_bPrinting = target->m_bPrinting;
        SetOutputDC(target->m_hDC);
        SetAttribDC(target->m_hAttribDC);
        return;
    }
    CreateCompatibleDC(target->m_hDC);
    m_bitmap.CreateCompatibleBitmap(target->m_hDC, rect.right - rect.left, rect.bottom - rect.top);
    m_oldBitmap = SelectObject(m_bitmap);
    SetWindowOrg(rect.left, rect.top);
}

LumMenuMemDC::~LumMenuMemDC() {
    if (m_offscreen) {
        const int width = m_rect.right - m_rect.left, height = m_rect.bottom - m_rect.top;
        m_target->BitBlt(m_rect.left, m_rect.top, width, height, m_hDC, m_rect.left, m_rect.top, SRCCOPY);
        SelectObject(m_oldBitmap);
        DeleteDC();
    } else {
        Detach();
    }
    m_bitmap.DeleteObject();
}
