#pragma once
// Functions in this file, the link's rules that need no window:
//   FitLinkRect          - where a link goes so that it holds exactly its text
//   LinkTextColour       - the text colour for the link's state
//   LinkFallbackCommand  - the command line that opens an address with the
//                          registered ".htm" open command
//   HandCursorModulePath - the file that holds the older hand cursor
#include <windows.h>

#include "String.h"
#include "Types.h"

// The fallback's command line, terminator included, is limited to this many
// characters; registry values to LINK_VALUE_CHARS.
constexpr int LINK_COMMAND_CHARS = 520;
constexpr int LINK_VALUE_CHARS = 260;

// `window` and `client` are the link's window and client rectangles in the
// same coordinates, `text` the size of its text in the underlined font (the
// wider of the two), `style` the static control's style. The border stays as
// it is; a left-aligned link keeps its left edge, a right-aligned one its
// right edge, a centred one its centre; the top edge stays unless the text is
// centred vertically (SS_CENTERIMAGE), then the middle does.
CRect FitLinkRect(const CRect& window, const CRect& client, CSize text, DWORD style);

struct LinkColours {
    COLORREF link;     // not yet visited
    COLORREF visited;  // after a successful open
    COLORREF hover;    // while the pointer is over it
};
COLORREF LinkTextColour(const LinkColours& colours, bool over, bool visited);

// `openCommand` is cut where its argument starts: at the quoted placeholder
// "\"%1\"", else at the bare "%1"; a command without either stays whole. Then
// one space and `target` follow. Empty when the line would not fit into
// LINK_COMMAND_CHARS characters with its terminator: a command that long is
// given up, never shortened, since a cut address would open something else.
CString LinkFallbackCommand(const wchar_t* openCommand, const wchar_t* target);

// The help viewer in the Windows folder `windowsDir`, by its full path, so
// that no folder on the search path (the current one among them) can supply
// a module of that name. Empty when the folder is unknown.
CString HandCursorModulePath(const wchar_t* windowsDir);
