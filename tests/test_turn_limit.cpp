// How many photos the photo tool turns at once: its arithmetic, taken from
// the tool's own C source (tools/exif/autorot-core.c) without a window.
#include "autorot-core.h"
#include "harness.h"

TEST_CASE(turns_at_once_follow_the_processors_and_the_free_memory) {
    constexpr unsigned long long MB = 1ull << 20;
    // A 12-megapixel photo of 9 MB: two sets of coefficients for 500 by 375
    // blocks of three components, and three copies of its bytes.
    const unsigned long long photo = ArTurnMemory(4000, 3000, 9 * MB);
    CHECK_EQ(photo, 2ull * 500 * 375 * 64 * 2 * 3 + 27 * MB);
    const struct {
        unsigned processors;
        unsigned long long freeBytes, largestTurn;
        unsigned expected;
    } rows[] = {
        {2, 24000 * MB, photo, 2},   // memory to spare: one per processor
        {16, 1000 * MB, photo, 6},   // as many turns of the largest photo as fit
        {16, 100 * MB, photo, 1},    // not even one fits: still one
        {4, 0, photo, 1},            // free memory unknown: one
        {8, 4000 * MB, 0, 8},        // nothing to turn yet
        {1, 24000 * MB, photo, 1},
    };
    for (const auto& row : rows) {
        testkit::SetContext(std::to_string(row.processors) + " processors, " + std::to_string(row.freeBytes / MB) + " MB free");
        CHECK_EQ(ArWorkerLimit(row.processors, row.freeBytes, row.largestTurn), row.expected);
    }
    testkit::SetContext("");
}
