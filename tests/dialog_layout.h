#pragma once
// The main dialog as its template lays it out: every control with its id,
// text and rectangle in dialog units, in tab order. Shared by the in-process
// and the black-box tests, which compare it with what the running dialog shows.
#include <windows.h>

struct ControlLayout {
    int id;
    const wchar_t* text;
    RECT units;  // x, y, width, height in dialog units (not corners)
};

inline constexpr ControlLayout kMainDialogLayout[] = {
    {1000, L"", {11, 11, 385, 170}},
    {1001, L"添加文件或文件夹", {65, 183, 94, 23}},
    {1002, L"删除项目", {188, 184, 62, 22}},
    {1003, L"清空列表", {279, 184, 57, 22}},
    {1004, L"开始旋转", {58, 226, 64, 25}},
    {3, L"软件简介", {172, 225, 64, 25}},
    {2, L"关闭软件", {286, 225, 64, 25}},
    {1005, L"包含子目录，一同处理", {15, 211, 102, 12}},
    {1, L"确定", {378, 206, 26, 14}},
};

// The banner docked along the top edge makes the open dialog this much
// taller than its template and moves every control down by as much.
inline constexpr int kBannerHeight = 50;

// The dialog manager converts a control's position and its size separately,
// so its right edge may differ by a pixel from the converted corner.
inline RECT ExpectedPixels(HWND dialog, RECT units) {
    MapDialogRect(dialog, &units);
    return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

// Where the open main dialog shows a control: below the banner.
inline RECT MainDialogPixels(HWND dialog, RECT units) {
    RECT pixels = ExpectedPixels(dialog, units);
    OffsetRect(&pixels, 0, kBannerHeight);
    return pixels;
}

inline constexpr const wchar_t* kInstallWarning = L"安装信息错误，无法正常运行，请重装软件！";
