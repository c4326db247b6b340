// The tracker's geometry as tables, its drag loop as rows of posted messages
// on a real window, and a soak that repeats those rows with paints between.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "capture/overlay.h"
#include "tests/kit/input.h"
#include "tests/kit/screen.h"
#include "tracker/geometry.h"

static std::string Str(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

// Each row also with the selection's edges swapped: the geometry is measured on its normal form.
TEST(Geometry, HandleSizesMasksBoxesAndHitCodes)
{
    const struct { RECT rc; float scale; int h; UINT mask; } sizes[] = {
        { { 100, 100, 200, 200 }, 1.0f, 8, 0xFF }, { { 100, 100, 200, 200 }, 1.5f, 12, 0xFF },
        { { 100, 100, 200, 200 }, 2.0f, 16, 0xFF }, { { 100, 100, 120, 200 }, 1.0f, 8, 0xAF },
        { { 100, 100, 110, 110 }, 1.0f, 5, 0x0F }, { { 100, 100, 112, 200 }, 1.25f, 8, 0xAF },
        { { 0, 0, 28, 29 }, 1.0f, 8, 0xAF }, { { 0, 0, 29, 28 }, 1.0f, 8, 0x5F }, { { 5, 5, 5, 5 }, 1.0f, 0, 0x0F },
    };
    for (const auto& row : sizes)
        for (RECT rc : { row.rc, RECT{ row.rc.right, row.rc.bottom, row.rc.left, row.rc.top } }) {
            EXPECT_EQ(HandleSizeFor(rc, 8, row.scale), row.h) << Str(rc) << " at " << row.scale;
            EXPECT_EQ(HandleMaskFor(rc, 8), row.mask) << Str(rc);
        }
    const RECT rcSel = { 100, 100, 200, 200 };
    const RECT boxes[8] = { { 92, 92, 100, 100 },   { 200, 92, 208, 100 }, { 200, 200, 208, 208 },
                            { 92, 200, 100, 208 },  { 146, 92, 154, 100 }, { 200, 146, 208, 154 },
                            { 146, 200, 154, 208 }, { 92, 146, 100, 154 } };
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(Str(HandleBoxFor(rcSel, 8, i)), Str(boxes[i])) << "handle " << i;
    const struct { int x, y, code; } hits[] = {
        { 92, 92, 0 },  { 207, 92, 1 },  { 200, 200, 2 }, { 92, 207, 3 },  { 150, 95, 4 },   { 203, 150, 5 },
        { 150, 205, 6 }, { 95, 150, 7 }, { 150, 150, 8 }, { 99, 130, 8 },  { 200, 130, 8 }, { 98, 130, -1 },
        { 85, 150, -1 }, { 60, 60, -1 }, { 217, 217, -1 },
    };
    for (RECT rc : { rcSel, RECT{ 200, 200, 100, 100 } })
        for (const auto& hit : hits)
            EXPECT_EQ(HitCodeFor(rc, 0xFF, 8, 10, { hit.x, hit.y }), hit.code) << hit.x << "," << hit.y;
    // Where a corner and a middle box overlap (tiny selections) the corner wins.
    EXPECT_EQ(HitCodeFor({ 100, 100, 104, 104 }, 0xFF, 8, 10, { 99, 95 }), TH_TOPLEFT);
}

// A drag: the selection before, the press (hit code and point), what the user
// does while it runs, and the selection it must leave. Bounds 1920 x 1080.
// Steps: M move, U release, E Esc down, K another key down, R right button,
// L the capture lost to another window, Q a quit request.
struct DragRow {
    const char* pszName;
    RECT rcStart;
    int nCode;
    POINT ptPress;
    struct { char op; int x, y; } steps[3];
    RECT rcEnd;
    int nMinimum = 16;
};

const DragRow c_drags[] = {
    { "band grows to the minimum", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { 'M', 105, 104 }, { 'U', 105, 104 } }, { 100, 100, 116, 116 } },
    { "band up and left, normalised", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { 'M', 50, 60 }, { 'U', 50, 60 } }, { 50, 60, 100, 100 } },
    { "band crossing back", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { 'M', 90, 200 }, { 'M', 84, 200 }, { 'U', 84, 200 } }, { 84, 100, 100, 200 } },
    { "resize by a corner", { 100, 100, 300, 250 }, 2, { 300, 250 }, { { 'M', 320, 260 }, { 'M', 380, 290 }, { 'U', 400, 300 } }, { 100, 100, 400, 300 } },
    { "corner stops at the minimum", { 100, 100, 200, 200 }, 0, { 96, 96 }, { { 'M', 195, 190 }, { 'U', 195, 190 } }, { 184, 184, 200, 200 } },
    { "middle handle drives one axis", { 100, 100, 200, 200 }, 5, { 204, 150 }, { { 'M', 300, 400 }, { 'U', 300, 400 } }, { 100, 100, 296, 200 } },
    { "move keeps the size", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { 'M', 155, 152 }, { 'M', 165, 158 }, { 'U', 170, 160 } }, { 120, 110, 220, 210 } },
    { "move against the top left", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { 'M', 20, 20 }, { 'U', 20, 20 } }, { 0, 0, 100, 100 } },
    { "move against the right edge", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { 'M', 1900, 150 }, { 'U', 1900, 150 } }, { 1820, 100, 1920, 200 } },
    { "press and release in place", { 100, 100, 200, 200 }, 2, { 205, 205 }, { { 'U', 205, 205 } }, { 100, 100, 200, 200 } },
    { "flicked band: only the release", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { 'U', 400, 300 } }, { 100, 100, 400, 300 } },
    { "flicked move: only the release", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { 'U', 180, 170 } }, { 130, 120, 230, 220 } },
    { "other keys dropped, Esc restores", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { 'K' }, { 'E' } }, { 100, 100, 200, 200 } },
    { "right button restores", { 100, 100, 200, 200 }, 2, { 204, 204 }, { { 'R' } }, { 100, 100, 200, 200 } },
    { "cancelled band back at its anchor", { 300, 300, 300, 300 }, 2, { 300, 300 }, { { 'M', 500, 450 }, { 'E' } }, { 300, 300, 300, 300 } },
    { "band past the top left stops", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { 'M', -50, -30 }, { 'L' } }, { 0, 0, 100, 100 } },
    { "band far left stops", { 300, 100, 300, 100 }, 2, { 300, 100 }, { { 'M', -200, 300 }, { 'M', -230, 300 }, { 'U', -230, 300 } }, { 0, 100, 300, 300 } },
    { "band past the bottom right stops", { 1800, 1000, 1800, 1000 }, 2, { 1800, 1000 }, { { 'M', 2500, 1500 }, { 'U', 2600, 1600 } }, { 1800, 1000, 1920, 1080 } },
    { "minimum capped at the bounds", { 100, 100, 100, 100 }, 2, { 100, 100 }, { { 'M', 110, 110 }, { 'U', 110, 110 } }, { 100, 0, 1300, 1080 }, 1200 },
    { "lost capture keeps the moves", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { 'M', 160, 170 }, { 'L' } }, { 110, 120, 210, 220 } },
    { "quit ends the drag, posted again", { 100, 100, 200, 200 }, 8, { 150, 150 }, { { 'M', 300, 300 }, { 'Q' } }, { 250, 250, 350, 350 } },
};

static LRESULT CALLBACK DragWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_USER)
        ReleaseCapture();  // the capture lost to another window
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// A visible window of this thread (an invisible one keeps no update region).
static HWND DragWindow()
{
    static HWND s_hWnd = [] {
        WNDCLASSW wc = { 0, DragWindowProc };
        wc.lpszClassName = L"KelvaneDragTest";
        RegisterClassW(&wc);
        HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 64, 64, 0, 0, 0, 0);
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        return hWnd;
    }();
    return s_hWnd;
}

// Runs the row on g_tracker: "" or what went wrong.
static std::string RunDragRow(const DragRow& row)
{
    HWND hWnd = DragWindow();
    bool bQuitPosted = false;
    for (const auto& step : row.steps) {
        switch (step.op) {
        case 'M': case 'U': PostMouse(hWnd, step.op == 'M' ? WM_MOUSEMOVE : WM_LBUTTONUP, step.x, step.y); break;
        case 'E': case 'K': PostKey(hWnd, step.op == 'E' ? VK_ESCAPE : 'A', false); break;
        case 'R': PostMouse(hWnd, WM_RBUTTONDOWN, 0, 0); break;
        case 'L': PostMessageW(hWnd, WM_USER, 0, 0), PostMessageW(hWnd, WM_NULL, 0, 0); break;
        case 'Q': PostQuitMessage(0), bQuitPosted = true; break;
        }
    }
    SetRect(&g_tracker.m_rcBounds, 0, 0, 1920, 1080);
    g_tracker.m_cxMinimum = g_tracker.m_cyMinimum = row.nMinimum;
    g_tracker.m_rcSelection = row.rcStart;
    ValidateRect(hWnd, NULL);
    BOOL bChanged = g_tracker.RunDrag(row.nCode, hWnd, row.ptPress.x, row.ptPress.y);
    std::string problem;
    if (!EqualRect(&g_tracker.m_rcSelection, &row.rcEnd))
        problem += " left " + Str(g_tracker.m_rcSelection) + ", not " + Str(row.rcEnd) + ";";
    if (bChanged != !EqualRect(&row.rcStart, &row.rcEnd) || g_tracker.m_bDragEnding || GetCapture())
        problem += " wrong result, ending flag or capture;";
    if (!GetUpdateRect(hWnd, NULL, FALSE))
        problem += " no repaint asked for;";  // the window would still show the dragged rectangle
    ValidateRect(hWnd, NULL);  // else the queue would hand out WM_PAINT for ever
    MSG msg;
    bool bQuitSeen = false;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        bQuitSeen |= msg.message == WM_QUIT;
    if (bQuitSeen != bQuitPosted)
        problem += " the quit request was not posted again;";
    g_tracker.m_cxMinimum = g_tracker.m_cyMinimum = 16;
    return problem;
}

TEST(DragLoop, Rows)
{
    for (const DragRow& row : c_drags)
        EXPECT_EQ("", RunDragRow(row)) << row.pszName;
}

// The drag rows again and again, each followed by a paint: GDI objects and
// private memory stay where a warm-up left them. The counters are shown to
// see objects and memory come first, so a count that reads 0 cannot pass.
TEST(Soak, DragsAndPaintsLeaveGdiObjectsAndMemoryFlat)
{
    SetProcessDPIAware();
    UseSyntheticCapture(512, 384);
    HDC hdcScreen = GetDC(NULL);
    HDC hdc = CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOld = SelectObject(hdc, CreateCompatibleBitmap(hdcScreen, 512, 384));
    ReleaseDC(NULL, hdcScreen);
    DWORD nGdi = CountGdiObjects();
    HBRUSH ahBrushes[100];
    for (HBRUSH& hBrush : ahBrushes)
        hBrush = CreateSolidBrush(0x123456);
    EXPECT_GE(CountGdiObjects(), nGdi + 100) << "the GDI counter does not see objects";
    for (HBRUSH hBrush : ahBrushes)
        DeleteObject(hBrush);
    SIZE_T cbBefore = PrivateBytes();
    std::vector<char> block(64 << 20, 1);
    EXPECT_GE(PrivateBytes(), cbBefore + (48 << 20)) << "the memory counter does not see 64 MB";
    block = std::vector<char>();

    DWORD anGdi[2];
    SIZE_T acb[2];
    for (int nPass = 0; nPass < 2; nPass++) {
        for (int i = 0; i < (nPass ? 3000 : 100); i++) {
            ASSERT_EQ("", RunDragRow(c_drags[i % (sizeof(c_drags) / sizeof(c_drags[0]))]));
            PaintOverlay(hdc);
        }
        anGdi[nPass] = CountGdiObjects();
        acb[nPass] = PrivateBytes();
        printf("after %s: %lu GDI objects, %.1f MB private\n", nPass ? "3000 drags and paints" : "the warm-up",
               (unsigned long)anGdi[nPass], acb[nPass] / 1048576.0);
    }
    // One object or one 512 x 384 back buffer kept per paint would add thousands, or 2 GB.
    EXPECT_LE(anGdi[1], anGdi[0] + 16);
    EXPECT_LE(acb[1], acb[0] + (16 << 20));
    DeleteObject(SelectObject(hdc, hOld));
    DeleteDC(hdc);
}
