// The floor of a picker's start-up: the least any picker must do before its
// first frame, timed beside the picker by the bench's "startup" part. It
// freezes the monitor under the cursor and covers that monitor with a topmost
// window showing the frozen image as it is: no dimming, no label, no
// selection, no export. A left click or WM_CLOSE ends it.
#include <windows.h>

static HDC s_hdcCapture;  // the frozen image, kept for every paint
static int s_cxMonitor, s_cyMonitor;

static LRESULT CALLBACK FloorWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT: {
        // One copy covers the whole window: no background to erase first.
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        BitBlt(hdc, 0, 0, s_cxMonitor, s_cyMonitor, s_hdcCapture, 0, 0, SRCCOPY);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:  // also where WM_CLOSE ends, through DefWindowProc
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    // Physical pixels for the monitor, the capture and the window.
    SetProcessDPIAware();
    POINT ptCursor;
    GetCursorPos(&ptCursor);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromPoint(ptCursor, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& rc = mi.rcMonitor;
    s_cxMonitor = rc.right - rc.left;
    s_cyMonitor = rc.bottom - rc.top;

    // No cursor, icon or background of its own: the least a window needs.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FloorWindowProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = L"KelvaneFloor";
    RegisterClassW(&wc);
    // Made hidden before the capture, as the picker makes its own, so that it
    // is not in the picture; shown only once the capture is done.
    HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, rc.left, rc.top,
                                s_cxMonitor, s_cyMonitor, NULL, NULL, hInstance, NULL);
    if (!hWnd)
        return 1;

    // One copy of the monitor from the screen's DC, at its virtual-screen position.
    HDC hdcScreen = GetDC(NULL);
    s_hdcCapture = CreateCompatibleDC(hdcScreen);
    SelectObject(s_hdcCapture, CreateCompatibleBitmap(hdcScreen, s_cxMonitor, s_cyMonitor));
    BitBlt(s_hdcCapture, 0, 0, s_cxMonitor, s_cyMonitor, hdcScreen, rc.left, rc.top, SRCCOPY);
    ReleaseDC(NULL, hdcScreen);

    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0)
        DispatchMessageW(&msg);
    // The capture's DC and bitmap go with the process.
    return 0;
}
