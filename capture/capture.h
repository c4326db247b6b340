// The frozen image of the monitor under the cursor, what is read from that
// monitor once, and the table all dimming is done by.
#pragma once

#include <windows.h>

extern int g_cxScreen;        // captured monitor's width, also the window's; CaptureMonitor
extern int g_cyScreen;        // captured monitor's height, also the window's; CaptureMonitor
extern RECT g_rcMonitor;      // captured monitor in virtual-screen coordinates; CaptureMonitor
extern float g_flScale;       // its display scale, read once: the process is system-DPI aware; CaptureMonitor
extern int g_nDpiY;           // its vertical DPI, which sizes the hint label; CaptureMonitor
extern HDC g_hdcCapture;      // memory DC holding the frozen image for the whole run; CreateFrozenImage
extern HBITMAP g_hbmCapture;  // the frozen image: a 32-bit DIB section, selected into g_hdcCapture
extern BYTE* g_pbCapture;     // its top row's first pixel, read in place by the painter and the export
extern int g_cbCaptureStride; // bytes from one of its rows to the next one down: negative, as it is bottom-up
extern BYTE g_abShade[3][256];  // what the dimming makes of each blue, green and red value; CreateShadeTable

// Freezes the monitor under the cursor and reads its size, place and scale.
// Runs once, while the main window is still hidden. FALSE when the frozen
// image cannot be made.
BOOL CaptureMonitor();

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
