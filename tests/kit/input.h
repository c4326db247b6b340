// Real input through SendInput, as a user's mouse and keyboard make it.
#pragma once

#include <windows.h>

// Moves the pointer to (x, y) in virtual-screen coordinates.
void SendMouseMoveTo(int x, int y);
// Moves there in steps of at most nStep pixels per axis.
void SendMouseGlide(int x0, int y0, int x1, int y1, int nStep);
void SendMouseButton(DWORD dwFlags);   // MOUSEEVENTF_LEFTDOWN, ...
void SendLeftClick();
void SendLeftDoubleClick();
void SendKey(WORD wVk, bool bUp);
void SendKeyPress(WORD wVk);           // down, then up
// Lets input reach its destination: waits and pumps this thread's messages.
void Settle(DWORD dwMs = 150);
