// Input as a user makes it (SendInput) and as posted messages (no focus or pointer needed).
#pragma once

#include <windows.h>

// One absolute pointer event at (x, y), virtual-screen coordinates, with dwFlags (buttons) added.
void SendMouseAt(int x, int y, DWORD dwFlags = 0);
void SendKey(WORD wVk, bool bUp);
// Positions as the system gives them to a window holding the capture: signed 16-bit words.
void PostMouse(HWND hWnd, UINT uMsg, int x, int y);
