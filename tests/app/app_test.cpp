// The input handlers on the picker's own window, made as start-up makes it.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/input.h"
#include "app/mainwindow.h"
#include "tests/kit/input.h"
#include "tracker/geometry.h"

class Picker : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetProcessDPIAware();
        SetCursorPos(10, 10);
        LoadStringW(GetModuleHandleW(NULL), IDS_APP_TITLE, g_szTitle, 100);
        LoadStringW(GetModuleHandleW(NULL), IDC_OCRKELVANE, g_szWindowClass, 100);
        RegisterMainWindowClass(GetModuleHandleW(NULL));
        ASSERT_TRUE(CreateMainWindow(GetModuleHandleW(NULL)));
    }
    // The drag loop takes these from the queue once a handler starts it.
    static void PostDrag(int x, int y)
    {
        PostMouse(g_hWndMain, WM_MOUSEMOVE, x, y);
        PostMouse(g_hWndMain, WM_LBUTTONUP, x, y);
    }
    static std::string Selection()
    {
        const RECT& rc = g_tracker.m_rcSelection;
        return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
               std::to_string(rc.bottom);
    }
};

TEST_F(Picker, APressArmsANewBandOnlyWhileNoSelectionExists)
{
    HandleMouseMove(100, 100);  // the repaint arms the next press
    HandleLButtonDown(100, 100);
    EXPECT_TRUE(g_bNewSelection);
    for (int i = 1; i <= 30; i++)
        HandleMouseMove(100 + i, 100 + i);  // steps of (1, 1) never start a band; each repaint re-arms
    EXPECT_EQ(Selection(), "0,0,0,0");
    PostDrag(300, 280);
    HandleMouseMove(132, 130);  // two pixels: a band anchored at the previous position
    EXPECT_EQ(Selection(), "130,130,300,280");
    EXPECT_FALSE(IsBlankRect(g_rcHover));  // armed by the slow moves' paints
    PostDrag(354, 334);
    HandleLButtonDown(304, 284);  // the bottom-right handle
    EXPECT_EQ(Selection(), "130,130,350,330");
    EXPECT_FALSE(g_bNewSelection);
    HandleMouseMove(500, 500);  // button up (its release went to the drag): no new band
    HandleLButtonDown(600, 600);  // beyond the handles: nothing but the flags
    HandleMouseMove(700, 700);
    EXPECT_EQ(Selection(), "130,130,350,330");
    SendMessageW(g_hWndMain, WM_LBUTTONUP, 0, 0);
}

TEST_F(Picker, TheCursorComesFromTheTrackerOverTheSelection)
{
    g_tracker.m_rcSelection = { 150, 150, 350, 330 };
    const struct { int x, y; LPCWSTR pszCursor; UINT nHitTest; } rows[] = {
        { 145, 145, IDC_SIZENWSE, HTCLIENT }, { 352, 332, IDC_SIZENWSE, HTCLIENT }, { 352, 145, IDC_SIZENESW, HTCLIENT },
        { 145, 332, IDC_SIZENESW, HTCLIENT }, { 250, 145, IDC_SIZENS, HTCLIENT },   { 352, 240, IDC_SIZEWE, HTCLIENT },
        { 250, 250, IDC_SIZEALL, HTCLIENT },  { 149, 200, IDC_SIZEALL, HTCLIENT },  { 800, 800, IDC_ARROW, HTCLIENT },
        { 250, 250, IDC_ARROW, HTCAPTION },
    };
    for (const auto& row : rows) {
        SetCursorPos(row.x, row.y);
        SendMessageW(g_hWndMain, WM_SETCURSOR, (WPARAM)g_hWndMain, MAKELPARAM(row.nHitTest, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(NULL, row.pszCursor)) << row.x << ", " << row.y;
    }
}
