// The frozen image of the monitor under the cursor, what is read from that
// monitor once, and the table all dimming is done by.
#pragma once

#include <windows.h>

extern int g_cxScreen;        // captured monitor's width, also the window's; FindCursorMonitor
extern int g_cyScreen;        // captured monitor's height, also the window's; FindCursorMonitor
extern RECT g_rcMonitor;      // captured monitor in virtual-screen coordinates; FindCursorMonitor
extern float g_flScale;       // its display scale, from its own DPI, read once; CaptureMonitor
extern int g_nDpiY;           // its vertical DPI, which sizes the hint label; CaptureMonitor
extern HDC g_hdcCapture;      // memory DC holding the frozen image for the whole run; CreateFrozenImage
extern HBITMAP g_hbmCapture;  // the frozen image: a 32-bit DIB section, selected into g_hdcCapture
extern BYTE* g_pbCapture;     // its top row's first pixel, read in place by the painter and the export
extern int g_cbCaptureStride; // bytes from one of its rows to the next one down: negative, as it is bottom-up
extern BYTE g_abShade[3][256];  // what the dimming makes of each blue, green and red value; CreateShadeTable

// The monitor under the cursor, or the nearest one: notes where it stands
// and how large it is (g_rcMonitor, g_cxScreen, g_cyScreen), so that the
// window can be made over it.
HMONITOR FindCursorMonitor();

// Freezes hMonitor, and reads its scale, once, while hWnd, made over it, is
// still hidden. FALSE when the frozen image cannot be made.
BOOL CaptureMonitor(HMONITOR hMonitor, HWND hWnd);

// Whether a monitor still stands exactly at rcCaptured, as large as it was:
// after a display change the frozen image may belong to no monitor.
BOOL IsMonitorAsCaptured(const RECT& rcCaptured);

// Makes the frozen image, cx x cy, blank, and its DC; the capture's one
// allocation. FALSE, with nothing made, when it cannot be had.
BOOL CreateFrozenImage(HDC hdcLike, int cx, int cy);

// Fills g_abShade by blending black from a 1x1 shade bitmap over a ramp of
// every channel value. Runs once, after the frozen image is made; FALSE when
// the bitmaps cannot be made.
BOOL CreateShadeTable();

// The display scale of a monitor of that DPI: the mean of both axes over 96,
// at least 1.0.
float ScaleFromDpi(int nDpiX, int nDpiY);
