// Start-up, the main window and the message loop.
#pragma once

#include <windows.h>

// The whole run: start-up, then the message loop. Returns the exit status.
int RunPicker(HINSTANCE hInstance);

void RegisterMainWindowClass(HINSTANCE hInstance);
// Creates the window hidden over the monitor under the cursor, freezes that
// monitor, shows the window topmost over it, paints the first frame and takes
// the foreground. FALSE when the window cannot be created or the frozen image
// cannot be made.
BOOL CreateMainWindow(HINSTANCE hInstance);
// Puts the window topmost, exactly over the captured monitor.
void PlaceOverMonitor(HWND hWnd);
// Whether the window stands exactly over the captured monitor.
bool StandsOverMonitor(HWND hWnd);
// Runs until the quit message; returns its value.
int RunMessageLoop(HACCEL hAccel);

LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
