#include "app/mainwindow.h"

#include <algorithm>

#include "app/globals.h"
#include "app/input.h"
#include "app/run.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "capture/shade.h"
#include "res/resource.h"

int RunPicker(HINSTANCE hInstance)
{
    // Before any window, DC or monitor query: all coordinates in physical
    // pixels. The manifest has made the process per-monitor aware where the
    // system reads it, and then this changes nothing; it serves systems that
    // read neither.
    SetProcessDPIAware();
    LoadStringW(hInstance, IDS_APP_TITLE, g_szTitle, 100);
    LoadStringW(hInstance, IDC_OCRKELVANE, g_szWindowClass, 100);
    RegisterMainWindowClass(hInstance);
    if (!CreateMainWindow(hInstance))
        return 0;

    HACCEL hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDC_OCRKELVANE));
    return RunMessageLoop(hAccel);
}

void RegisterMainWindowClass(HINSTANCE hInstance)
{
    WNDCLASSEXW wcex = {};
    wcex.cbSize = sizeof(wcex);
    wcex.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wcex.lpfnWndProc = MainWindowProc;
    wcex.hInstance = hInstance;
    wcex.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wcex.hbrBackground = NULL;  // every paint covers what it is asked to
    wcex.lpszClassName = g_szWindowClass;
    RegisterClassExW(&wcex);
}

// Ends a start-up that cannot go on: said on the debugger output, nothing written.
static BOOL StartupFailed(const char* pszWhat)
{
    EndRunFailed(pszWhat);
    return FALSE;
}

void PlaceOverMonitor(HWND hWnd)
{
    const RECT& rc = g_frame.rcMonitor;
    SetWindowPos(hWnd, HWND_TOPMOST, rc.left, rc.top, g_frame.cx, g_frame.cy, 0);
}

bool StandsOverMonitor(HWND hWnd)
{
    RECT rc;
    return GetWindowRect(hWnd, &rc) && EqualRect(&rc, &g_frame.rcMonitor);
}

// Shown maximised, made topmost over the captured monitor. A starter's
// STARTUPINFO may replace the first ShowWindow's command (SW_HIDE, a
// minimised show): an overlay left so gets no input and the run never ends.
// A second ShowWindow is the program's own.
static void ShowOverMonitor(HWND hWnd)
{
    ShowWindow(hWnd, SW_SHOWMAXIMIZED);
    if (!IsWindowVisible(hWnd) || IsIconic(hWnd))
        ShowWindow(hWnd, SW_SHOWMAXIMIZED);
    if (!StandsOverMonitor(hWnd))
        PlaceOverMonitor(hWnd);
}

// Windows gives the foreground only to a process its rules allow: one whose
// starter holds it, or the one that made the last input. Started from the
// background, the overlay would show while Enter and Esc went to the window
// below it. An input that changes nothing (no move, no button) makes this
// process the last to have made one, and the request is made again.
static void TakeForeground(HWND hWnd)
{
    if (GetForegroundWindow() == hWnd || SetForegroundWindow(hWnd))
        return;
    INPUT input = {};
    input.type = INPUT_MOUSE;
    SendInput(1, &input, sizeof(input));
    SetForegroundWindow(hWnd);
}

BOOL CreateMainWindow(HINSTANCE hInstance)
{
    // Made hidden and topmost where it will stand: it takes that monitor's DPI
    // from the start, and is shown without being placed again first.
    RECT rc;
    HMONITOR hMonitor = FindCursorMonitor(&rc);
    HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, g_szWindowClass, g_szTitle, WS_POPUP | WS_MAXIMIZEBOX,
                                rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                                NULL, NULL, hInstance, NULL);
    if (!hWnd)
        return FALSE;
    g_hWndMain = hWnd;

    // Captured while the window is hidden, so it is not in the picture.
    if (!CaptureMonitor(hMonitor, hWnd, &g_frame))
        return StartupFailed("the frozen image of the monitor could not be made");
    if (!MakeShadeTable(g_frame.hdc, &g_frame.shade))
        return StartupFailed("the shade's bitmaps could not be made");
    SetRect(&g_tracker.m_rcBounds, 0, 0, g_frame.cx, g_frame.cy);
    g_tracker.m_pfnSelectionChanged = ShowSelectionChange;

    ShowOverMonitor(hWnd);
    UpdateWindow(hWnd);
    TakeForeground(hWnd);
    // The class's icons, which the first frame does not need, so after it.
    SetClassLongPtrW(hWnd, GCLP_HICON, (LONG_PTR)LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_OCRKELVANE)));
    SetClassLongPtrW(hWnd, GCLP_HICONSM, (LONG_PTR)LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_SMALL)));
    return TRUE;
}

int RunMessageLoop(HACCEL hAccel)
{
    MSG msg = {};
    BOOL bGot;
    // GetMessageW returns -1 on error: that ends the loop too, rather than spinning.
    while ((bGot = GetMessageW(&msg, NULL, 0, 0)) > 0) {
        if (TranslateAcceleratorW(msg.hwnd, hAccel, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (bGot == 0) ? (int)msg.wParam : 0;
}

static void PaintWindow(HWND hWnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    BOOL bPainted = PaintOverlay(hdc, ps.rcPaint, g_frame, g_tracker);
    EndPaint(hWnd, &ps);
    ArmNewSelection();
    if (!bPainted)
        EndRunFailed("the paint's back buffer could not be made");
}

// Only releases act: pressing Esc or Enter does nothing until the key is let go.
static void HandleKeyUp(WPARAM wKey)
{
    if (wKey == VK_ESCAPE)
        EndRun();
    else if (wKey == VK_RETURN)
        ExportSelection();
}

// After a display change the frozen image may belong to no monitor, and the
// window, which each mouse move puts back at the old place, may stand off
// every screen: a run nobody could see or end.
static void HandleDisplayChange()
{
    if (!IsMonitorAsCaptured(g_frame.rcMonitor))
        EndRunFailed("the display changed: the frozen monitor is no longer where and as large as it was");
}

LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // Mouse positions: low and high words of lParam, zero-extended. Outside a
    // drag the mouse cannot leave the window, which covers the monitor: a
    // position beyond it was posted by another program and is held to its edge.
    int x = std::min<int>(LOWORD(lParam), g_frame.cx - 1);
    int y = std::min<int>(HIWORD(lParam), g_frame.cy - 1);

    switch (uMsg) {
    case WM_DESTROY:       EndRun(); return 0;
    case WM_PAINT:         PaintWindow(hWnd); return 0;
    case WM_SETCURSOR:     HandleSetCursor(LOWORD(lParam)); return 0;
    case WM_KEYUP:         HandleKeyUp(wParam); return 0;
    case WM_MOUSEMOVE:     HandleMouseMove(x, y, (wParam & MK_LBUTTON) != 0); return 0;
    case WM_LBUTTONDOWN:   HandleLButtonDown(x, y); return 0;
    case WM_LBUTTONUP:     DropArming(); return 0;
    case WM_LBUTTONDBLCLK: ExportSelection(); return 0;
    case WM_DISPLAYCHANGE: HandleDisplayChange(); return 0;
    case WM_DPICHANGED:    PlaceOverMonitor(hWnd); return 0;  // whatever size a new DPI proposes
    case WM_CANCELMODE:    DropArming(); break;  // and the default, which releases the mouse
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            DropArming();
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_EXIT) {
            DestroyWindow(hWnd);
            return 0;
        }
        break;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}
