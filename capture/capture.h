// Freezing the monitor under the cursor into a frame.
#pragma once

#include <windows.h>

#include "capture/frame.h"

// The monitor under the cursor, or the nearest one, and its rectangle in
// virtual-screen coordinates: the window is made over it before it is frozen.
HMONITOR FindCursorMonitor(RECT* prcMonitor);

// Freezes hMonitor into *pFrame, with its rectangle, scale and DPI read once,
// while hWnd, made over it, is still hidden. FALSE, with nothing made, when
// the frozen image cannot be had. The shade table is made apart.
BOOL CaptureMonitor(HMONITOR hMonitor, HWND hWnd, FrozenFrame* pFrame);

// The frame's image, cx x cy, blank, and its DC: the capture's one
// allocation. FALSE, with nothing made, when it cannot be had.
BOOL CreateFrozenImage(HDC hdcLike, int cx, int cy, FrozenFrame* pFrame);

// Deletes the frame's DC and image. The run's frame goes with the process
// instead; a frame made for a test or a measurement goes here.
void ReleaseFrame(FrozenFrame* pFrame);

// The display scale of a monitor of that DPI: the mean of both axes over 96,
// at least 1.0.
float ScaleFromDpi(int nDpiX, int nDpiY);

// Whether a monitor still stands exactly at rcCaptured, as large as it was:
// after a display change the frozen image may belong to no monitor.
BOOL IsMonitorAsCaptured(const RECT& rcCaptured);
