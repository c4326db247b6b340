// The picker's window and the ways a run ends without a selection written.
#include "tests/e2e/driver.h"

#include "tests/kit/input.h"

using PickerWindow = PickerTest;

TEST_F(PickerWindow, IsTopmostBorderlessAndCoversTheMonitorUnderTheCursor)
{
    ASSERT_TRUE(picker.Start());
    HWND hWnd = picker.Window();

    LONG style = GetWindowLongW(hWnd, GWL_STYLE);
    LONG exStyle = GetWindowLongW(hWnd, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(0, style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);

    RECT rcWindow, rcMonitor = TestMonitor();
    GetWindowRect(hWnd, &rcWindow);
    EXPECT_TRUE(EqualRect(&rcWindow, &rcMonitor))
        << rcWindow.left << ", " << rcWindow.top << ", " << rcWindow.right << ", " << rcWindow.bottom;

    WCHAR szText[64] = L"", szClass[64] = L"";
    GetWindowTextW(hWnd, szText, 64);
    GetClassNameW(hWnd, szClass, 64);
    EXPECT_STREQ(L"OCRKelvane", szText);
    EXPECT_STREQ(L"OCRKelvane", szClass);

    // The first frame: the frozen pattern dimmed all over.
    EXPECT_TRUE(OverlayShowsNoSelection());

    KeyPress(VK_ESCAPE);
    EXPECT_TRUE(EndedWithoutOutput(picker.Finish()));
}

TEST_F(PickerWindow, EscEndsTheRunOnlyWhenReleased)
{
    ASSERT_TRUE(picker.Start());
    KeyDown(VK_ESCAPE);
    EXPECT_TRUE(picker.StillRunning(700));
    EXPECT_TRUE(IsWindowVisible(picker.Window()));

    KeyUp(VK_ESCAPE);
    EXPECT_TRUE(EndedWithoutOutput(picker.Finish()));
}

TEST_F(PickerWindow, EscEndsTheRunWithASelectionToo)
{
    ASSERT_TRUE(picker.Start());
    Drag(300, 200, 500, 340);
    ASSERT_TRUE(OverlayShows({ 300, 200, 500, 340 }));

    KeyPress(VK_ESCAPE);
    EXPECT_TRUE(EndedWithoutOutput(picker.Finish()));
}

TEST_F(PickerWindow, AltSlashAndAltQuestionMarkChangeNothing)
{
    ASSERT_TRUE(picker.Start());
    Drag(240, 180, 400, 300);
    ASSERT_TRUE(OverlayShows({ 240, 180, 400, 300 }));

    KeyDown(VK_MENU);
    KeyPress(VK_OEM_2);  // "/" on a US layout
    KeyDown(VK_SHIFT);
    KeyPress(VK_OEM_2);  // "?"
    KeyUp(VK_SHIFT);
    KeyUp(VK_MENU);

    EXPECT_TRUE(picker.StillRunning(500));
    EXPECT_TRUE(OverlayShows({ 240, 180, 400, 300 }, 0));
    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 240, 180, 400, 300 }));
}

TEST_F(PickerWindow, CloseMessageEndsTheRunWithoutOutput)
{
    ASSERT_TRUE(picker.Start());
    Drag(300, 200, 500, 340);
    ASSERT_TRUE(OverlayShows({ 300, 200, 500, 340 }));

    PostMessageW(picker.Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(EndedWithoutOutput(picker.Finish()));
}

TEST_F(PickerWindow, ExitCommandFromAnySenderEndsTheRunWithoutOutput)
{
    ASSERT_TRUE(picker.Start());
    Drag(300, 200, 500, 340);
    ASSERT_TRUE(OverlayShows({ 300, 200, 500, 340 }));

    // Only the low word names the command; the rest is whatever the sender put there.
    PostMessageW(picker.Window(), WM_COMMAND, MAKEWPARAM(105, 1), 0x1234);
    EXPECT_TRUE(EndedWithoutOutput(picker.Finish()));
}

TEST_F(PickerWindow, CommandLineArgumentsChangeNothing)
{
    ASSERT_TRUE(picker.Start(L"--help foo"));
    RECT rcWindow, rcMonitor = TestMonitor();
    GetWindowRect(picker.Window(), &rcWindow);
    EXPECT_TRUE(EqualRect(&rcWindow, &rcMonitor));

    Drag(100, 120, 260, 230);
    ASSERT_TRUE(OverlayShows({ 100, 120, 260, 230 }));
    KeyPress(VK_RETURN);
    EXPECT_TRUE(ExportedExactly(picker.Finish(), { 100, 120, 260, 230 }));
}
