#include <gtest/gtest.h>

#include <vector>

#include "tracker/geometry.h"
#include "tracker/tracker.h"

// A real window of this thread takes the capture; the test posts the messages
// a user's mouse and keyboard would make, then runs the drag on them.
class DragLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"DragLoopTest";
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, L"DragLoopTest", L"", WS_POPUP, 0, 0, 200, 200,
                                 NULL, NULL, wc.hInstance, NULL);
        ASSERT_NE(m_hWnd, (HWND)NULL);
        SetRect(&m_tracker.m_rcBounds, 0, 0, 1920, 1080);
        s_dispatched.clear();
        DrainQueue();
    }

    void TearDown() override
    {
        ReleaseCapture();
        DestroyWindow(m_hWnd);
        DrainQueue();
    }

    static void DrainQueue()
    {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
    }

    void Post(UINT uMsg, int x, int y, WPARAM wParam = 0)
    {
        PostMessageW(m_hWnd, uMsg, wParam, MAKELPARAM((WORD)(short)x, (WORD)(short)y));
    }
    void Move(int x, int y) { Post(WM_MOUSEMOVE, x, y, MK_LBUTTON); }
    void Release(int x, int y) { Post(WM_LBUTTONUP, x, y); }
    void Key(UINT uMsg, WPARAM wKey) { PostMessageW(m_hWnd, uMsg, wKey, 0); }

    static LRESULT CALLBACK RecordingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        if (uMsg == WM_KEYUP || uMsg == WM_KEYDOWN || uMsg == WM_USER)
            s_dispatched.push_back(uMsg);
        if (uMsg == WM_LOSECAPTURE)
            ReleaseCapture();
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }

    // Dispatched by the drag loop, it takes the capture away; the loop then ends
    // at the next message it takes.
    static const UINT WM_LOSECAPTURE = WM_USER + 2;
    void LoseCapture()
    {
        PostMessageW(m_hWnd, WM_LOSECAPTURE, 0, 0);
        PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }

    static std::vector<UINT> s_dispatched;
    HWND m_hWnd = NULL;
    CXRectTracker m_tracker;
};

std::vector<UINT> DragLoop::s_dispatched;

static ::testing::AssertionResult Is(const RECT& rc, int l, int t, int r, int b)
{
    if (rc.left == l && rc.top == t && rc.right == r && rc.bottom == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")";
}

TEST_F(DragLoop, RubberBandGrowsToTheMinimumSize)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 100, 100);
    Move(105, 104);
    Release(105, 104);
    EXPECT_TRUE(m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 100, 100));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 100, 100, 116, 116));
    EXPECT_EQ(GetCapture(), (HWND)NULL);
    EXPECT_FALSE(m_tracker.m_bDragEnding);
}

TEST_F(DragLoop, RubberBandUpAndLeftIsNormalisedAtTheEnd)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 100, 100);
    Move(50, 60);
    Release(50, 60);
    m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 100, 100);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 50, 60, 100, 100));
}

TEST_F(DragLoop, RubberBandCrossingBackKeepsTheDraggedEdgeOnItsSide)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 100, 100);
    Move(90, 200);
    Post(WM_USER, 0, 0);           // a marker: the loop dispatches it between the moves
    Move(84, 200);
    Release(84, 200);
    m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 100, 100);
    // 90 is within 16 of the anchor: the right edge went to 116; then 84 is
    // exactly 16 away and stands as an inverted band, normalised at the end.
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 84, 100, 100, 200));
    ASSERT_EQ(s_dispatched.size(), 1u);
    EXPECT_EQ(s_dispatched[0], (UINT)WM_USER);
}

TEST_F(DragLoop, MovingAgainstTheTopLeftShiftsTheSelectionInside)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Move(20, 20);
    Release(20, 20);
    EXPECT_TRUE(m_tracker.RunDrag(TH_INSIDE, m_hWnd, 150, 150));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 0, 0, 100, 100));
}

TEST_F(DragLoop, MovingAgainstTheRightEdgeStopsThere)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Move(1900, 150);
    Release(1900, 150);
    m_tracker.RunDrag(TH_INSIDE, m_hWnd, 150, 150);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 1820, 100, 1920, 200));
}

TEST_F(DragLoop, MovingKeepsTheSizeTheSelectionHadAtEntry)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 150);
    Move(400, 300);
    Move(410, 333);
    Release(410, 333);
    m_tracker.RunDrag(TH_INSIDE, m_hWnd, 110, 110);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 400, 323, 500, 373));
}

TEST_F(DragLoop, MiddleHandlesDriveOneAxisOnly)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Move(260, 500);               // right handle: y is ignored
    Release(260, 500);
    m_tracker.RunDrag(TH_RIGHT, m_hWnd, 204, 150);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 100, 100, 256, 200));

    Move(900, 40);                // top handle: x is ignored
    Release(900, 40);
    m_tracker.RunDrag(TH_TOP, m_hWnd, 150, 96);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 100, 44, 256, 200));
}

TEST_F(DragLoop, CornerResizeBelowTheMinimumStopsAtTheMinimum)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Move(195, 190);               // top-left corner dragged almost onto the opposite corner
    Release(195, 190);
    m_tracker.RunDrag(TH_TOPLEFT, m_hWnd, 96, 96);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 184, 184, 200, 200));
}

TEST_F(DragLoop, PressAndReleaseWithoutAMoveChangeNothing)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Release(205, 205);
    EXPECT_FALSE(m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 205, 205));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 100, 100, 200, 200));
}

TEST_F(DragLoop, AReleaseWithoutMovesStillCarriesTheFinalPosition)
{
    // A quick flick: the moves were coalesced and only the release arrives.
    SetRect(&m_tracker.m_rcSelection, 100, 100, 100, 100);
    Release(400, 300);
    EXPECT_TRUE(m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 100, 100));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 100, 100, 400, 300));

    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Release(180, 170);
    EXPECT_TRUE(m_tracker.RunDrag(TH_INSIDE, m_hWnd, 150, 150));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 130, 120, 230, 220));
}

TEST_F(DragLoop, EscapeOrTheRightButtonRestoreTheSelection)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Move(400, 400);
    Key(WM_KEYDOWN, 'A');         // other keys are dropped, not dispatched
    Key(WM_KEYUP, 'A');           // key releases are dispatched
    Key(WM_KEYDOWN, VK_ESCAPE);
    Release(400, 400);            // left in the queue for after the drag
    EXPECT_FALSE(m_tracker.RunDrag(TH_INSIDE, m_hWnd, 150, 150));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 100, 100, 200, 200));
    ASSERT_EQ(s_dispatched.size(), 1u);
    EXPECT_EQ(s_dispatched[0], (UINT)WM_KEYUP);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, m_hWnd, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE));

    Move(500, 500);
    Post(WM_RBUTTONDOWN, 500, 500);
    EXPECT_FALSE(m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 204, 204));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 100, 100, 200, 200));
}

TEST_F(DragLoop, ACancelledBandReturnsToTheAnchor)
{
    SetRect(&m_tracker.m_rcSelection, 300, 300, 300, 300);
    Move(500, 450);
    Key(WM_KEYDOWN, VK_ESCAPE);
    m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 300, 300);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 300, 300, 300, 300));
}

TEST_F(DragLoop, ABandDraggedPastTheTopLeftStaysInside)
{
    // With the capture held, positions left of and above the window are
    // negative (the pointer is on another monitor): the band stops at the
    // edges, however often the mouse reports a position beyond them.
    SetRect(&m_tracker.m_rcSelection, 100, 100, 100, 100);
    Move(-50, -30);
    LoseCapture();
    EXPECT_TRUE(m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 100, 100));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 0, 0, 100, 100));

    SetRect(&m_tracker.m_rcSelection, 300, 100, 300, 100);
    for (int x = -200; x >= -230; x -= 10)
        Move(x, 300);
    Release(-230, 300);
    m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 300, 100);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 0, 100, 300, 300));

    SetRect(&m_tracker.m_rcSelection, 1800, 1000, 1800, 1000);
    Move(2500, 1500);
    Release(2600, 1600);
    m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 1800, 1000);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 1800, 1000, 1920, 1080));
}

TEST_F(DragLoop, TheMinimumNeverExceedsTheBounds)
{
    // A handle width of 600 asks for 1200 x 1200 on a 1920 x 1080 monitor.
    m_tracker.m_cxMinimum = m_tracker.m_cyMinimum = 1200;
    SetRect(&m_tracker.m_rcSelection, 100, 100, 100, 100);
    Move(110, 110);
    Release(110, 110);
    m_tracker.RunDrag(TH_BOTTOMRIGHT, m_hWnd, 100, 100);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 100, 0, 1300, 1080));
}

TEST_F(DragLoop, LosingTheCaptureKeepsWhatTheMovesDid)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Move(160, 170);
    LoseCapture();
    m_tracker.RunDrag(TH_INSIDE, m_hWnd, 150, 150);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 110, 120, 210, 220));
    EXPECT_FALSE(m_tracker.m_bDragEnding);
}

TEST_F(DragLoop, AQuitMetDuringTheDragEndsItAndIsPostedAgain)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    Move(300, 300);
    PostQuitMessage(0);           // taken once no posted message is left
    m_tracker.RunDrag(TH_INSIDE, m_hWnd, 150, 150);
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 250, 250, 350, 350));
    EXPECT_EQ(GetCapture(), (HWND)NULL);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(DragLoop, NothingStartsWhileAnotherWindowHoldsTheCapture)
{
    HWND hOther = CreateWindowExW(0, L"DragLoopTest", L"", WS_POPUP, 0, 0, 10, 10,
                                  NULL, NULL, GetModuleHandleW(NULL), NULL);
    SetCapture(hOther);
    SetRect(&m_tracker.m_rcSelection, 200, 200, 100, 100);  // not even normalised
    EXPECT_FALSE(m_tracker.RunDrag(TH_INSIDE, m_hWnd, 150, 150));
    EXPECT_TRUE(Is(m_tracker.m_rcSelection, 200, 200, 100, 100));
    EXPECT_EQ(GetCapture(), hOther);
    ReleaseCapture();
    DestroyWindow(hOther);
}
