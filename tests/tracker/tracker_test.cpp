// The tracker's geometry as plain functions. The program's suite drives its drag loop by messages to the picker's
// window: the drag-rule rows and the whole-window rows.
#include <gtest/gtest.h>

#include "tracker/geometry.h"
#include "tracker/tracker.h"

// Each row also with the edges swapped. The cursor rows of the picker's suite show the hit test over each handle, the
// inside, the ring round it and beyond; the program's whole-window rows show the boxes at 96 to 144 DPI.
TEST(Geometry, HandleSizesMasksAndACornerBeforeAMiddleHandle)
{
    const struct { RECT rc; float scale; int h; UINT mask; } sizes[] = {
        { { 100, 100, 120, 200 }, 1.0f, 8, 0xAF },  { { 100, 100, 110, 110 }, 1.0f, 5, 0x0F },
        { { 100, 100, 112, 200 }, 1.25f, 8, 0xAF }, { { 0, 0, 28, 29 }, 1.0f, 8, 0xAF },
        { { 0, 0, 29, 28 }, 1.0f, 8, 0x5F },        { { 5, 5, 5, 5 }, 1.0f, 0, 0x0F },
    };
    for (const auto& row : sizes)
        for (RECT rc : { row.rc, RECT{ row.rc.right, row.rc.bottom, row.rc.left, row.rc.top } }) {
            EXPECT_EQ(HandleSizeFor(rc, 8, row.scale), row.h) << rc.left << "," << rc.top << " at " << row.scale;
            EXPECT_EQ(HandleMaskFor(rc, 8), row.mask) << rc.left << "," << rc.top;
        }
    // Where a corner and a middle box overlap (tiny selections) the corner wins.
    EXPECT_EQ(HitCodeFor({ 100, 100, 104, 104 }, 0xFF, 8, 10, { 99, 95 }), TH_TOPLEFT);
}
