// The floor of a picker's start-up, timed beside the picker by the bench: it freezes the monitor under the cursor and
// covers it with a topmost window showing the frozen image as it is (no dimming, label or selection) until WM_CLOSE.
#include <windows.h>

static HDC s_hdcCapture;  // the frozen image, kept for every paint
static int s_cxMonitor, s_cyMonitor;

static LRESULT CALLBACK FloorWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT: {  // one copy covers the whole window: no background to erase first
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        BitBlt(hdc, 0, 0, s_cxMonitor, s_cyMonitor, s_hdcCapture, 0, 0, SRCCOPY);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;  // also where WM_CLOSE ends, through DefWindowProc
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    SetProcessDPIAware();
    POINT ptCursor;
    GetCursorPos(&ptCursor);
    MONITORINFO mi = { sizeof(mi) };
    GetMonitorInfoW(MonitorFromPoint(ptCursor, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& rc = mi.rcMonitor;
    s_cxMonitor = rc.right - rc.left, s_cyMonitor = rc.bottom - rc.top;  // physical pixels: the process is DPI aware
    // No cursor, icon or background of its own: the least a window needs. Made hidden before the capture, so that
    // it is not in the picture, and shown once the capture is done.
    WNDCLASSW wc = { 0, FloorWindowProc, 0, 0, hInstance, NULL, NULL, NULL, NULL, L"KelvaneFloor" };
    RegisterClassW(&wc);
    HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, rc.left, rc.top,
                                s_cxMonitor, s_cyMonitor, NULL, NULL, hInstance, NULL);
    if (!hWnd)
        return 1;
    HDC hdcScreen = GetDC(NULL);  // one copy of the monitor, at its virtual-screen position
    s_hdcCapture = CreateCompatibleDC(hdcScreen);
    SelectObject(s_hdcCapture, CreateCompatibleBitmap(hdcScreen, s_cxMonitor, s_cyMonitor));
    BitBlt(s_hdcCapture, 0, 0, s_cxMonitor, s_cyMonitor, hdcScreen, rc.left, rc.top, SRCCOPY);
    ReleaseDC(NULL, hdcScreen);
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
    for (MSG msg; GetMessageW(&msg, NULL, 0, 0) > 0;)
        DispatchMessageW(&msg);
    return 0;  // the capture's DC and bitmap go with the process
}
