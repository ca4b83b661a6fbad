// Measuring and painting the items of a LumMenu, in the classic and the flat
// style. The figures come from MenuLook.h; this file chooses colours and
// draws.
#include <algorithm>

#include "App.h"
#include "LumMenu.h"
#include "Wnd.h"
#include "LumMenuMemDC.h"
#include "MenuLook.h"

namespace {

// What a record and an item's state say about its picture.
struct ItemImage {
    int index = -1;
    HIMAGELIST list = nullptr;
    bool checkImage = false;  // the menu's check images stand for the mark
    bool hasImage = false;
    bool disabled = false;
    bool selected = false;
    bool triple = false;      // idx full, idx + 1 unselected, idx + 2 shadow
};

ItemImage ImageOf(const LumMenu& menu, const LumMenuData& record, UINT state, bool flat) {
    ItemImage image;
    image.index = record.m_imageIndex;
    int mark = record.m_imageMark;
    image.list = record.m_imageList ? record.m_imageList->m_hImageList : nullptr;
    const int shared = record.m_sharedIndex;
    bool usesShared = false;
    if (mark < 0 && shared >= 0 && (!flat || image.index < 0)) {
        image.index = shared;
        mark = 0;
        image.list = LumMenu::s_sharedImages.m_hImageList;
        usesShared = true;
    }
    const bool selected = (state & ODS_SELECTED) != 0, grayed = (state & ODS_GRAYED) != 0;
    if ((state & ODS_CHECKED) && mark < 0 &&
        ((selected && menu.m_selectedCheckImage > 0) || menu.m_unselectedCheckImage > 0)) {
        image.checkImage = true;
    } else if (mark != -1) {
        image.hasImage = true;
        image.disabled = grayed;
        image.selected = selected && !grayed;
    }
    image.triple = usesShared ? LumMenu::HasImageTriple(shared) != FALSE
                              : image.index == 0 && image.list && ImageList_GetImageCount(image.list) > 2;
    return image;
}

void DrawImage(HIMAGELIST list, int index, CDC& dc, POINT at) {
    if (list) ImageList_Draw(list, index, dc, at.x, at.y, ILD_TRANSPARENT);
}

// Whether the item's menu gives it a checked-state bitmap (radio items) or
// the radio-check type.
bool IsRadioItem(const DRAWITEMSTRUCT* dis) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS | MIIM_FTYPE;
    if (!::GetMenuItemInfoW(reinterpret_cast<HMENU>(dis->hwndItem), dis->itemID, FALSE, &info)) return false;
    return info.hbmpChecked != nullptr || (info.fType & MFT_RADIOCHECK) != 0;
}

void DrawLabelAndAccelerator(CDC& dc, const MenuTextParts& parts, RECT rect) {
    dc.DrawText(parts.label.c_str(), static_cast<int>(parts.label.size()), &rect, DT_SINGLELINE | DT_VCENTER);
    if (parts.hasTab)
        dc.DrawText(parts.accelerator.c_str(), static_cast<int>(parts.accelerator.size()), &rect,
                    DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
}

}  // namespace

void LumMenu::CreateMenuFont(CFont& font, UINT dpi) {
    const LOGFONTW described = MenuFontAtDpi(dpi);
    font.CreateFontIndirect(&described);
}

HWND LumMenu::MeasuringWindow() {
    CWnd* main = AfxGetMainWnd();
    return main && main->m_hWnd ? main->m_hWnd : ::GetDesktopWindow();
}

MenuMetrics LumMenu::Metrics() const {
    MenuMetrics metrics;
    metrics.iconWidth = m_iconWidth;
    metrics.iconHeight = m_iconHeight;
    metrics.flat = FlatCondition();
    metrics.menuHeight = MetricAtDpi(SM_CYMENU, m_scale.dpi);
    metrics.scale = m_scale;
    return metrics;
}

LumMenuData* LumMenu::RecordOf(ULONG_PTR itemData) {
    return dynamic_cast<LumMenu*>(CMenu::FromItemData(itemData)) ? reinterpret_cast<LumMenuData*>(itemData) : nullptr;
}

void LumMenu::MeasureItem(MEASUREITEMSTRUCT* mis) {
    const LumMenuData* record = RecordOf(mis->itemData);
    if (!record) return;
    const MenuMetrics metrics = Metrics();
    const bool separator = (record->m_flags & MF_SEPARATOR) != 0;
    int textWidth = 0;
    if (!separator) {
        CFont font;
        CClientDC dc(MeasuringWindow());
        if (s_osVersion > 1) {
            CreateMenuFont(font, m_scale.dpi);
            dc.SelectObject(font);
        }
        if (s_osVersion != 0) textWidth = dc.GetTextExtent(record->m_text).cx;
    }
    const SIZE size = MeasureMenuItem(metrics, separator, textWidth);
    mis->itemWidth = static_cast<UINT>(size.cx);
    mis->itemHeight = static_cast<UINT>(size.cy);
}

void LumMenu::DrawItem(DRAWITEMSTRUCT* dis) {
    if (!RecordOf(dis->itemData)) return;
    const bool palette = (::GetDeviceCaps(dis->hDC, RASTERCAPS) & RC_PALETTE) != 0;
    if (!palette && FlatCondition())
        DrawItemFlat(dis);
    else
        DrawItemClassic(dis);
}

void LumMenu::DrawItemClassic(DRAWITEMSTRUCT* dis) {
    const LumMenuData& record = *RecordOf(dis->itemData);
    CDC dc = CDC::FromHandle(dis->hDC);
    const RECT& r = dis->rcItem;
    const COLORREF background = ::GetSysColor(IsXpThemed() ? COLOR_3DFACE : COLOR_MENU);
    COLORREF text = ::GetSysColor(COLOR_MENUTEXT);

    if (record.m_flags & MF_SEPARATOR) {
        RECT line = r;
        dc.FillSolidRect(&line, background);
        line.top += (line.bottom - line.top) >> 1;
        dc.DrawEdge(&line, EDGE_ETCHED, BF_TOP);
        return;
    }

    const UINT state = dis->itemState;
    const bool selected = (state & ODS_SELECTED) != 0, grayed = (state & ODS_GRAYED) != 0,
               checked = (state & ODS_CHECKED) != 0;
    const ItemImage image = ImageOf(*this, record, state, false);
    const MenuTextParts parts = SplitAtTab(record.m_text.Str());
    const ClassicItemLayout l = LayoutClassicItem(r, Metrics(), parts.hasTab);

    if (!selected) {
        dc.FillSolidRect(&r, background);
        dc.Draw3dRect(&r, background, background);
    } else {
        const RECT& fill = image.checkImage || image.hasImage || checked ? l.highlight : r;
        dc.FillRect(&fill, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        text = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    }

    if (image.checkImage || image.hasImage) {
        dc.Draw3dRect(&l.innerBox, background, background);
        const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
        if (image.checkImage && m_checkImages) {
            dc.FillSolidRect(&l.innerBox, background);
            dc.Draw3dRect(&l.outerBox, background, background);
            DrawImage(m_checkImages->m_hImageList, selected ? 1 : 0, dc, l.image);
        } else if (image.disabled) {
            CBitmap bitmap;
            IconToBitmap(image.list, image.index, dc, bitmap);
            dc.Draw3dRect(&l.outerBox, background, background);
            if (m_dibDisabledImages)
                DrawDisabledImageDib(dc, l.image.x, l.image.y, m_iconWidth, m_iconHeight, bitmap, background);
            else
                DrawDisabledImage(dc, l.image.x, l.image.y, m_iconWidth, m_iconHeight, bitmap, background);
        } else if (image.hasImage) {
            if (image.selected) {
                dc.FillSolidRect(&l.innerBox, background);
                if (s_osVersion > 1) {
                    if (checked)
                        dc.Draw3dRect(&l.outerBox, shadow, light);
                    else
                        dc.Draw3dRect(&l.outerBox, light, shadow);
                }
            } else if (checked) {
                dc.FillSolidRect(&l.innerBox, LightenColor(background, 0.6));
                if (s_osVersion > 1) dc.Draw3dRect(&l.outerBox, shadow, light);
            } else {
                dc.FillSolidRect(&l.innerBox, background);
                dc.Draw3dRect(&l.outerBox, background, background);
            }
            DrawImage(image.list, image.index, dc, l.image);
        }
    }

    if (record.m_imageMark < 0 && checked && !(image.checkImage && m_checkImages))
        DrawCheckBoxClassic(l.checkBox, dc, selected, IsRadioItem(dis), m_scale);

    if (record.m_text.IsEmpty()) return;
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    if (!grayed) {
        dc.SetTextColor(text);
        DrawLabelAndAccelerator(dc, parts, l.text);
    } else if (selected) {
        dc.SetTextColor(background);
        DrawLabelAndAccelerator(dc, parts, l.text);
    } else {
        // Engraved: a light copy one pixel down and right, the grey text on top.
        RECT light = l.text;
        ::OffsetRect(&light, 1, 1);
        dc.SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawLabelAndAccelerator(dc, parts, light);
        dc.SetTextColor(::GetSysColor(COLOR_GRAYTEXT));
        DrawLabelAndAccelerator(dc, parts, l.text);
    }
    dc.SetBkMode(oldMode);
}

void LumMenu::DrawItemFlat(DRAWITEMSTRUCT* dis) {
    const LumMenuData& record = *RecordOf(dis->itemData);
    const bool xp = IsXpThemed();
    COLORREF column = ::GetSysColor(COLOR_3DFACE);
    if (!xp) column = LightenColor(column, 0.25);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF select = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF selectFill = LightenColor(select, xp ? 0.7 : 0.85);
    const RECT& r = dis->rcItem;

    if ((dis->itemState & ODS_GRAYED) && !s_selectDisabled) dis->itemState &= ~ODS_SELECTED;
    const UINT state = dis->itemState;
    const bool selected = (state & ODS_SELECTED) != 0, grayed = (state & ODS_GRAYED) != 0,
               checked = (state & ODS_CHECKED) != 0;

    CDC target = CDC::FromHandle(dis->hDC);
    // A grayed item is composed off-screen and copied in one block; the
    // surface puts its font back when it ends.
    CFont font;
    std::unique_ptr<LumMenuMemDC> surface;
    if (grayed && !s_selectDisabled) {
        surface = std::make_unique<LumMenuMemDC>(&target, r);
        CreateMenuFont(font, m_scale.dpi);
        surface->SelectObject(font);
    }
    CDC& dc = surface ? static_cast<CDC&>(*surface) : target;

    const MenuTextParts parts = SplitAtTab(record.m_text.Str());
    const FlatItemLayout l = LayoutFlatItem(r, Metrics(), parts.hasTab);

    if (record.m_flags & MF_SEPARATOR) {
        dc.FillSolidRect(&r, window);
        RECT line = r;
        line.top += (line.bottom - line.top) / 2;
        line.left = l.separatorLeft;
        dc.DrawEdge(&line, EDGE_ETCHED, BF_TOP);
        dc.FillSolidRect(&l.column, column);
        dc.Draw3dRect(&l.column, column, column);
    } else {
        if (!selected) {
            dc.FillSolidRect(&r, window);
            dc.FillSolidRect(&l.column, column);
            dc.Draw3dRect(&r, window, window);
            dc.Draw3dRect(&l.column, column, column);
        } else {
            dc.FillSolidRect(&r, selectFill);
            dc.Draw3dRect(&r, select, select);
        }

        const ItemImage image = ImageOf(*this, record, state, true);
        const POINT at = l.image;
        const POINT raised{at.x - 1, at.y - 1}, sunk{at.x + 1, at.y + 1};
        if (image.checkImage && m_checkImages) {
            dc.FillSolidRect(&l.imageBox, column);
            DrawImage(m_checkImages->m_hImageList, selected ? 1 : 0, dc, at);
        } else if (image.disabled) {
            CBitmap bitmap;
            IconToBitmap(image.list, image.index, dc, bitmap);
            const COLORREF under = selected ? selectFill : column;
            if (m_dibDisabledImages)
                DrawDisabledImageDib(dc, at.x, at.y, m_iconWidth, m_iconHeight, bitmap, under);
            else
                DrawDisabledImage(dc, at.x, at.y, m_iconWidth, m_iconHeight, bitmap, under);
            if (selected) dc.Draw3dRect(&r, select, select);
        } else if (image.selected) {
            dc.FillSolidRect(&l.imageBox, selectFill);
            if (checked) {
                dc.Draw3dRect(&l.imageBox, select, select);
                DrawImage(image.list, image.index, dc, raised);
            } else if (image.triple) {
                DrawImage(image.list, image.index + 2, dc, sunk);
                DrawImage(image.list, image.index, dc, raised);
            } else {
                DrawImage(image.list, image.index, dc, at);
            }
        } else if (image.hasImage && checked) {
            dc.FillSolidRect(&l.imageBox, LightenColor(select, 0.85));
            dc.Draw3dRect(&l.imageBox, select, select);
            DrawImage(image.list, image.index, dc, raised);
        } else if (image.hasImage) {
            dc.FillSolidRect(&l.imageBox, column);
            dc.Draw3dRect(&l.imageBox, column, column);
            DrawImage(image.list, image.triple ? image.index + 1 : image.index, dc, at);
        }

        if (record.m_imageMark < 0 && checked && !(image.checkImage && m_checkImages))
            DrawCheckBoxFlat(select, l.checkBox, dc, IsRadioItem(dis), m_scale);

        if (!record.m_text.IsEmpty()) {
            COLORREF text = ::GetSysColor(COLOR_MENUTEXT);
            if (grayed) {
                text = ::GetSysColor(COLOR_GRAYTEXT);
                if (!xp && !selected) text = LightenColor(text, 0.4);
            }
            const int oldMode = dc.SetBkMode(TRANSPARENT);
            dc.SetTextColor(text);
            DrawLabelAndAccelerator(dc, parts, l.text);
            dc.SetBkMode(oldMode);
        }
    }
}
