#include "tests/kit/input.h"

void SendMouseAt(int x, int y, DWORD dwFlags)
{
    // 0..65535 spans the virtual screen: aim at the pixel's middle so rounding cannot miss it.
    int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN), cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT input = { INPUT_MOUSE };
    input.mi.dx = (LONG)(((long long)(x - vx) * 2 + 1) * 65536 / (2LL * cx));
    input.mi.dy = (LONG)(((long long)(y - vy) * 2 + 1) * 65536 / (2LL * cy));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | dwFlags;
    SendInput(1, &input, sizeof(INPUT));
}

void SendKey(WORD wVk, bool bUp)
{
    INPUT input = { INPUT_KEYBOARD };
    input.ki = { wVk, (WORD)MapVirtualKeyW(wVk, MAPVK_VK_TO_VSC), (DWORD)(bUp ? KEYEVENTF_KEYUP : 0) };
    SendInput(1, &input, sizeof(INPUT));
}

void PostMouse(HWND hWnd, UINT uMsg, int x, int y)
{
    WPARAM wButtons = (uMsg == WM_MOUSEMOVE || uMsg == WM_LBUTTONDOWN) ? MK_LBUTTON : 0;
    PostMessageW(hWnd, uMsg, wButtons, MAKELPARAM((WORD)(short)x, (WORD)(short)y));
}
