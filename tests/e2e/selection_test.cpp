// Drawing, moving and resizing the selection with the mouse, as the screen
// shows it and as the export finally crops it. Handles are the 8 x 8 squares
// just outside the selection; a press at a square's centre grabs that handle.
#include "tests/e2e/driver.h"

#include "tests/kit/input.h"

using PickerSelection = PickerTest;

TEST_F(PickerSelection, RubberBandRunsFromThePressToTheRelease)
{
    ASSERT_TRUE(picker.Start());
    Drag(200, 150, 520, 390);
    ASSERT_TRUE(OverlayShows({ 200, 150, 520, 390 }));

    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 200, 150, 520, 390 }));
}

TEST_F(PickerSelection, RubberBandDrawnUpAndLeftIsNormalised)
{
    ASSERT_TRUE(picker.Start());
    Drag(600, 500, 420, 380);
    ASSERT_TRUE(OverlayShows({ 420, 380, 600, 500 }));

    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 420, 380, 600, 500 }));
}

TEST_F(PickerSelection, SlowMovesStartNoBandUntilAJumpAnchorsIt)
{
    ASSERT_TRUE(picker.Start());
    PressLeft(300, 300);
    // One pixel per axis between messages never starts a band.
    for (int i = 1; i <= 20; i++) {
        MoveTo(300 + i, 300 + i);
        picker.WaitUntilIdle();
    }
    EXPECT_TRUE(OverlayShowsNoSelection(0));

    // Two pixels do; the band is anchored at the message before the jump.
    MoveTo(322, 320);
    GlideTo(322, 320, 400, 380);
    ReleaseLeft();
    ASSERT_TRUE(OverlayShows({ 320, 320, 400, 380 }));

    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 320, 320, 400, 380 }));
}

TEST_F(PickerSelection, SmallBandGrowsToTheMinimumSize)
{
    ASSERT_TRUE(picker.Start());
    // The jump that starts the band is not a step of it: the next move is.
    PressLeft(300, 300);
    MoveTo(308, 306);
    picker.WaitUntilIdle();
    MoveTo(310, 306);
    picker.WaitUntilIdle();
    ReleaseLeft();
    picker.WaitUntilIdle();

    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 300, 300, 316, 316 }));
}

TEST_F(PickerSelection, MoveKeepsTheSizeAndStaysInsideTheMonitor)
{
    RECT rcMonitor = TestMonitor();
    int cx = rcMonitor.right - rcMonitor.left, cy = rcMonitor.bottom - rcMonitor.top;
    ASSERT_TRUE(picker.Start());
    Drag(200, 150, 400, 300);
    ASSERT_TRUE(OverlayShows({ 200, 150, 400, 300 }));

    Drag(300, 220, 380, 260);
    ASSERT_TRUE(OverlayShows({ 280, 190, 480, 340 }));

    // Pressed 100 and 70 pixels from the top-left corner and pushed past the
    // bottom-right corner of the monitor: held against its edges.
    Drag(380, 260, cx - 1, cy - 1);
    RECT rcCorner = { cx - 200, cy - 150, cx, cy };
    ASSERT_TRUE(OverlayShows(rcCorner));

    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), rcCorner));
}

TEST_F(PickerSelection, ResizeByCornersFollowsTheMouse)
{
    ASSERT_TRUE(picker.Start());
    Drag(200, 150, 400, 300);
    ASSERT_TRUE(OverlayShows({ 200, 150, 400, 300 }));

    // Bottom-right square (400, 300)-(408, 308).
    Drag(404, 304, 504, 384);
    ASSERT_TRUE(OverlayShows({ 200, 150, 500, 380 }));

    // Top-left square (192, 142)-(200, 150).
    Drag(196, 146, 246, 126);
    ASSERT_TRUE(OverlayShows({ 250, 130, 500, 380 }));

    // Bottom-right again, dragged past the opposite corner: the selection
    // turns over and is normalised when the button is released.
    Drag(504, 384, 150, 100);
    ASSERT_TRUE(OverlayShows({ 146, 96, 250, 130 }));

    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 146, 96, 250, 130 }));
}

TEST_F(PickerSelection, ResizeByMiddleHandlesMovesOneEdge)
{
    ASSERT_TRUE(picker.Start());
    Drag(200, 150, 400, 300);
    ASSERT_TRUE(OverlayShows({ 200, 150, 400, 300 }));

    // Left square (192, 221)-(200, 229); the vertical part of the move is ignored.
    Drag(196, 225, 136, 265);
    ASSERT_TRUE(OverlayShows({ 140, 150, 400, 300 }));

    // Bottom square (266, 300)-(274, 308); the horizontal part is ignored.
    Drag(270, 304, 330, 364);
    ASSERT_TRUE(OverlayShows({ 140, 150, 400, 360 }));

    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 140, 150, 400, 360 }));
}

TEST_F(PickerSelection, EscPressedDuringADragRestoresTheSelection)
{
    ASSERT_TRUE(picker.Start());
    Drag(200, 150, 400, 300);
    ASSERT_TRUE(OverlayShows({ 200, 150, 400, 300 }));

    PressLeft(300, 220);
    GlideTo(300, 220, 360, 280);
    ASSERT_TRUE(OverlayShows({ 260, 210, 460, 360 }));
    KeyDown(VK_ESCAPE);
    // A cancelled drag repaints nothing itself; the next move shows it.
    MoveTo(361, 281);
    ASSERT_TRUE(OverlayShows({ 200, 150, 400, 300 }));
    ReleaseLeft();

    // Enter, while Esc is still down, pins the selection the cancel left.
    KeyPress(VK_RETURN);
    ProcessResult result = picker.Finish();
    KeyUp(VK_ESCAPE);
    EXPECT_TRUE(ExportedExactly(result, { 200, 150, 400, 300 }));
}

TEST_F(PickerSelection, RightButtonDuringADragRestoresTheSelection)
{
    ASSERT_TRUE(picker.Start());
    Drag(200, 150, 400, 300);
    ASSERT_TRUE(OverlayShows({ 200, 150, 400, 300 }));

    PressLeft(404, 304);
    GlideTo(404, 304, 480, 420);
    ASSERT_TRUE(OverlayShows({ 200, 150, 476, 416 }));
    SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
    MoveTo(481, 421);
    ASSERT_TRUE(OverlayShows({ 200, 150, 400, 300 }));
    SendMouseButton(MOUSEEVENTF_RIGHTUP);
    ReleaseLeft();

    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 200, 150, 400, 300 }));
}

TEST_F(PickerSelection, CursorShowsWhatAPressWouldGrab)
{
    ASSERT_TRUE(picker.Start());
    Drag(300, 200, 500, 400);
    ASSERT_TRUE(OverlayShows({ 300, 200, 500, 400 }));

    const LPCWSTR NWSE = IDC_SIZENWSE, NESW = IDC_SIZENESW, NS = IDC_SIZENS, WE = IDC_SIZEWE;
    const LPCWSTR MOVE = IDC_SIZEALL, ARROW = IDC_ARROW;
    const struct {
        int x, y;
        LPCWSTR idCursor;
        const char* pszWhere;
    } probes[] = {
        { 400, 100, ARROW, "far above" },
        { 296, 196, NWSE, "top-left handle" },
        { 504, 196, NESW, "top-right handle" },
        { 504, 404, NWSE, "bottom-right handle" },
        { 296, 404, NESW, "bottom-left handle" },
        { 400, 196, NS, "top handle" },
        { 504, 300, WE, "right handle" },
        { 400, 404, NS, "bottom handle" },
        { 296, 300, WE, "left handle" },
        { 400, 300, MOVE, "inside" },
        { 299, 250, MOVE, "ring just left of the selection" },
        { 350, 400, MOVE, "ring just below the selection" },
        { 288, 250, ARROW, "margin beyond the left handles" },
        { 100, 600, ARROW, "far below and left" },
    };
    const size_t nProbes = sizeof(probes) / sizeof(probes[0]);

    HCURSOR aShown[nProbes];
    bool bShared = false;
    for (size_t i = 0; i < nProbes; i++) {
        MoveTo(probes[i].x, probes[i].y);
        picker.WaitUntilIdle();  // the cursor is set as the move is taken
        aShown[i] = CursorShown();
        bShared = bShared || aShown[i] == LoadCursorW(NULL, probes[i].idCursor);
    }

    // Windows shares the system cursors between processes, so the picker's
    // handles are the ones loaded here. Where each process loads its own
    // (Wine), only the grouping can be compared: places of one kind show one
    // cursor and places of different kinds different ones.
    for (size_t i = 0; i < nProbes; i++) {
        if (bShared) {
            EXPECT_EQ(LoadCursorW(NULL, probes[i].idCursor), aShown[i]) << probes[i].pszWhere;
            continue;
        }
        for (size_t j = 0; j < i; j++)
            EXPECT_EQ(probes[i].idCursor == probes[j].idCursor, aShown[i] == aShown[j])
                << probes[i].pszWhere << " against " << probes[j].pszWhere;
    }

    KeyPress(VK_ESCAPE);
    EXPECT_TRUE(EndedWithoutOutput(picker.Finish()));
}
