// The tracker's geometry, and its drag loop as rows of posted messages on a real window.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "tests/kit/input.h"
#include "tests/kit/screen.h"
#include "tracker/geometry.h"

static std::string Str(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

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
            EXPECT_EQ(HandleSizeFor(rc, 8, row.scale), row.h) << Str(rc) << " at " << row.scale;
            EXPECT_EQ(HandleMaskFor(rc, 8), row.mask) << Str(rc);
        }
    // Where a corner and a middle box overlap (tiny selections) the corner wins.
    EXPECT_EQ(HitCodeFor({ 100, 100, 104, 104 }, 0xFF, 8, 10, { 99, 95 }), TH_TOPLEFT);
}

// A drag: the selection before, the press (hit code and point), the messages that reach the loop while it runs,
// and the selection it must leave, within bounds of 1920 x 1080. K: a key down; L: the window loses the capture.
enum : UINT { M = WM_MOUSEMOVE, U = WM_LBUTTONUP, K = WM_KEYDOWN, R = WM_RBUTTONDOWN, L = WM_CANCELMODE, Q = WM_QUIT };
struct DragRow {
    const char* pszName;
    RECT rcStart;
    int nCode;
    POINT ptPress;
    struct { UINT uMsg; int x, y; } steps[3];  // the ones left out post WM_NULL: nothing
    RECT rcEnd;
    int nMinimum = 16;
};

const DragRow c_drags[] = {
    { "band grows to the minimum", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { M, 105, 104 }, { U, 105, 104 } }, { 100, 100, 116, 116 } },
    { "corner stops at the minimum", { 100, 100, 200, 200 }, 0, { 96, 96 }, { { M, 195, 190 }, { U, 195, 190 } }, { 184, 184, 200, 200 } },
    { "press and release in place", { 100, 100, 200, 200 }, 2, { 205, 205 }, { { U, 205, 205 } }, { 100, 100, 200, 200 } },
    { "flicked band: only the release", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { U, 400, 300 } }, { 100, 100, 400, 300 } },
    { "flicked move: only the release", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { U, 180, 170 } }, { 130, 120, 230, 220 } },
    { "other keys dropped, Esc restores", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { K, 'A' }, { K, VK_ESCAPE } }, { 100, 100, 200, 200 } },
    { "cancelled band back at its anchor", { 300, 300, 300, 300 }, 2, { 300, 300 }, { { M, 500, 450 }, { K, VK_ESCAPE } }, { 300, 300, 300, 300 } },
    { "band past the top left stops", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { M, -50, -30 }, { L } }, { 0, 0, 100, 100 } },
    { "band far left stops", { 300, 100, 300, 100 }, 2, { 300, 100 }, { { M, -200, 300 }, { M, -230, 300 }, { U, -230, 300 } }, { 0, 100, 300, 300 } },
    { "band past the bottom right stops", { 1800, 1000, 1800, 1000 }, 2, { 1800, 1000 }, { { M, 2500, 1500 }, { U, 2600, 1600 } }, { 1800, 1000, 1920, 1080 } },
    { "minimum capped at the bounds", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { M, 110, 110 }, { U, 110, 110 } }, { 100, 0, 1300, 1080 }, 1200 },
    { "lost capture keeps the moves", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { M, 160, 170 }, { L } }, { 110, 120, 210, 220 } },
    { "quit ends the drag, posted again", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { M, 300, 300 }, { Q } }, { 250, 250, 350, 350 } },
};

// The selection as the changes the tracker has reported leave the screen showing it, and whether one came from
// elsewhere than the last.
static RECT s_rcShown;
static bool s_bStray;
static void ShowChange(const RECT& rcBefore)
{
    s_bStray |= !EqualRect(&rcBefore, &s_rcShown);
    s_rcShown = g_tracker.m_rcSelection;
}

// Runs the row on g_tracker over a window, under a watchdog: "" or what is wrong.
static std::string RunDragRow(const DragRow& row)
{
    static const HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"Static", L"", WS_POPUP | WS_VISIBLE,
                                             0, 0, 64, 64, NULL, NULL, NULL, NULL);
    Watchdog watchdog(row.pszName, 5000);
    bool bQuitPosted = false;
    for (const auto& step : row.steps)
        if (step.uMsg == WM_QUIT)
            PostQuitMessage(0), bQuitPosted = true;
        else
            step.uMsg == WM_KEYDOWN ? (void)PostMessageW(hWnd, WM_KEYDOWN, step.x, 1) : PostMouse(hWnd, step.uMsg, step.x, step.y);
    SetRect(&g_tracker.m_rcBounds, 0, 0, 1920, 1080);
    g_tracker.m_cxMinimum = g_tracker.m_cyMinimum = row.nMinimum;
    g_tracker.m_rcSelection = s_rcShown = row.rcStart;
    g_tracker.m_pfnSelectionChanged = ShowChange;
    s_bStray = false;
    BOOL bChanged = g_tracker.RunDrag(row.nCode, hWnd, row.ptPress.x, row.ptPress.y);
    std::string problem = EqualRect(&g_tracker.m_rcSelection, &row.rcEnd) ? "" : "left " + Str(g_tracker.m_rcSelection);
    if (bChanged != !EqualRect(&row.rcStart, &row.rcEnd) || g_tracker.m_bDragEnding || GetCapture())
        problem += "; wrong result, ending flag or capture";
    // A change not reported leaves the window showing a stale frame, handles and label.
    if (!EqualRect(&s_rcShown, &g_tracker.m_rcSelection) || s_bStray)
        problem += "; the reported changes leave " + Str(s_rcShown) + " on the screen";
    bool bQuit = false;
    for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
        bQuit |= msg.message == WM_QUIT || (DispatchMessageW(&msg), false);
    return bQuit == bQuitPosted ? problem : problem + "; the quit request was not posted again";
}

TEST(DragLoop, Rows)
{
    for (const DragRow& row : c_drags)
        EXPECT_EQ("", RunDragRow(row)) << row.pszName;
}
