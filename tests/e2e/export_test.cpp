// Accepting the selection: what reaches standard output and when the run ends.
#include "tests/e2e/driver.h"

#include "tests/kit/input.h"

using PickerExport = PickerTest;

TEST_F(PickerExport, DoubleClickInsideTheSelectionWritesIt)
{
    ASSERT_TRUE(picker.Start());
    Drag(220, 160, 380, 300);
    ASSERT_TRUE(OverlayShows({ 220, 160, 380, 300 }));

    DoubleClick(300, 230);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 220, 160, 380, 300 }));
}

TEST_F(PickerExport, DoubleClickOutsideTheSelectionWritesIt)
{
    ASSERT_TRUE(picker.Start());
    Drag(220, 160, 380, 300);
    ASSERT_TRUE(OverlayShows({ 220, 160, 380, 300 }));

    DoubleClick(700, 600);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 220, 160, 380, 300 }));
}

TEST_F(PickerExport, EnterReleasedWritesTheSelection)
{
    ASSERT_TRUE(picker.Start());
    Drag(31, 47, 290, 213);
    ASSERT_TRUE(OverlayShows({ 31, 47, 290, 213 }));

    KeyDown(VK_RETURN);
    EXPECT_TRUE(picker.StillRunning(500)) << "a press alone must not export";
    KeyUp(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 31, 47, 290, 213 }));
}

TEST_F(PickerExport, EnterReleasedDuringABandWritesOneTextAndEndsTheRun)
{
    ASSERT_TRUE(picker.Start());
    PressLeft(500, 400);
    GlideTo(500, 400, 340, 280);
    ASSERT_TRUE(OverlayShows({ 340, 280, 500, 400 }));

    // The band is still drawn up and to the left (not yet normalised) when
    // Enter is released; more attempts to accept follow at once.
    KeyPress(VK_RETURN);
    ReleaseLeft();
    KeyPress(VK_RETURN);
    DoubleClick(420, 340);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 340, 280, 500, 400 }));
}

TEST_F(PickerExport, AcceptingBeforeAnySelectionWritesNothingAndTheRunGoesOn)
{
    ASSERT_TRUE(picker.Start());
    DoubleClick(400, 300);
    KeyPress(VK_RETURN);
    picker.WaitUntilIdle();

    EXPECT_TRUE(picker.StillRunning(300));
    EXPECT_TRUE(IsWindowVisible(picker.Window()));
    EXPECT_TRUE(OverlayShowsNoSelection(0));

    KeyPress(VK_ESCAPE);
    EXPECT_TRUE(EndedWithoutOutput(picker.Finish()));
}
