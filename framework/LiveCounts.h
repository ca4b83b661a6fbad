#pragma once
// Functions in this file:
//   LiveObjects(kind) - how many objects of a kind the framework's owners hold
//                       right now (counted builds only)
//
// Wine's GetGuiResources always answers 0 and its DeleteObject succeeds on a
// selected object, so a leak test cannot ask the system. Instead every owner
// of a handle in the framework (CGdiObject, CDC, CImageList, CIcon, CCursor,
// CMenu, CWnd) counts what it holds. The counting is compiled into the copy
// of the framework that the tests link (ORLENZA_LIVE_COUNTS); the program
// itself carries none of it.

enum class LiveKind : int {
    GdiObject,      // pens, brushes, fonts, bitmaps, regions owned by a CGdiObject
    DeviceContext,  // device contexts a CDC made, was given, or borrowed by GetDC/BeginPaint
    ImageList,      // image lists owned by a CImageList
    Icon,           // icons owned by a CIcon
    Cursor,         // cursors owned by a CCursor
    Menu,           // menus held by a CMenu
    Window,         // windows bound to a CWnd
    Kinds
};

#ifdef ORLENZA_LIVE_COUNTS
long LiveObjects(LiveKind kind);
#endif
