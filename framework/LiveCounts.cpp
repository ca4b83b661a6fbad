#include "LiveCountsImpl.h"

#ifdef ORLENZA_LIVE_COUNTS

#include <atomic>

namespace {
// Owners live on any thread; each count is one atomic.
std::atomic<long> g_live[static_cast<int>(LiveKind::Kinds)];
}  // namespace

void CountLive(LiveKind kind, int delta) { g_live[static_cast<int>(kind)] += delta; }

long LiveObjects(LiveKind kind) { return g_live[static_cast<int>(kind)].load(); }

#endif
