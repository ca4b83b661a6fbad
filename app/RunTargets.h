#pragma once
// Functions in this file:
//   JoinPath            - a folder and a name with exactly one backslash between
//   DescendsIntoFolder  - whether the run walks into a sub-folder entry
//   FitsToolPath        - whether a path is short enough to hand to the tool
//   SurvivesCodePage    - whether a path reaches an ANSI program unchanged
//   ToolsTakeUtf8       - whether this Windows gives the tools UTF-8 paths
//   LeftOutMessage      - the end message of a run that left something out
//   RunOutcome          - what became of a run's photos and items
//   RunEndMessage       - the box a run ends with
// Plain functions and data of the rotation run, checked by tests without a
// process.
#include <windows.h>

#include "String.h"

// "D:\" and "photos" give "D:\photos", as "D:\a" and "photos" give "D:\a\photos".
CString JoinPath(const CString& folder, const CString& name);

// A folder entry found below a listed folder, by its attributes and (for a
// reparse point) its tag. Links are not walked: one that leads back to an
// ancestor would turn the same photos again and again. Folders that a sync
// client keeps on demand and deduplicated folders are reparse points too,
// but hold the user's own photos in place.
bool DescendsIntoFolder(DWORD attributes, DWORD reparseTag);

// The tools open what they are given with the platform's path limit.
bool FitsToolPath(const CString& path);

// True when `path` converts to `codePage` and back unchanged: no character
// is replaced by '?' or a look-alike.
bool SurvivesCodePage(const CString& path, UINT codePage);

// The tools carry a manifest that asks for UTF-8 as their ANSI code page;
// Windows honours that from build 18362 on (Wine too, when it reports
// Windows 10, as our prefixes do).
bool ToolsTakeUtf8();

// "旋转未全部完成……": how many rows or sub-folders were left out, and the first.
CString LeftOutMessage(const CString& firstLeftOut, int count);

// What a run did. Items left out are rows, sub-folders and photos; a photo
// the tool could not turn stands for itself, a row or sub-folder for
// whatever the tool failed on without saying which photo.
struct RunOutcome {
    int turned = 0;   // photos turned upright
    int upright = 0;  // photos that needed no turn
    int leftOutCount = 0;
    CString firstLeftOut;
    bool toolStartFailed = false;  // jhead.exe could not be started for some item
    bool stopped = false;          // asked to stop with items still to do
};

struct RunEndBox {
    CString text;
    bool warns;  // the exclamation icon, else the information icon
};

// The first line says how the run ended: a failed start before a stop, a
// stop before what was left out, then "finished"; the second what became of
// the photos.
RunEndBox RunEndMessage(const RunOutcome& outcome);
