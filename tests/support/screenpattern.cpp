#include "tests/support/screenpattern.h"

#include "tests/support/input.h"
#include "tests/support/pixels.h"

ScreenPattern::ScreenPattern(const RECT& rc, uint32_t (*pfnPixel)(int x, int y))
    : m_hbm(MakePatternBitmap(rc.right - rc.left, rc.bottom - rc.top, pfnPixel))
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"TestPattern";
    RegisterClassW(&wc);
    m_hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"TestPattern", L"", WS_POPUP,
                             rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                             NULL, NULL, wc.hInstance, NULL);
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, (LONG_PTR)m_hbm);
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(m_hWnd);
    Settle(300);
}

ScreenPattern::~ScreenPattern()
{
    DestroyWindow(m_hWnd);
    DeleteObject(m_hbm);
    Settle(100);
}

LRESULT CALLBACK ScreenPattern::Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg != WM_PAINT)
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    HDC hdcMem = CreateCompatibleDC(hdc);
    HGDIOBJ hOld = SelectObject(hdcMem, (HBITMAP)GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    RECT rc;
    GetClientRect(hWnd, &rc);
    BitBlt(hdc, 0, 0, rc.right, rc.bottom, hdcMem, 0, 0, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    EndPaint(hWnd, &ps);
    return 0;
}
