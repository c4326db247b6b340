// Start-up, the main window and the message loop.
#pragma once

#include <windows.h>

// Command that destroys the window and so ends the run (from any sender).
const UINT IDM_EXIT = 105;
// Command of the two accelerators; it has no handler.
const UINT IDM_ABOUT = 104;

const UINT IDS_APP_TITLE = 103;
const UINT IDC_OCRKELVANE = 109;   // window class string and accelerator table
const UINT IDI_OCRKELVANE = 107;
const UINT IDI_SMALL = 108;

// The whole run: start-up, then the message loop. Returns the exit status.
int RunPicker(HINSTANCE hInstance);

void RegisterMainWindowClass(HINSTANCE hInstance);
// Creates the window hidden, freezes the monitor under the cursor, places the
// window topmost over it and paints the first frame. FALSE only when the window
// cannot be created.
BOOL CreateMainWindow(HINSTANCE hInstance);
// Runs until the quit message; returns its value.
int RunMessageLoop(HACCEL hAccel);

LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
