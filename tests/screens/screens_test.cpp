// Each on a display of its own: random input for the real window, and two monitors.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <sstream>

#include "app/globals.h"
#include "app/input.h"
#include "app/mainwindow.h"
#include "tests/kit/counters.h"
#include "tests/kit/driver.h"

// Seeded random input posted to the picker's window over a 400 x 300 frame; a hook sees what its loops take and knows
// what the run must do: end, and write the crop of that moment's selection, or not.
static std::mt19937 s_rng;
static bool s_bQuit, s_bExport;
static RECT s_rcExport;
static int s_nEndedInDrag;

static int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(s_rng); }

// Outside a drag: no selection is all zero; a selection is normalised inside the monitor.
static bool IsNormalisedInside(const RECT& rc)
{
    const RECT rcMonitor = { 0, 0, 400, 300 };
    RECT rcIn;
    return IntersectRect(&rcIn, &rc, &rcMonitor) ? EqualRect(&rcIn, &rc) : IsRectEmpty(&rc) && !rc.left && !rc.top;
}

static LRESULT CALLBACK BeforeMessage(int nCode, WPARAM wParam, LPARAM lParam)
{
    MSG& msg = *reinterpret_cast<MSG*>(lParam);
    const RECT& rc = g_tracker.m_rcSelection;
    if (nCode != HC_ACTION || wParam != PM_REMOVE || msg.hwnd != g_hWndMain || msg.message < WM_KEYFIRST)
        return CallNextHookEx(NULL, nCode, wParam, lParam);
    if (!GetCapture() && !g_tracker.m_bDragEnding && !IsNormalisedInside(rc))
        ADD_FAILURE() << "the selection outside a drag is not normalised inside the monitor";
    if (msg.message == WM_APP && GetCapture())
        ReleaseCapture(), s_nEndedInDrag++;  // the input is over: a drag ends as when another window takes the capture
    if (s_bQuit && !s_bExport)
        msg.message = WM_NULL;  // the quit comes before later input; after an export, input may still come
    else if (!s_bQuit && msg.message == WM_KEYUP && msg.wParam == VK_ESCAPE)
        s_bQuit = true;
    else if (!s_bQuit && rc.left != rc.right && rc.top != rc.bottom &&
             ((msg.message == WM_KEYUP && msg.wParam == VK_RETURN) || msg.message == WM_LBUTTONDBLCLK))
        s_bQuit = s_bExport = true, s_rcExport = rc;  // a drag's edges may stand in reverse order
    return CallNextHookEx(NULL, nCode, wParam, lParam);
}

// Also a soak: its paints leave GDI objects and memory flat (their counters first seen to count).
TEST(Fuzz, RandomInputKeepsTheRunConsistent)
{
    SIZE_T cb = PrivateBytes();
    std::vector<char> block(64 << 20, 1);
    EXPECT_GE(PrivateBytes(), cb + (48 << 20)) << "the memory counter does not see 64 MB";
    block = std::vector<char>();
    DWORD nGdi = CountGdiObjects();
    lstrcpyW(g_szWindowClass, L"OCRKelvane");
    RegisterMainWindowClass(GetModuleHandleW(NULL));
    g_hWndMain = CreateWindowExW(WS_EX_TOOLWINDOW, g_szWindowClass, L"", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, 0);
    SyntheticFrame synthetic(400, 300);
    g_frame = synthetic.frame;
    g_tracker.m_rcBounds = synthetic.frame.rcMonitor;
    EXPECT_GE(CountGdiObjects(), nGdi + 2) << "the GDI counter does not see the frozen image and its DC";
    g_tracker.m_pfnSelectionChanged = ShowSelectionChange;
    SetCursorPos(800, 600);  // the real pointer stays off the window
    HHOOK hHook = SetWindowsHookExW(WH_GETMESSAGE, BeforeMessage, NULL, GetCurrentThreadId());
    std::ostringstream out;
    std::streambuf* pCout = std::cout.rdbuf(out.rdbuf());
    const UINT c_auMsg[] = { WM_MOUSEMOVE, WM_MOUSEMOVE, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP,
                             WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_KEYDOWN, WM_KEYUP };
    const WORD c_awKey[] = { VK_ESCAPE, VK_RETURN, VK_RETURN, 'A' };
    int anEnded[2] = {};  // without, with an export
    for (unsigned uSeed = 1; uSeed <= 300 && !HasFailure(); uSeed++) {
        SCOPED_TRACE("seed " + std::to_string(uSeed));
        Watchdog watchdog("a seed's input", 30000);
        if (uSeed == 30)  // the warm-up's end
            nGdi = CountGdiObjects(), cb = PrivateBytes();
        s_rng.seed(uSeed);
        s_bQuit = s_bExport = false, out.str("");
        g_tracker.m_rcSelection = g_rcHover = {};
        g_bLButtonDown = g_bNewSelection = g_bRunEnding = FALSE;
        SetWindowPos(g_hWndMain, HWND_TOPMOST, 0, 0, 400, 300, SWP_SHOWWINDOW);  // an export hides it
        RedrawWindow(g_hWndMain, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);  // arms a new selection
        POINT pt = { Uniform(0, 399), Uniform(0, 299) };
        // Steps round the one-pixel threshold, or anywhere, past every edge too (negative, or beyond 65000 unsigned).
        for (int n = Uniform(1, 40); n > 0; n--) {
            bool bNear = Uniform(0, 1);
            pt = { bNear ? pt.x + Uniform(-3, 3) : Uniform(-60, 460), bNear ? pt.y + Uniform(-3, 3) : Uniform(-60, 360) };
            UINT uMsg = c_auMsg[Uniform(0, 10)];
            bool bKey = uMsg == WM_KEYDOWN || uMsg == WM_KEYUP;
            PostMessageW(g_hWndMain, uMsg, bKey ? c_awKey[Uniform(0, 3)] : Uniform(0, 3) ? MK_LBUTTON : 0,
                         uMsg == WM_KEYUP ? 0xC0000001 : bKey ? 1 : MAKELPARAM(pt.x, pt.y));
        }
        PostMessageW(g_hWndMain, WM_APP, 0, 0);
        bool bQuit = false;
        for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
            bQuit |= msg.message == WM_QUIT || (TranslateMessage(&msg), DispatchMessageW(&msg), false);
        EXPECT_TRUE(IsNormalisedInside(g_tracker.m_rcSelection) && !GetCapture()) << "after the input's end";
        Image crop;  // stays empty, as the rectangle it is held against, unless an export was due
        std::string failure = s_bExport ? DecodeSinglePngText(out.str(), &crop) : out.str();
        EXPECT_EQ("", failure + CompareCrop(crop, synthetic.image, s_bExport ? s_rcExport : RECT{}));
        EXPECT_EQ(s_bQuit, bQuit) << "the run ended unasked, or did not end";
        anEnded[s_bExport]++;
    }
    std::cout.rdbuf(pCout);
    UnhookWindowsHookEx(hHook);
    // One object, or one back buffer, kept per paint would add hundreds, or hundreds of megabytes.
    EXPECT_LE(CountGdiObjects(), nGdi + 16);
    EXPECT_LE(PrivateBytes(), cb + (16 << 20));
    EXPECT_GT(std::min({ anEnded[0], anEnded[1], s_nEndedInDrag }), 25) << "the mix reaches too few endings of a kind";
}

static BOOL CALLBACK AddRect(HMONITOR, HDC, LPRECT prc, LPARAM lParam)
{
    return reinterpret_cast<std::vector<RECT>*>(lParam)->push_back(*prc), TRUE;
}

// With the cursor on each of two monitors (the second right of the primary, or left at negative coordinates): the
// window covers it, the crop comes from it, a band dragged onto the other stops at its edge (posted: under Wine the
// real pointer entering another X window ends a drag).
TEST(TwoMonitors, TheMonitorUnderTheCursorIsTheOneCaptured)
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(NULL, NULL, AddRect, reinterpret_cast<LPARAM>(&monitors));
    ASSERT_EQ(2u, monitors.size()) << "Wine does not report the two monitors";
    for (const RECT& rc : monitors) {
        const LONG cx = rc.right - rc.left, x = monitors[&rc == &monitors[0]].left < rc.left ? -230 : cx + 230;
        const RECT rcBand = { std::min(300L, std::max(x, 0L)), 100, std::max(300L, std::min(x, cx)), 300 };
        EXPECT_EQ("", RunScript({ { PostedPress(300, 100), PostedMove(302, 102), PostedMove(x, 300), PostedRelease(x, 300),
                                    ShowsSelection(rcBand), KeyPress(VK_RETURN) },
                                  rcBand, StdoutMode::Pipe, -1, false, L"8", c_look96, { rc.right - 100, rc.bottom - 60 } }))
            << "the cursor on the monitor at " << rc.left << ", " << rc.top;
    }
}

// A display change announced with the layout as it was: the run goes on; once the screen is smaller (RandR, which Wine
// takes in but does not announce: the test posts what Windows sends), it ends with nothing written.
TEST(DisplayChange, AChangedLayoutEndsTheRun)
{
    EXPECT_EQ("", RunScript({ { DragFromTo(200, 150, 400, 300), PostedMessage(WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080)),
                                ShowsSelection({ 200, 150, 400, 300 }), ResizeTheDisplay(1280, 1024),
                                PostedMessage(WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024)) },
                              {} }));
}
