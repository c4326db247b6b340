#include "app/mainwindow.h"

#include "app/globals.h"
#include "app/input.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "export/export.h"

int RunPicker(HINSTANCE hInstance)
{
    // Before any window, DC or monitor query: all coordinates in physical pixels.
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
    wcex.hIcon = LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_OCRKELVANE));
    wcex.hIconSm = LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_SMALL));
    wcex.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wcex.hbrBackground = NULL;  // every paint covers the whole client area
    wcex.lpszClassName = g_szWindowClass;
    RegisterClassExW(&wcex);
}

BOOL CreateMainWindow(HINSTANCE hInstance)
{
    HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW, g_szWindowClass, g_szTitle,
                                WS_POPUP | WS_MAXIMIZEBOX, 0, 0, 0, 0,
                                NULL, NULL, hInstance, NULL);
    if (!hWnd)
        return FALSE;
    g_hWndMain = hWnd;

    // Captured while the window is hidden, so it is not in the picture.
    CaptureMonitor();
    CreateShadeBitmap();
    SetWindowPos(hWnd, HWND_TOPMOST, g_rcMonitor.left, g_rcMonitor.top, g_cxScreen, g_cyScreen, 0);
    ShowWindow(hWnd, SW_SHOWMAXIMIZED);
    UpdateWindow(hWnd);
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
    PaintOverlay(hdc);
    EndPaint(hWnd, &ps);
}

// Only releases act: pressing Esc or Enter does nothing until the key is let go.
static void HandleKeyUp(WPARAM wKey)
{
    if (wKey == VK_ESCAPE)
        PostQuitMessage(0);
    else if (wKey == VK_RETURN)
        ExportSelection();
}

LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // Mouse positions: low and high words of lParam, zero-extended.
    int x = LOWORD(lParam);
    int y = HIWORD(lParam);

    switch (uMsg) {
    case WM_DESTROY:       PostQuitMessage(0); return 0;
    case WM_PAINT:         PaintWindow(hWnd); return 0;
    case WM_SETCURSOR:     HandleSetCursor(LOWORD(lParam)); return 0;
    case WM_KEYUP:         HandleKeyUp(wParam); return 0;
    case WM_MOUSEMOVE:     HandleMouseMove(x, y); return 0;
    case WM_LBUTTONDOWN:   HandleLButtonDown(x, y); return 0;
    case WM_LBUTTONUP:     g_bLButtonDown = FALSE; g_bNewSelection = FALSE; return 0;
    case WM_LBUTTONDBLCLK: ExportSelection(); return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_EXIT) {
            DestroyWindow(hWnd);
            return 0;
        }
        break;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}
