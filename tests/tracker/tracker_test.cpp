// The tracker's geometry as plain functions, each rule a table whose figures were worked out by hand.
#include <gtest/gtest.h>

#include "tests/kit/images.h"
#include "tracker/geometry.h"

// Each row also with the edges swapped.
TEST(Geometry, HandleSizesMasksAndACornerBeforeAMiddleHandle)
{
    const struct { RECT rc; float scale; int h; UINT mask; } sizes[] = {
        { { 100, 100, 120, 200 }, 1.0f, 8, 0xAF },  { { 100, 100, 110, 110 }, 1.0f, 5, 0x0F },
        { { 100, 100, 112, 200 }, 1.25f, 8, 0xAF }, { { 0, 0, 28, 29 }, 1.0f, 8, 0xAF },
        { { 0, 0, 29, 28 }, 1.0f, 8, 0x5F },        { { 5, 5, 5, 5 }, 1.0f, 0, 0x0F },
    };
    for (const auto& row : sizes)
        for (RECT rc : { row.rc, RECT{ row.rc.right, row.rc.bottom, row.rc.left, row.rc.top } }) {
            EXPECT_EQ(HandleSizeFor(rc, 8, row.scale), row.h) << RectText(rc) << " at " << row.scale;
            EXPECT_EQ(HandleMaskFor(rc, 8), row.mask) << RectText(rc);
        }
    // Where a corner and a middle box overlap (tiny selections) the corner wins.
    EXPECT_EQ(HitCodeFor({ 100, 100, 104, 104 }, 0xFF, 8, 10, { 99, 95 }), TH_TOPLEFT);
}

// The handle layout: each handle's box round (100, 100, 200, 200) at side 8, and the fields each hit code drives.
TEST(Geometry, HandleBoxesJustOutsideTheSelectionAndTheFieldsTheyDrive)
{
    const RECT boxes[8] = { { 92, 92, 100, 100 },   { 200, 92, 208, 100 },  { 200, 200, 208, 208 }, { 92, 200, 100, 208 },
                            { 146, 92, 154, 100 },  { 200, 146, 208, 154 }, { 146, 200, 154, 208 }, { 92, 146, 100, 154 } };
    const int fields[9][2] = { { RF_LEFT, RF_TOP },  { RF_RIGHT, RF_TOP },  { RF_RIGHT, RF_BOTTOM },
                               { RF_LEFT, RF_BOTTOM }, { RF_NONE, RF_TOP },  { RF_RIGHT, RF_NONE },
                               { RF_NONE, RF_BOTTOM }, { RF_LEFT, RF_NONE }, { RF_LEFT, RF_TOP } };
    for (int nCode = 0; nCode <= TH_INSIDE; nCode++) {
        int nxField, nyField;
        DrivenFields(nCode, &nxField, &nyField);
        EXPECT_TRUE(nxField == fields[nCode][0] && nyField == fields[nCode][1]) << "hit code " << nCode;
        RECT rc = nCode < 8 ? HandleBoxFor({ 100, 100, 200, 200 }, 8, nCode) : RECT{};
        EXPECT_TRUE(nCode == 8 || EqualRect(&rc, &boxes[nCode])) << "handle " << nCode << ": " << RectText(rc);
    }
}

// Minimum 16 x 16: each handle's edges 5 pixels short of their opposite edges, or 5 beyond, end 16 from them on their
// own side; an axis the handle does not drive is left short.
TEST(Geometry, TheMinimumPutsEachDrivenEdgeOnItsOwnSide)
{
    const struct { int nCode; RECT rcShort, rcBeyond, rcAfter; } rows[] = {
        { TH_TOPLEFT, { 195, 195, 200, 200 }, { 205, 205, 200, 200 }, { 184, 184, 200, 200 } },
        { TH_TOPRIGHT, { 100, 195, 105, 200 }, { 100, 205, 95, 200 }, { 100, 184, 116, 200 } },
        { TH_BOTTOMRIGHT, { 100, 100, 105, 105 }, { 100, 100, 95, 95 }, { 100, 100, 116, 116 } },
        { TH_BOTTOMLEFT, { 195, 100, 200, 105 }, { 205, 100, 200, 95 }, { 184, 100, 200, 116 } },
        { TH_TOP, { 100, 195, 105, 200 }, { 100, 205, 105, 200 }, { 100, 184, 105, 200 } },
        { TH_RIGHT, { 100, 100, 105, 105 }, { 100, 100, 95, 105 }, { 100, 100, 116, 105 } },
        { TH_BOTTOM, { 195, 100, 200, 105 }, { 195, 100, 200, 95 }, { 195, 100, 200, 116 } },
        { TH_LEFT, { 195, 100, 200, 105 }, { 205, 100, 200, 105 }, { 184, 100, 200, 105 } },
        { TH_INSIDE, { 100, 100, 105, 105 }, { 100, 100, 105, 105 }, { 100, 100, 105, 105 } },  // a move: no minimum
        { TH_BOTTOMRIGHT, { 100, 100, 84, 84 }, { 100, 100, 84, 84 }, { 100, 100, 84, 84 } },   // 16 beyond stands
    };
    for (const auto& row : rows)
        for (RECT rc : { row.rcShort, row.rcBeyond }) {
            const RECT rcIn = rc;
            ApplyMinimumSize(row.nCode, 16, 16, &rc);
            EXPECT_TRUE(EqualRect(&rc, &row.rcAfter)) << "hit code " << row.nCode << " from " << RectText(rcIn) << ": " << RectText(rc);
        }
}

// Into (0, 0, 1920, 1080), the extent kept: past each edge, inverted, and wider and taller than the bounds.
TEST(Geometry, ShiftedIntoTheBounds)
{
    const RECT rcBounds = { 0, 0, 1920, 1080 };
    const struct { RECT rc, rcAfter; } rows[] = {
        { { 1900, 100, 2000, 200 }, { 1820, 100, 1920, 200 } }, { { 100, -30, 200, 70 }, { 100, 0, 200, 100 } },
        { { -30, 100, 70, 200 }, { 0, 100, 100, 200 } },        { { 100, 1050, 200, 1150 }, { 100, 980, 200, 1080 } },
        { { 100, 100, 200, 200 }, { 100, 100, 200, 200 } },     { { 70, 70, -30, -30 }, { 100, 100, 0, 0 } },
        { { -100, 100, 2100, 200 }, { 0, 100, 2200, 200 } },    { { 100, -50, 200, 1200 }, { 100, -170, 200, 1080 } },
    };
    for (const auto& row : rows) {
        RECT rc = row.rc;
        ShiftIntoBounds(&rc, rcBounds);
        EXPECT_TRUE(EqualRect(&rc, &row.rcAfter)) << RectText(row.rc) << " became " << RectText(rc);
    }
}
