// Long runs in one process: many paints and many drags must leave the GDI
// object count and the private memory where they were after a warm-up.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/globals.h"
#include "capture/overlay.h"
#include "tests/kit/screen.h"
#include "tracker/tracker.h"

namespace {

const int c_cxSoak = 512;
const int c_cySoak = 384;
const int c_nPaints = 20000;
const int c_nDrags = 5000;

// A leak of one GDI object per paint or per drag would add thousands; the
// count may move by a few as the system fills its own caches.
const long c_nGdiSlack = 16;
// One leaked 512 x 384 back buffer is 0.75 MB: 22 of them exceed this.
const long long c_cbMemorySlack = 16LL * 1024 * 1024;

struct Usage {
    DWORD nGdi;
    SIZE_T cbPrivate;
};

Usage Measure()
{
    return Usage{ CountGdiObjects(), PrivateBytes() };
}

void Report(const char* pszWhen, const Usage& usage)
{
    std::printf("%-22s GDI objects %5lu, private memory %8.1f MB\n", pszWhen, (unsigned long)usage.nGdi,
                usage.cbPrivate / (1024.0 * 1024.0));
    std::fflush(stdout);
}

void ExpectFlat(const Usage& before, const Usage& after, const char* pszWhat)
{
    EXPECT_LE((long)after.nGdi - (long)before.nGdi, c_nGdiSlack) << pszWhat;
    EXPECT_LE((long long)after.cbPrivate - (long long)before.cbPrivate, c_cbMemorySlack) << pszWhat;
}

// Selections the paints cycle through: none, ordinary, tiny, inverted (as a
// drag leaves it before the release), the whole monitor and one at its corner.
const RECT c_aPaintSelections[] = {
    { 0, 0, 0, 0 },
    { 100, 120, 420, 380 },
    { 300, 300, 303, 302 },
    { 500, 350, 200, 150 },
    { 0, 0, c_cxSoak, c_cySoak },
    { 412, 284, 512, 384 },
    { 5, 5, 5, 5 },
};

// One drag: the selection before, the hit code and press point, the moves
// (the last one is the release) and the selection the drag must leave.
struct DragCase {
    const char* pszName;
    RECT rcStart;
    int nHitCode;
    POINT ptPress;
    POINT aptMoves[3];
    UINT uEnd;          // WM_LBUTTONUP, or WM_KEYDOWN for Esc, WM_RBUTTONDOWN
    RECT rcExpected;
};

const DragCase c_aDrags[] = {
    { "move", { 100, 100, 300, 250 }, TH_INSIDE, { 150, 150 }, { { 155, 152 }, { 165, 158 }, { 170, 160 } },
      WM_LBUTTONUP, { 120, 110, 320, 260 } },
    { "resize by the bottom-right handle", { 100, 100, 300, 250 }, TH_BOTTOMRIGHT, { 300, 250 },
      { { 320, 260 }, { 380, 290 }, { 400, 300 } }, WM_LBUTTONUP, { 100, 100, 400, 300 } },
    { "band up and to the left", { 50, 50, 50, 50 }, TH_BOTTOMRIGHT, { 50, 50 },
      { { 45, 45 }, { 30, 35 }, { 20, 30 } }, WM_LBUTTONUP, { 20, 30, 50, 50 } },
    { "move cancelled by Esc", { 100, 100, 300, 250 }, TH_INSIDE, { 150, 150 },
      { { 160, 160 }, { 190, 190 }, { 200, 200 } }, WM_KEYDOWN, { 100, 100, 300, 250 } },
    { "resize cancelled by the right button", { 100, 100, 300, 250 }, TH_LEFT, { 100, 175 },
      { { 90, 175 }, { 60, 175 }, { 50, 175 } }, WM_RBUTTONDOWN, { 100, 100, 300, 250 } },
    { "move far past the top-left corner", { 100, 100, 300, 250 }, TH_INSIDE, { 150, 150 },
      { { 0, 0 }, { -300, -200 }, { -500, -500 } }, WM_LBUTTONUP, { 0, 0, 200, 150 } },
    { "move past the bottom-right corner", { 100, 100, 300, 250 }, TH_INSIDE, { 150, 150 },
      { { 700, 500 }, { 1000, 900 }, { 1200, 1000 } }, WM_LBUTTONUP, { 312, 234, 512, 384 } },
};

void PostMouse(HWND hWnd, UINT uMsg, POINT pt)
{
    PostMessageW(hWnd, uMsg, 0, MAKELPARAM((WORD)(short)pt.x, (WORD)(short)pt.y));
}

// Posts the drag's messages to the window's queue, then runs the drag, which
// takes them from there.
RECT RunDragCase(HWND hWnd, const DragCase& drag)
{
    g_tracker.m_rcSelection = drag.rcStart;
    for (int i = 0; i < 2; i++)
        PostMouse(hWnd, WM_MOUSEMOVE, drag.aptMoves[i]);
    if (drag.uEnd == WM_LBUTTONUP) {
        PostMouse(hWnd, WM_MOUSEMOVE, drag.aptMoves[2]);
        PostMouse(hWnd, WM_LBUTTONUP, drag.aptMoves[2]);
    } else if (drag.uEnd == WM_KEYDOWN) {
        PostMouse(hWnd, WM_MOUSEMOVE, drag.aptMoves[2]);
        PostMessageW(hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
    } else {
        PostMouse(hWnd, WM_MOUSEMOVE, drag.aptMoves[2]);
        PostMouse(hWnd, WM_RBUTTONDOWN, drag.aptMoves[2]);
    }
    g_tracker.RunDrag(drag.nHitCode, hWnd, drag.ptPress.x, drag.ptPress.y);
    return g_tracker.m_rcSelection;
}

// A hidden window of this thread: it takes the capture and receives the
// posted messages, but shows nothing and takes no input from the display.
HWND CreateDragWindow()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"KelvaneSoakDrag";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, c_cxSoak, c_cySoak, NULL, NULL,
                           wc.hInstance, NULL);
}

// The sum of all channels of a 20 x 20 block: a measure of its brightness.
long ChannelSum(HDC hdc, int x0, int y0)
{
    long nSum = 0;
    for (int y = y0; y < y0 + 20; y++)
        for (int x = x0; x < x0 + 20; x++) {
            COLORREF cr = GetPixel(hdc, x, y);
            nSum += GetRValue(cr) + GetGValue(cr) + GetBValue(cr);
        }
    return nSum;
}

bool Equal(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class SoakTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetProcessDPIAware();
        UseSyntheticCapture(c_cxSoak, c_cySoak);
    }
};

TEST_F(SoakTest, TheCountersSeeObjectsAndMemoryComeAndGo)
{
    // Without this the flat figures below would prove nothing.
    Usage before = Measure();
    ASSERT_GT(before.nGdi, 0u) << "no way to count GDI objects";
    ASSERT_GT(before.cbPrivate, 0u) << "no way to measure private memory";
    HBRUSH ahBrushes[10];
    for (HBRUSH& h : ahBrushes)
        h = CreateSolidBrush(RGB(1, 2, 3));
    HDC hdcScreen = GetDC(NULL);
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    HBITMAP hbmBig = CreateCompatibleBitmap(hdcScreen, 2000, 2000);
    HGDIOBJ hOld = SelectObject(hdcMem, hbmBig);
    PatBlt(hdcMem, 0, 0, 2000, 2000, WHITENESS);  // the pages are used, not only reserved
    Usage during = Measure();
    EXPECT_GE(during.nGdi, before.nGdi + 12);
    EXPECT_GE((long long)during.cbPrivate - (long long)before.cbPrivate, 15LL * 1000 * 1000);
    SelectObject(hdcMem, hOld);
    DeleteObject(hbmBig);
    DeleteDC(hdcMem);
    ReleaseDC(NULL, hdcScreen);
    for (HBRUSH h : ahBrushes)
        DeleteObject(h);
    EXPECT_LE(Measure().nGdi, before.nGdi);
}

TEST_F(SoakTest, TwentyThousandPaintsLeaveGdiObjectsAndMemoryFlat)
{
    HDC hdcScreen = GetDC(NULL);
    HDC hdcTarget = CreateCompatibleDC(hdcScreen);
    HBITMAP hbmTarget = CreateCompatibleBitmap(hdcScreen, c_cxSoak, c_cySoak);
    SelectObject(hdcTarget, hbmTarget);
    ReleaseDC(NULL, hdcScreen);
    const int nSelections = sizeof(c_aPaintSelections) / sizeof(c_aPaintSelections[0]);

    auto paint = [&](int i) {
        g_tracker.m_rcSelection = c_aPaintSelections[i % nSelections];
        SetRectEmpty(&g_rcHover);
        PaintOverlay(hdcTarget);
    };
    for (int i = 0; i < 200; i++)  // warm-up: the pen, font caches, heaps
        paint(i);
    Usage start = Measure();
    Report("after 200 paints", start);
    DWORD dwStart = GetTickCount();
    for (int i = 0; i < c_nPaints; i++) {
        paint(i);
        if ((i + 1) % 5000 == 0) {
            char szWhen[64];
            std::snprintf(szWhen, sizeof(szWhen), "after %d more paints", i + 1);
            Report(szWhen, Measure());
        }
    }
    DWORD dwMs = GetTickCount() - dwStart;
    std::printf("%d paints of %d x %d took %lu ms (%.2f ms each)\n", c_nPaints, c_cxSoak, c_cySoak,
                (unsigned long)dwMs, dwMs / (double)c_nPaints);

    // The paints really draw: inside the selection the frozen image shows
    // undimmed, outside it is darker.
    g_tracker.m_rcSelection = c_aPaintSelections[1];
    PaintOverlay(hdcTarget);
    EXPECT_EQ(GetPixel(hdcTarget, 250, 250), GetPixel(g_hdcCapture, 250, 250));
    EXPECT_LT(ChannelSum(hdcTarget, 450, 330), ChannelSum(g_hdcCapture, 450, 330) * 3 / 4);
    ExpectFlat(start, Measure(), "paints");

    DeleteDC(hdcTarget);
    DeleteObject(hbmTarget);
    g_tracker.m_rcSelection = RECT{};
}

TEST_F(SoakTest, FiveThousandDragsLeaveGdiObjectsAndMemoryFlat)
{
    HWND hWnd = CreateDragWindow();
    ASSERT_TRUE(hWnd);
    const int nCases = sizeof(c_aDrags) / sizeof(c_aDrags[0]);
    for (int i = 0; i < 2 * nCases; i++) {  // warm-up, and every case checked once
        const DragCase& drag = c_aDrags[i % nCases];
        RECT rc = RunDragCase(hWnd, drag);
        ASSERT_TRUE(Equal(rc, drag.rcExpected))
            << drag.pszName << ": (" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")";
    }
    Usage start = Measure();
    Report("after the warm-up drags", start);
    int nWrong = 0;
    DWORD dwStart = GetTickCount();
    for (int i = 0; i < c_nDrags; i++) {
        const DragCase& drag = c_aDrags[i % nCases];
        if (!Equal(RunDragCase(hWnd, drag), drag.rcExpected))
            nWrong++;
        ASSERT_EQ(GetCapture(), (HWND)NULL) << "drag " << i << " kept the capture";
    }
    DWORD dwMs = GetTickCount() - dwStart;
    Usage end = Measure();
    Report("after 5000 drags", end);
    std::printf("%d drags took %lu ms\n", c_nDrags, (unsigned long)dwMs);
    EXPECT_EQ(nWrong, 0) << "drags that left another selection than expected";
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, hWnd, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE))
        << "a drag left mouse messages in the queue";
    ExpectFlat(start, end, "drags");
    DestroyWindow(hWnd);
    g_tracker.m_rcSelection = RECT{};
}

}  // namespace
