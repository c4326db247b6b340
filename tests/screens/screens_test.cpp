// Tests that need a display of their own (own-display.sh): random input for
// the real window, a 7680 x 4320 monitor and two monitors side by side.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <sstream>

#include "app/globals.h"
#include "app/mainwindow.h"
#include "tests/kit/driver.h"
#include "tests/kit/screen.h"

namespace {

// Seeded random mouse and key messages posted to a window of the program's
// class over a synthetic 400 x 300 capture and pumped as its loops pump them;
// a hook sees each message a loop takes before it is handled.
std::mt19937 s_rng;
bool s_bQuit, s_bExport;  // what the run must do
RECT s_rcExport;
std::string s_failure;

int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(s_rng); }

LRESULT CALLBACK BeforeMessage(int nCode, WPARAM wParam, LPARAM lParam)
{
    MSG& msg = *reinterpret_cast<MSG*>(lParam);
    RECT rc = g_tracker.m_rcSelection;
    if (nCode != HC_ACTION || wParam != PM_REMOVE || msg.hwnd != g_hWndMain || msg.message < WM_KEYFIRST)
        return CallNextHookEx(NULL, nCode, wParam, lParam);
    if (!GetCapture() && !(0 <= rc.left && rc.left <= rc.right && rc.right <= 400 && 0 <= rc.top &&
                           rc.top <= rc.bottom && rc.bottom <= 300 && !g_tracker.m_bDragEnding))
        s_failure += "the selection outside a drag is not normalised inside the monitor; ";
    if (msg.message == WM_APP && GetCapture())
        ReleaseCapture();  // the input is over: a drag ends as when another window takes the capture
    SetRect(&rc, std::min(rc.left, rc.right), std::min(rc.top, rc.bottom), std::max(rc.left, rc.right),
            std::max(rc.top, rc.bottom));
    if (s_bQuit && !s_bExport && msg.message != WM_APP)
        msg.message = WM_NULL;  // the quit comes before later input; after an export, input may still reach it
    else if (!s_bQuit && msg.message == WM_KEYUP && msg.wParam == VK_ESCAPE)
        s_bQuit = true;
    else if (!s_bQuit && !IsRectEmpty(&rc) &&
             ((msg.message == WM_KEYUP && msg.wParam == VK_RETURN) || msg.message == WM_LBUTTONDBLCLK))
        s_bQuit = s_bExport = true, s_rcExport = rc;
    return CallNextHookEx(NULL, nCode, wParam, lParam);
}

TEST(Fuzz, RandomInputKeepsTheRunConsistent)
{
    HINSTANCE hInstance = GetModuleHandleW(NULL);
    lstrcpyW(g_szWindowClass, L"OCRKelvane");
    RegisterMainWindowClass(hInstance);
    g_hWndMain = CreateWindowExW(WS_EX_TOOLWINDOW, g_szWindowClass, L"", WS_POPUP, 0, 0, 0, 0, NULL, NULL, hInstance, 0);
    Image frozen = UseSyntheticCapture(400, 300);
    SetCursorPos(800, 600);  // the real pointer stays off the window
    SetWindowPos(g_hWndMain, HWND_TOPMOST, 0, 0, 400, 300, SWP_SHOWWINDOW);
    HHOOK hHook = SetWindowsHookExW(WH_GETMESSAGE, BeforeMessage, NULL, GetCurrentThreadId());
    std::ostringstream out;
    std::streambuf* pCout = std::cout.rdbuf(out.rdbuf());
    const UINT c_auMsg[] = { WM_MOUSEMOVE, WM_MOUSEMOVE, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP,
                             WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_KEYDOWN, WM_KEYUP };
    const WORD c_awKey[] = { VK_ESCAPE, VK_RETURN, VK_RETURN, 'A' };
    int anEnded[2] = {};  // without, with an export
    for (unsigned uSeed = 1; uSeed <= 300 && !HasFailure(); uSeed++) {
        s_rng.seed(uSeed);
        s_bQuit = s_bExport = false, s_failure.clear(), out.str("");
        g_tracker.m_rcSelection = g_rcHover = {};
        g_bLButtonDown = g_bNewSelection = g_bResultWritten = FALSE;
        RedrawWindow(g_hWndMain, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);  // arms a new selection
        POINT pt = { Uniform(0, 399), Uniform(0, 299) };
        for (int n = Uniform(1, 40); n > 0; n--) {
            // Steps round the one-pixel threshold, or anywhere with the edges often.
            bool bNear = Uniform(0, 1);
            pt = { std::clamp<LONG>(bNear ? pt.x + Uniform(-3, 3) : Uniform(-40, 440), 0, 399),
                   std::clamp<LONG>(bNear ? pt.y + Uniform(-3, 3) : Uniform(-40, 340), 0, 299) };
            UINT uMsg = c_auMsg[Uniform(0, 10)];
            bool bKey = uMsg == WM_KEYDOWN || uMsg == WM_KEYUP;
            PostMessageW(g_hWndMain, uMsg, bKey ? c_awKey[Uniform(0, 3)] : MK_LBUTTON,
                         uMsg == WM_KEYUP ? 0xC0000001 : bKey ? 1 : MAKELPARAM(pt.x, pt.y));
        }
        PostMessageW(g_hWndMain, WM_APP, 0, 0);
        bool bQuit = false;
        for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
            bQuit = msg.message == WM_QUIT || (TranslateMessage(&msg), DispatchMessageW(&msg), bQuit);
        Image crop;
        std::string text = out.str(), failure = s_bExport ? DecodeSinglePngText(text, &crop) : text;
        if (s_bExport && failure.empty())
            failure = CompareCrop(crop, frozen, s_rcExport.left, s_rcExport.top);
        EXPECT_EQ(s_bQuit, bQuit) << "seed " << uSeed << ": the run ended unasked, or did not end";
        EXPECT_EQ("", s_failure + failure) << "seed " << uSeed;
        anEnded[s_bExport]++;
    }
    std::cout.rdbuf(pCout);
    UnhookWindowsHookEx(hHook);
    EXPECT_GT(std::min(anEnded[0], anEnded[1]), 25) << "the mix reaches both endings, or the checks saw too little";
}

TEST(Huge, AWholeMonitorExportFitsA32BitAddressSpace)
{
    if (sizeof(void*) != 4)
        GTEST_SKIP() << "a 64-bit picker has no 32-bit address space to fit the 7680 x 4320 export in";
    // Posted: the pointer cannot reach the corner beyond the last pixel.
    EXPECT_EQ("", RunScript({ 3840, 2160 },
                            { { Act::PostMouse, WM_LBUTTONDOWN }, { Act::PostMouse, WM_MOUSEMOVE, 2, 2 },
                              { Act::PostMouse, WM_LBUTTONUP, 7680, 4320 }, { Act::Key, VK_RETURN } },
                            { 0, 0, 7680, 4320 }));
}

// The cursor on the second monitor: the window covers it and the crop comes
// from it; a band whose corner is dragged onto the first monitor stops at its
// own edge (posted: under Wine the real pointer entering another X window ends a drag).
TEST(TwoMonitors, TheMonitorUnderTheCursorIsTheOneCaptured)
{
    ASSERT_EQ(2, GetSystemMetrics(SM_CMONITORS)) << "Wine does not report the two monitors";
    EXPECT_EQ("", RunScript({ 1900, 700 },
                            { { Act::PostMouse, WM_LBUTTONDOWN, 300, 100 }, { Act::PostMouse, WM_MOUSEMOVE, 302, 102 },
                              { Act::PostMouse, WM_MOUSEMOVE, -200, 300 }, { Act::PostMouse, WM_MOUSEMOVE, -230, 300 },
                              { Act::PostMouse, WM_LBUTTONUP, -230, 300 }, { Act::Shows, 0, 100, 300, 300 },
                              { Act::Key, VK_RETURN } },
                            { 0, 100, 300, 300 }));
}

}  // namespace
