#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/input.h"
#include "app/mainwindow.h"
#include "tests/kit/input.h"
#include "tests/kit/screen.h"
#include "tests/kit/pixels.h"
#include "tracker/geometry.h"

// Start-up runs once for the whole suite, as in the program: these tests run
// in order on the one main window, over a known pattern on the screen.
class StartedPicker : public ::testing::Test {
protected:
    static uint32_t Pattern(int x, int y) { return TestPattern(x + 200, y + 100); }

    static void SetUpTestSuite()
    {
        SetProcessDPIAware();
        SetCursorPos(10, 10);
        RECT rcPattern = { 200, 100, 800, 500 };
        s_pPattern = new PatternWindow(rcPattern, Pattern);
        s_pPattern->WaitUntilShown();

        HINSTANCE hInstance = GetModuleHandleW(NULL);
        LoadStringW(hInstance, IDS_APP_TITLE, g_szTitle, 100);
        LoadStringW(hInstance, IDC_OCRKELVANE, g_szWindowClass, 100);
        RegisterMainWindowClass(hInstance);
        s_bCreated = CreateMainWindow(hInstance);
        Settle(300);
    }

    static void TearDownTestSuite()
    {
        if (IsWindow(g_hWndMain))
            DestroyWindow(g_hWndMain);
        delete s_pPattern;
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
    }

    // Leaves the queue empty and the quit flag (if any) consumed.
    static bool TakeQuit(WPARAM* pwCode = nullptr)
    {
        MSG msg;
        bool bQuit = false;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_PAINT)
                DispatchMessageW(&msg);   // else it stays in the queue
            if (msg.message == WM_QUIT) {
                bQuit = true;
                if (pwCode)
                    *pwCode = msg.wParam;
            }
        }
        return bQuit;
    }

    static void PostToPicker(UINT uMsg, int x, int y)
    {
        PostMessageW(g_hWndMain, uMsg, 0, MAKELPARAM(x, y));
    }

    static PatternWindow* s_pPattern;
    static BOOL s_bCreated;
};

PatternWindow* StartedPicker::s_pPattern;
BOOL StartedPicker::s_bCreated;

static ::testing::AssertionResult Is(const RECT& rc, int l, int t, int r, int b)
{
    if (rc.left == l && rc.top == t && rc.right == r && rc.bottom == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")";
}

TEST_F(StartedPicker, TheWindowIsATopmostBorderlessToolWindowExactlyOverTheMonitor)
{
    ASSERT_TRUE(s_bCreated);
    RECT rcWindow;
    GetWindowRect(g_hWndMain, &rcWindow);
    EXPECT_TRUE(Is(rcWindow, 0, 0, 1920, 1080));
    LONG lStyle = GetWindowLongW(g_hWndMain, GWL_STYLE);
    LONG lExStyle = GetWindowLongW(g_hWndMain, GWL_EXSTYLE);
    EXPECT_TRUE(lStyle & WS_POPUP);
    EXPECT_TRUE(lStyle & WS_VISIBLE);
    EXPECT_FALSE(lStyle & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
    EXPECT_TRUE(lExStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(lExStyle & WS_EX_TOOLWINDOW);
    WCHAR szText[100];
    GetWindowTextW(g_hWndMain, szText, 100);
    EXPECT_STREQ(szText, L"OCRKelvane");
    GetClassNameW(g_hWndMain, szText, 100);
    EXPECT_STREQ(szText, L"OCRKelvane");
    EXPECT_EQ(GetClassLongW(g_hWndMain, GCL_STYLE), (DWORD)(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
}

TEST_F(StartedPicker, TheFrozenImageIsTheScreenAndTheWindowShowsItDimmed)
{
    Image frozen = ReadDC(g_hdcCapture, 200, 100, 600, 400);
    for (int y = 0; y < 400; y++)
        for (int x = 0; x < 600; x++)
            ASSERT_EQ(frozen.At(x, y), Pattern(x, y)) << x << ", " << y;

    // The first paint dims everything once: no selection yet.
    RECT rcShown = { 200, 100, 800, 500 };
    Image shown = ReadScreen(rcShown);
    for (int y = 0; y < 400; y += 7) {
        for (int x = 0; x < 600; x += 5) {
            uint32_t before = Pattern(x, y), after = shown.At(x, y);
            ASSERT_NEAR(Green(after), Green(before) * 175.0 / 255.0, 1.0) << x << ", " << y;
        }
    }
    EXPECT_TRUE(Is(g_rcHover, 0, 0, 1920, 1080));
}

TEST_F(StartedPicker, APressArmsANewSelectionOnlyOncePerPaint)
{
    SendMessageW(g_hWndMain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    EXPECT_TRUE(g_bNewSelection);
    EXPECT_TRUE(g_bLButtonDown);
    EXPECT_TRUE(IsBlankRect(g_rcHover));
    EXPECT_EQ(g_ptPrev.x, 100);
    EXPECT_EQ(g_ptPrev.y, 100);

    SendMessageW(g_hWndMain, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    EXPECT_FALSE(g_bNewSelection);
    EXPECT_FALSE(g_bLButtonDown);
    // No paint in between: the second press is not armed.
    SendMessageW(g_hWndMain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(101, 100));
    EXPECT_FALSE(g_bNewSelection);
    EXPECT_TRUE(g_bLButtonDown);
    SendMessageW(g_hWndMain, WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(IsBlankRect(g_tracker.m_rcSelection));
}

TEST_F(StartedPicker, SlowMovesDrawNoBandAndTheFirstJumpAnchorsItAtThePreviousPosition)
{
    // A mouse move repaints, which arms the next press again.
    HandleMouseMove(100, 100);
    EXPECT_FALSE(IsBlankRect(g_rcHover));
    HandleLButtonDown(100, 100);
    ASSERT_TRUE(g_bNewSelection);
    for (int i = 1; i <= 50; i++)
        HandleMouseMove(100 + i, 100 + i);    // (1, 1) steps never count
    EXPECT_TRUE(IsBlankRect(g_tracker.m_rcSelection));

    PostToPicker(WM_MOUSEMOVE, 300, 280);     // the band's moves and release, taken by the drag loop
    PostToPicker(WM_LBUTTONUP, 300, 280);
    HandleMouseMove(152, 150);                // two pixels: the band starts at (150, 150)
    EXPECT_TRUE(Is(g_tracker.m_rcSelection, 150, 150, 300, 280));
    EXPECT_FALSE(g_bNewSelection);
    EXPECT_TRUE(g_bLButtonDown);              // the release never reached the window
    EXPECT_EQ(g_ptPrev.x, 152);
    EXPECT_EQ(g_ptPrev.y, 150);

    HandleMouseMove(400, 400);                // stale button flag: no second band
    EXPECT_TRUE(Is(g_tracker.m_rcSelection, 150, 150, 300, 280));
    EXPECT_FALSE(TakeQuit());
}

TEST_F(StartedPicker, PressesGrabTheSelectionByHandlesAndInsideOnly)
{
    PostToPicker(WM_MOUSEMOVE, 354, 334);
    PostToPicker(WM_LBUTTONUP, 354, 334);
    HandleLButtonDown(304, 284);              // bottom-right handle (300..307, 280..287)
    EXPECT_TRUE(Is(g_tracker.m_rcSelection, 150, 150, 350, 330));
    EXPECT_EQ(g_ptPrev.x, 304);

    PostToPicker(WM_MOUSEMOVE, 260, 250);
    PostToPicker(WM_LBUTTONUP, 260, 250);
    HandleLButtonDown(250, 240);              // inside: a move by (10, 10)
    EXPECT_TRUE(Is(g_tracker.m_rcSelection, 160, 160, 360, 340));

    HandleLButtonDown(600, 600);              // beyond the margin: nothing but the flags
    EXPECT_TRUE(Is(g_tracker.m_rcSelection, 160, 160, 360, 340));
    EXPECT_EQ(g_ptPrev.x, 600);
    EXPECT_FALSE(g_bNewSelection);
    HandleMouseMove(700, 700);
    EXPECT_TRUE(Is(g_tracker.m_rcSelection, 160, 160, 360, 340));
    SendMessageW(g_hWndMain, WM_LBUTTONUP, 0, 0);
    EXPECT_FALSE(TakeQuit());
}

TEST_F(StartedPicker, TheCursorComesFromTheTrackerOverTheSelection)
{
    struct Row { int x, y; LPCWSTR pszCursor; } rows[] = {
        { 155, 155, IDC_SIZENWSE }, { 364, 344, IDC_SIZENWSE }, { 364, 155, IDC_SIZENESW },
        { 155, 344, IDC_SIZENESW }, { 260, 155, IDC_SIZENS }, { 364, 250, IDC_SIZEWE },
        { 250, 250, IDC_SIZEALL }, { 159, 200, IDC_SIZEALL }, { 800, 800, IDC_ARROW },
    };
    for (const Row& row : rows) {
        SetCursorPos(row.x, row.y);
        LRESULT lResult = SendMessageW(g_hWndMain, WM_SETCURSOR, (WPARAM)g_hWndMain,
                                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(lResult, 0);
        EXPECT_EQ(GetCursor(), LoadCursorW(NULL, row.pszCursor)) << row.x << ", " << row.y;
    }
    SetCursorPos(250, 250);
    SendMessageW(g_hWndMain, WM_SETCURSOR, (WPARAM)g_hWndMain, MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(NULL, IDC_ARROW));
}

TEST_F(StartedPicker, KeysActOnlyWhenReleasedAndOnlyEscapeAndEnter)
{
    TakeQuit();
    EXPECT_EQ(SendMessageW(g_hWndMain, WM_KEYDOWN, VK_ESCAPE, 0), 0);
    EXPECT_EQ(SendMessageW(g_hWndMain, WM_KEYUP, 'A', 0), 0);
    EXPECT_EQ(SendMessageW(g_hWndMain, WM_KEYUP, VK_SPACE, 0), 0);
    EXPECT_EQ(SendMessageW(g_hWndMain, WM_COMMAND, 104, 0), 0);
    EXPECT_FALSE(TakeQuit());
    EXPECT_TRUE(IsWindow(g_hWndMain));

    SendMessageW(g_hWndMain, WM_KEYUP, VK_ESCAPE, 0);
    WPARAM wCode = 99;
    EXPECT_TRUE(TakeQuit(&wCode));
    EXPECT_EQ(wCode, 0u);
    EXPECT_TRUE(IsWindow(g_hWndMain));        // Esc does not destroy the window first
}

TEST_F(StartedPicker, ACancelledBandLeavesNoSelectionAndANewOneCanBeDrawn)
{
    SetRectEmpty(&g_tracker.m_rcSelection);
    HandleMouseMove(500, 500);                // paints: armed
    HandleLButtonDown(500, 500);
    PostToPicker(WM_MOUSEMOVE, 600, 560);
    PostToPicker(WM_RBUTTONDOWN, 600, 560);   // cancels the band
    HandleMouseMove(510, 500);
    EXPECT_TRUE(IsBlankRect(g_tracker.m_rcSelection));
    EXPECT_FALSE(IsBlankRect(g_rcHover));     // the repaint armed a new band
    SendMessageW(g_hWndMain, WM_LBUTTONUP, 0, 0);

    HandleLButtonDown(520, 520);
    PostToPicker(WM_MOUSEMOVE, 700, 650);
    PostToPicker(WM_LBUTTONUP, 700, 650);
    HandleMouseMove(530, 520);
    EXPECT_TRUE(Is(g_tracker.m_rcSelection, 520, 520, 700, 650));
    SendMessageW(g_hWndMain, WM_LBUTTONUP, 0, 0);
    EXPECT_FALSE(TakeQuit());
}

TEST_F(StartedPicker, ACancelledDragRepaintsTheSelectionItRestored)
{
    SetRect(&g_tracker.m_rcSelection, 100, 100, 300, 300);
    UpdateWindow(g_hWndMain);
    ValidateRect(g_hWndMain, NULL);
    PostToPicker(WM_RBUTTONDOWN, 200, 200);   // no mouse move before the cancel
    HandleLButtonDown(200, 200);
    EXPECT_TRUE(Is(g_tracker.m_rcSelection, 100, 100, 300, 300));
    EXPECT_TRUE(GetUpdateRect(g_hWndMain, NULL, FALSE));
    SendMessageW(g_hWndMain, WM_LBUTTONUP, 0, 0);
    EXPECT_FALSE(TakeQuit());
}

TEST_F(StartedPicker, TheMessageLoopReturnsTheQuitValue)
{
    PostQuitMessage(0);
    EXPECT_EQ(RunMessageLoop(NULL), 0);
    PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 7, 0);
    EXPECT_EQ(RunMessageLoop(NULL), 7);
}

TEST_F(StartedPicker, Command105FromAnySenderDestroysTheWindowAndQuits)
{
    SendMessageW(g_hWndMain, WM_COMMAND, MAKEWPARAM(105, 1), 12345);
    EXPECT_FALSE(IsWindow(g_hWndMain));
    WPARAM wCode = 99;
    EXPECT_TRUE(TakeQuit(&wCode));
    EXPECT_EQ(wCode, 0u);
}
