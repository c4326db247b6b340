#include "tests/kit/input.h"

#include <cstdlib>

static void SendOne(INPUT& input)
{
    SendInput(1, &input, sizeof(INPUT));
}

void SendMouseMoveTo(int x, int y)
{
    // Absolute positions are given in 0..65535 over the virtual screen; aim at
    // the middle of the target pixel so rounding cannot land on a neighbour.
    int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN), cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (LONG)((((long long)(x - vx) * 2 + 1) * 65536) / (2LL * cx));
    input.mi.dy = (LONG)((((long long)(y - vy) * 2 + 1) * 65536) / (2LL * cy));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    SendOne(input);
}

void SendMouseGlide(int x0, int y0, int x1, int y1, int nStep)
{
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        int dx = x1 - x, dy = y1 - y;
        x += (std::abs(dx) > nStep) ? (dx > 0 ? nStep : -nStep) : dx;
        y += (std::abs(dy) > nStep) ? (dy > 0 ? nStep : -nStep) : dy;
        SendMouseMoveTo(x, y);
        Sleep(2);
    }
}

void SendMouseButton(DWORD dwFlags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = dwFlags;
    SendOne(input);
}

void SendLeftClick()
{
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
}

void SendLeftDoubleClick()
{
    SendLeftClick();
    SendLeftClick();
}

void SendKey(WORD wVk, bool bUp)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = wVk;
    input.ki.wScan = (WORD)MapVirtualKeyW(wVk, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = bUp ? KEYEVENTF_KEYUP : 0;
    SendOne(input);
}

void SendKeyPress(WORD wVk)
{
    SendKey(wVk, false);
    SendKey(wVk, true);
}

void Settle(DWORD dwMs)
{
    DWORD dwStart = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - dwStart < dwMs);
}
