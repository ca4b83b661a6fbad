#pragma once
// The framework's own side of the live-object counts (LiveCounts.h): only the
// framework's sources include this, and they are all built with or all
// without ORLENZA_LIVE_COUNTS, so the program pays nothing for the counts.
#include "LiveCounts.h"

#ifdef ORLENZA_LIVE_COUNTS
void CountLive(LiveKind kind, int delta);
#else
inline void CountLive(LiveKind, int) {}
#endif
