#include <gtest/gtest.h>

#include "tracker/geometry.h"
#include "tracker/tracker.h"

static RECT Rc(int l, int t, int r, int b)
{
    RECT rc = { l, t, r, b };
    return rc;
}

static bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

static ::testing::AssertionResult RectIs(const RECT& actual, int l, int t, int r, int b)
{
    if (actual.left == l && actual.top == t && actual.right == r && actual.bottom == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << ", " << actual.top << ", "
                                         << actual.right << ", " << actual.bottom << ")";
}

// Every row is checked as given and with the selection's edges swapped: the
// geometry is measured on the normalised selection.
TEST(HandleBoxFor, PlacesEachHandleJustOutsideTheSelection)
{
    const int expected[8][4] = {
        { 92, 92, 100, 100 }, { 200, 92, 208, 100 }, { 200, 200, 208, 208 }, { 92, 200, 100, 208 },
        { 146, 92, 154, 100 }, { 200, 146, 208, 154 }, { 146, 200, 154, 208 }, { 92, 146, 100, 154 },
    };
    RECT rcSelection = Rc(100, 100, 200, 200);
    for (int i = 0; i < 8; i++) {
        const int* e = expected[i];
        EXPECT_TRUE(RectIs(HandleBoxFor(rcSelection, 8, i), e[0], e[1], e[2], e[3])) << "handle " << i;
    }
}

TEST(HandleBoxFor, CentresMiddleHandlesWithIntegerDivision)
{
    // Expanded width 21 + 2 x 5 = 31: (31 - 5) / 2 = 13 from the expanded left.
    RECT rcSelection = Rc(10, 20, 31, 41);
    EXPECT_TRUE(RectIs(HandleBoxFor(rcSelection, 5, TH_TOP), 18, 15, 23, 20));
    EXPECT_TRUE(RectIs(HandleBoxFor(rcSelection, 5, TH_RIGHT), 31, 28, 36, 33));
}

TEST(HandleSizeFor, CapsAtHalfTheShorterSideThenScales)
{
    struct Row { RECT rc; float scale; int size; } rows[] = {
        { Rc(100, 100, 200, 200), 1.0f, 8 },
        { Rc(100, 100, 200, 200), 1.25f, 10 },
        { Rc(100, 100, 200, 200), 1.5f, 12 },
        { Rc(100, 100, 200, 200), 2.0f, 16 },
        { Rc(0, 0, 10, 10), 1.0f, 5 },
        { Rc(0, 0, 20, 100), 1.0f, 8 },
        { Rc(0, 0, 12, 50), 1.25f, 8 },      // 6 x 1.25 = 7.5, away from zero
        { Rc(0, 0, 100, 3), 1.0f, 1 },
        { Rc(5, 5, 5, 5), 1.0f, 0 },
        { Rc(0, 0, 0, 0), 1.5f, 0 },
    };
    for (const Row& row : rows) {
        RECT swapped = Rc(row.rc.right, row.rc.bottom, row.rc.left, row.rc.top);
        EXPECT_EQ(HandleSizeFor(row.rc, 8, row.scale), row.size);
        EXPECT_EQ(HandleSizeFor(swapped, 8, row.scale), row.size);
    }
}

TEST(HandleMaskFor, ShowsMiddleHandlesOnlyWhereTheSideIsLongEnough)
{
    struct Row { RECT rc; UINT mask; } rows[] = {
        { Rc(100, 100, 200, 200), 0xFF },
        { Rc(0, 0, 20, 100), 0xAF },     // narrow: left and right middles only
        { Rc(0, 0, 100, 20), 0x5F },     // flat: top and bottom middles only
        { Rc(0, 0, 10, 10), 0x0F },
        { Rc(0, 0, 29, 29), 0xFF },      // 29 - 24 > 4
        { Rc(0, 0, 28, 28), 0x0F },      // 28 - 24 = 4
    };
    for (const Row& row : rows) {
        RECT swapped = Rc(row.rc.right, row.rc.bottom, row.rc.left, row.rc.top);
        EXPECT_EQ(HandleMaskFor(row.rc, 8), row.mask);
        EXPECT_EQ(HandleMaskFor(swapped, 8), row.mask);
    }
    EXPECT_EQ(HandleMaskFor(Rc(0, 0, 17, 17), 4), 0xFFu);   // 17 - 12 > 4
    EXPECT_EQ(HandleMaskFor(Rc(0, 0, 16, 16), 4), 0x0Fu);
}

TEST(HitCodeFor, FindsEveryZoneOfALargeSelection)
{
    RECT rcSelection = Rc(100, 100, 200, 200);
    struct Row { int x, y, code; } rows[] = {
        { 92, 92, TH_TOPLEFT }, { 99, 99, TH_TOPLEFT }, { 207, 92, TH_TOPRIGHT },
        { 200, 200, TH_BOTTOMRIGHT }, { 207, 207, TH_BOTTOMRIGHT }, { 92, 207, TH_BOTTOMLEFT },
        { 150, 95, TH_TOP }, { 203, 150, TH_RIGHT }, { 146, 207, TH_BOTTOM }, { 92, 153, TH_LEFT },
        { 150, 150, TH_INSIDE }, { 100, 100, TH_INSIDE }, { 199, 199, TH_INSIDE },
        // The one-pixel ring round the selection, away from the handles, moves it.
        { 99, 120, TH_INSIDE }, { 200, 120, TH_INSIDE }, { 120, 99, TH_INSIDE }, { 120, 200, TH_INSIDE },
        // Between the ring and the handle size, and in the margin beyond: nothing.
        { 98, 120, TH_NONE }, { 92, 120, TH_NONE }, { 85, 120, TH_NONE }, { 82, 150, TH_NONE },
        { 81, 150, TH_NONE }, { 150, 217, TH_NONE }, { 300, 300, TH_NONE }, { 0, 0, TH_NONE },
    };
    RECT swapped = Rc(200, 200, 100, 100);
    for (const Row& row : rows) {
        POINT pt = { row.x, row.y };
        EXPECT_EQ(HitCodeFor(rcSelection, 0xFF, 8, 10, pt), row.code) << row.x << ", " << row.y;
        EXPECT_EQ(HitCodeFor(swapped, 0xFF, 8, 10, pt), row.code) << row.x << ", " << row.y;
    }
}

TEST(HitCodeFor, SkipsHandlesThatAreNotShownAndPrefersCorners)
{
    // Middle handles hidden: where the top middle would be, the ring moves.
    RECT rcSelection = Rc(100, 100, 200, 200);
    POINT ptTopMiddle = { 150, 99 };
    EXPECT_EQ(HitCodeFor(rcSelection, 0x0F, 8, 10, ptTopMiddle), TH_INSIDE);
    POINT ptAboveRing = { 150, 95 };
    EXPECT_EQ(HitCodeFor(rcSelection, 0x0F, 8, 10, ptAboveRing), TH_NONE);

    // A tiny selection whose corner and middle boxes overlap: the corner wins.
    RECT rcTiny = Rc(50, 50, 52, 52);
    RECT rcTopLeft = HandleBoxFor(rcTiny, 4, TH_TOPLEFT);
    RECT rcTop = HandleBoxFor(rcTiny, 4, TH_TOP);
    EXPECT_TRUE(RectIs(rcTopLeft, 46, 46, 50, 50));
    EXPECT_TRUE(RectIs(rcTop, 49, 46, 53, 50));
    POINT pt = { 49, 47 };
    EXPECT_EQ(HitCodeFor(rcTiny, 0xFF, 4, 10, pt), TH_TOPLEFT);
}

TEST(DrivenFields, FollowTheHandleLayout)
{
    struct Row { int code, x, y; } rows[] = {
        { TH_TOPLEFT, RF_LEFT, RF_TOP }, { TH_TOPRIGHT, RF_RIGHT, RF_TOP },
        { TH_BOTTOMRIGHT, RF_RIGHT, RF_BOTTOM }, { TH_BOTTOMLEFT, RF_LEFT, RF_BOTTOM },
        { TH_TOP, -1, RF_TOP }, { TH_RIGHT, RF_RIGHT, -1 }, { TH_BOTTOM, -1, RF_BOTTOM },
        { TH_LEFT, RF_LEFT, -1 }, { TH_INSIDE, RF_LEFT, RF_TOP },
    };
    for (const Row& row : rows) {
        int x, y;
        DrivenFields(row.code, &x, &y);
        EXPECT_EQ(x, row.x) << "code " << row.code;
        EXPECT_EQ(y, row.y) << "code " << row.code;
    }
}

TEST(ShiftIntoBounds, MovesBothEdgesOfAnAxisAndKeepsTheExtent)
{
    const RECT rcBounds = Rc(0, 0, 1920, 1080);
    struct Row { RECT in; RECT out; } rows[] = {
        { Rc(-30, -30, 70, 70), Rc(0, 0, 100, 100) },
        { Rc(1820, 100, 1920, 200), Rc(1820, 100, 1920, 200) },
        { Rc(1850, 100, 1950, 200), Rc(1820, 100, 1920, 200) },
        { Rc(100, 1000, 200, 1100), Rc(100, 980, 200, 1080) },
        { Rc(10, 10, 50, 50), Rc(10, 10, 50, 50) },
        // Wider than the bounds: the left test, coming last on x, decides.
        { Rc(-100, 10, 2000, 50), Rc(0, 10, 2100, 50) },
        // Taller: the bottom test, coming last, decides.
        { Rc(10, -100, 50, 1200), Rc(10, -220, 50, 1080) },
        // Inverted selections are held inside by their smaller and larger edges.
        { Rc(100, 100, -50, -30), Rc(150, 130, 0, 0) },
        { Rc(1900, 500, 2000, 400), Rc(1820, 500, 1920, 400) },
    };
    for (const Row& row : rows) {
        RECT rc = row.in;
        ShiftIntoBounds(&rc, rcBounds);
        EXPECT_TRUE(Same(rc, row.out)) << "from (" << row.in.left << ", " << row.in.top << ", "
                                       << row.in.right << ", " << row.in.bottom << ") got "
                                       << RectIs(rc, 0, 0, 0, 0).message();
    }
}

TEST(NormalizedRect, SwapsOnlyTheAxesInReverseOrder)
{
    EXPECT_TRUE(RectIs(NormalizedRect(Rc(200, 100, 100, 200)), 100, 100, 200, 200));
    EXPECT_TRUE(RectIs(NormalizedRect(Rc(100, 200, 200, 100)), 100, 100, 200, 200));
    EXPECT_TRUE(RectIs(NormalizedRect(Rc(1, 2, 3, 4)), 1, 2, 3, 4));
}

TEST(IsBlankRect, OnlyAllFourZeroIsBlank)
{
    EXPECT_TRUE(IsBlankRect(Rc(0, 0, 0, 0)));
    EXPECT_FALSE(IsBlankRect(Rc(5, 5, 5, 5)));
    EXPECT_FALSE(IsBlankRect(Rc(0, 0, 0, 1)));
}

TEST(CXRectTracker, ConstructionTakesTheDefaultHandleWidthAndSharedCursors)
{
    CXRectTracker tracker;
    // The test prefix has no handle width in its profile.
    EXPECT_EQ(tracker.m_nHandleWidth, 8);
    EXPECT_EQ(tracker.m_cxMinimum, 16);
    EXPECT_EQ(tracker.m_cyMinimum, 16);
    EXPECT_TRUE(IsBlankRect(tracker.m_rcSelection));
    EXPECT_FALSE(tracker.m_bDragEnding);
    EXPECT_NE(CXRectTracker::s_hHandleBrush, (HBRUSH)NULL);

    HCURSOR hSizeAll = LoadCursorW(NULL, IDC_SIZEALL);
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_TOPLEFT], LoadCursorW(NULL, IDC_SIZENWSE));
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_BOTTOMRIGHT], LoadCursorW(NULL, IDC_SIZENWSE));
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_TOPRIGHT], LoadCursorW(NULL, IDC_SIZENESW));
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_BOTTOMLEFT], LoadCursorW(NULL, IDC_SIZENESW));
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_TOP], LoadCursorW(NULL, IDC_SIZENS));
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_BOTTOM], LoadCursorW(NULL, IDC_SIZENS));
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_RIGHT], LoadCursorW(NULL, IDC_SIZEWE));
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_LEFT], LoadCursorW(NULL, IDC_SIZEWE));
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_INSIDE], hSizeAll);
    EXPECT_EQ(CXRectTracker::s_hTrackerCursors[TH_RING_CURSOR], hSizeAll);
}

TEST(CXRectTracker, MembersMeasureTheSelectionAtTheDisplayScale)
{
    // The test display runs at 96 DPI: scale 1.0, margin 10.
    CXRectTracker tracker;
    tracker.m_rcSelection = Rc(100, 100, 200, 200);
    EXPECT_EQ(tracker.ScaledHandleSize(nullptr), 8);
    RECT rcSmall = Rc(0, 0, 10, 10);
    EXPECT_EQ(tracker.ScaledHandleSize(&rcSmall), 5);
    EXPECT_EQ(tracker.ShownHandles(), 0xFFu);
    RECT rcBox;
    tracker.HandleBox(TH_LEFT, &rcBox);
    EXPECT_TRUE(RectIs(rcBox, 92, 146, 100, 154));
    EXPECT_EQ(tracker.HitPoint(99, 120), TH_INSIDE);
    EXPECT_EQ(tracker.HitPoint(82, 150), TH_NONE);
    EXPECT_EQ(tracker.HitPoint(205, 205), TH_BOTTOMRIGHT);
    // Any hit-test code but HTCLIENT is declined without looking at the cursor.
    EXPECT_FALSE(tracker.ApplyCursor(GetDesktopWindow(), HTCAPTION));
    EXPECT_FALSE(tracker.ApplyCursor(GetDesktopWindow(), HTNOWHERE));
}
