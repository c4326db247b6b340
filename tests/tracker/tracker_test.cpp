// The tracker's geometry, its drag loop as rows of posted messages on a real window, and a soak of those rows.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "tests/kit/input.h"
#include "tests/kit/screen.h"
#include "tracker/geometry.h"

static std::string Str(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

// Each row also with the edges swapped. The painter's rows show the handles' sizes and boxes at 96 to 144 DPI.
TEST(Geometry, HandleSizesMasksAndHitCodes)
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
    const struct { int x, y, code; } hits[] = {  // handles of 8, a margin of 10
        { 92, 92, 0 },   { 207, 92, 1 }, { 200, 200, 2 }, { 92, 207, 3 }, { 150, 95, 4 },  { 203, 150, 5 },
        { 150, 205, 6 }, { 95, 150, 7 }, { 150, 150, 8 }, { 99, 130, 8 }, { 200, 130, 8 }, { 98, 130, -1 },
        { 85, 150, -1 }, { 217, 217, -1 },
    };
    for (RECT rc : { RECT{ 100, 100, 200, 200 }, RECT{ 200, 200, 100, 100 } })
        for (const auto& hit : hits)
            EXPECT_EQ(HitCodeFor(rc, 0xFF, 8, 10, { hit.x, hit.y }), hit.code) << hit.x << "," << hit.y;
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
    { "band up and left, normalised", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { M, 50, 60 }, { U, 50, 60 } }, { 50, 60, 100, 100 } },
    { "resize by a corner", { 100, 100, 300, 250 }, 2, { 300, 250 }, { { M, 320, 260 }, { M, 380, 290 }, { U, 400, 300 } }, { 100, 100, 400, 300 } },
    { "corner stops at the minimum", { 100, 100, 200, 200 }, 0, { 96, 96 }, { { M, 195, 190 }, { U, 195, 190 } }, { 184, 184, 200, 200 } },
    { "middle handle drives one axis", { 100, 100, 200, 200 }, 5, { 204, 150 }, { { M, 300, 400 }, { U, 300, 400 } }, { 100, 100, 296, 200 } },
    { "move keeps the size", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { M, 155, 152 }, { M, 165, 158 }, { U, 170, 160 } }, { 120, 110, 220, 210 } },
    { "move against the top left", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { M, 20, 20 }, { U, 20, 20 } }, { 0, 0, 100, 100 } },
    { "move against the right edge", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { M, 1900, 150 }, { U, 1900, 150 } }, { 1820, 100, 1920, 200 } },
    { "press and release in place", { 100, 100, 200, 200 }, 2, { 205, 205 }, { { U, 205, 205 } }, { 100, 100, 200, 200 } },
    { "flicked band: only the release", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { U, 400, 300 } }, { 100, 100, 400, 300 } },
    { "flicked move: only the release", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { U, 180, 170 } }, { 130, 120, 230, 220 } },
    { "other keys dropped, Esc restores", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { K, 'A' }, { K, VK_ESCAPE } }, { 100, 100, 200, 200 } },
    { "right button restores", { 100, 100, 200, 200 }, 2, { 204, 204 }, { { R } }, { 100, 100, 200, 200 } },
    { "cancelled band back at its anchor", { 300, 300, 300, 300 }, 2, { 300, 300 }, { { M, 500, 450 }, { K, VK_ESCAPE } }, { 300, 300, 300, 300 } },
    { "band past the top left stops", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { M, -50, -30 }, { L } }, { 0, 0, 100, 100 } },
    { "band far left stops", { 300, 100, 300, 100 }, 2, { 300, 100 }, { { M, -200, 300 }, { M, -230, 300 }, { U, -230, 300 } }, { 0, 100, 300, 300 } },
    { "band past the bottom right stops", { 1800, 1000, 1800, 1000 }, 2, { 1800, 1000 }, { { M, 2500, 1500 }, { U, 2600, 1600 } }, { 1800, 1000, 1920, 1080 } },
    { "minimum capped at the bounds", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { M, 110, 110 }, { U, 110, 110 } }, { 100, 0, 1300, 1080 }, 1200 },
    { "lost capture keeps the moves", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { M, 160, 170 }, { L } }, { 110, 120, 210, 220 } },
    { "quit ends the drag, posted again", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { M, 300, 300 }, { Q } }, { 250, 250, 350, 350 } },
};

// The selection as the changes the tracker has reported leave the screen showing it.
static RECT s_rcShown;
static bool s_bReportedFromElsewhere;
static void ShowChange(const RECT& rcBefore)
{
    s_bReportedFromElsewhere |= !EqualRect(&rcBefore, &s_rcShown);
    s_rcShown = g_tracker.m_rcSelection;
}

// Runs the row on g_tracker over a window, under a watchdog: "" or what is wrong.
static std::string RunDragRow(const DragRow& row)
{
    static const HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"Static", L"", WS_POPUP | WS_VISIBLE,
                                             0, 0, 64, 64, NULL, NULL, NULL, NULL);
    Watchdog watchdog(std::string("the drag row \"") + row.pszName + "\"", 5000);
    bool bQuitPosted = false;
    for (const auto& step : row.steps)
        if (step.uMsg == WM_QUIT)
            PostQuitMessage(0), bQuitPosted = true;
        else if (step.uMsg == WM_KEYDOWN)
            PostKey(hWnd, (WORD)step.x, false);
        else
            PostMouse(hWnd, step.uMsg, step.x, step.y);
    SetRect(&g_tracker.m_rcBounds, 0, 0, 1920, 1080);
    g_tracker.m_cxMinimum = g_tracker.m_cyMinimum = row.nMinimum;
    g_tracker.m_rcSelection = s_rcShown = row.rcStart;
    g_tracker.m_pfnSelectionChanged = ShowChange;
    s_bReportedFromElsewhere = false;
    BOOL bChanged = g_tracker.RunDrag(row.nCode, hWnd, row.ptPress.x, row.ptPress.y);
    std::string problem = EqualRect(&g_tracker.m_rcSelection, &row.rcEnd) ? "" : "left " + Str(g_tracker.m_rcSelection);
    if (bChanged != !EqualRect(&row.rcStart, &row.rcEnd) || g_tracker.m_bDragEnding || GetCapture())
        problem += "; wrong result, ending flag or capture";
    // A change not reported leaves the window showing a stale frame, handles and label.
    if (!EqualRect(&s_rcShown, &g_tracker.m_rcSelection) || s_bReportedFromElsewhere)
        problem += "; the reported changes leave " + Str(s_rcShown) + " on the screen";
    MSG msg;
    bool bQuit = false;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        bQuit |= msg.message == WM_QUIT || (DispatchMessageW(&msg), false);
    return bQuit == bQuitPosted ? problem : problem + "; the quit request was not posted again";
}

// Every drag row, again and again, each with a paint: GDI objects and memory stay flat (counters first seen to count).
TEST(DragLoop, RowsAndASoakOfThemWithPaintsLeavingGdiObjectsAndMemoryFlat)
{
    SIZE_T cb = PrivateBytes();
    std::vector<char> block(64 << 20, 1);
    EXPECT_GE(PrivateBytes(), cb + (48 << 20)) << "the memory counter does not see 64 MB";
    block = std::vector<char>();
    UseSyntheticCapture(512, 384);
    DWORD nGdi = CountGdiObjects();
    HDC hdc = CreateCompatibleDC(g_hdcCapture);
    HGDIOBJ hOld = SelectObject(hdc, CreateCompatibleBitmap(g_hdcCapture, 512, 384));
    EXPECT_GE(CountGdiObjects(), nGdi + 2) << "the GDI counter does not see the back buffer's DC and bitmap";
    const RECT rcAll = { 0, 0, 512, 384 };
    for (int i = 0; i < 3100; i++) {
        ASSERT_EQ("", RunDragRow(c_drags[i % std::size(c_drags)])) << c_drags[i % std::size(c_drags)].pszName;
        PaintOverlay(hdc, rcAll, g_tracker);
        if (i == 99)  // the warm-up's end
            nGdi = CountGdiObjects(), cb = PrivateBytes();
    }
    // One object or one 512 x 384 back buffer kept per paint would add thousands, or 2 GB.
    EXPECT_LE(CountGdiObjects(), nGdi + 16);
    EXPECT_LE(PrivateBytes(), cb + (16 << 20));
    DeleteObject(SelectObject(hdc, hOld));
    DeleteDC(hdc);
}
