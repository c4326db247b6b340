// The picker's own window over a pattern, made as its start-up makes it: the time its message handling takes for a
// mouse move over the middle selection, and for each step of dragging it by (4, 3) and back (move and paint).
#include "app/globals.h"
#include "app/mainwindow.h"
#include "bench/timing.h"
#include "tests/kit/driver.h"

static void Pump()  // until no message is left, paints included
{
    for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
        TranslateMessage(&msg), DispatchMessageW(&msg);
}

// In front of the picker's window procedure: after each paint the next step is posted, the time since the last kept.
static WNDPROC s_pfnPicker;
static std::vector<double> s_stepMs;
static int s_nSteps;
static LRESULT CALLBACK Stepper(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    static double s_msLast = NowMs();
    LRESULT lResult = CallWindowProcW(s_pfnPicker, hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_PAINT && s_nSteps > 0) {
        s_stepMs.push_back(NowMs() - s_msLast), s_msLast = NowMs();
        int d = --s_nSteps % 2;  // to the other place: the first step went to (4, 3)
        PostMouse(hWnd, s_nSteps ? WM_MOUSEMOVE : WM_LBUTTONUP, g_frame.cx / 2 + 4 * d, g_frame.cy / 2 + 3 * d,
                  s_nSteps ? MK_LBUTTON : 0);
    }
    return lResult;
}

void BenchInput(int nRuns)
{
    const SIZE size = DisplaySize();
    PatternWindow pattern({ 0, 0, size.cx, size.cy }, TestPattern);
    pattern.WaitUntilShown();
    lstrcpyW(g_szWindowClass, L"OCRKelvane");
    RegisterMainWindowClass(GetModuleHandleW(NULL));
    if (!CreateMainWindow(GetModuleHandleW(NULL)))
        return;
    g_tracker.m_rcSelection = MiddleSelection();
    RedrawWindow(g_hWndMain, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    int n = 0;
    Stats over = Time(nRuns, [&] {
        PostMouse(g_hWndMain, WM_MOUSEMOVE, size.cx / 2 + 100 + (n++ % 2) * 3, size.cy / 2 + 50, 0);
        SendMessageW(g_hWndMain, WM_SETCURSOR, (WPARAM)g_hWndMain, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        Pump();
    });
    s_pfnPicker = (WNDPROC)SetWindowLongPtrW(g_hWndMain, GWLP_WNDPROC, (LONG_PTR)Stepper);
    s_nSteps = 2 * (nRuns / 2) + 3;  // odd, so that the first post goes back to the press point
    PostMouse(g_hWndMain, WM_LBUTTONDOWN, size.cx / 2, size.cy / 2, MK_LBUTTON);
    PostMouse(g_hWndMain, WM_MOUSEMOVE, size.cx / 2 + 4, size.cy / 2 + 3, MK_LBUTTON);
    Pump();
    s_stepMs.erase(s_stepMs.begin());  // it holds the press
    Row("input", "a mouse move over the 800 x 600 selection, nothing dragged (WM_MOUSEMOVE, WM_SETCURSOR)", over);
    Row("input", "a step of dragging the 800 x 600 selection (move and paint)", Summary(s_stepMs));
    DestroyWindow(g_hWndMain);
}
