// The frozen image of the monitor under the cursor, what is read from that
// monitor once, and the shade bitmap all dimming is drawn from.
#pragma once

#include <windows.h>

extern int g_cxScreen;        // captured monitor's width, also the window's; CaptureMonitor
extern int g_cyScreen;        // captured monitor's height, also the window's; CaptureMonitor
extern RECT g_rcMonitor;      // captured monitor in virtual-screen coordinates; CaptureMonitor
extern float g_flScale;       // its display scale, read once: the process is system-DPI aware; CaptureMonitor
extern int g_nDpiY;           // its vertical DPI, which sizes the hint label; CaptureMonitor
extern HDC g_hdcCapture;      // memory DC holding the frozen image for the whole run; CreateFrozenImage
extern HBITMAP g_hbmCapture;  // the frozen image: a 32-bit top-down DIB section, selected into g_hdcCapture
extern BYTE* g_pbCapture;     // its pixels, g_cxScreen x 4 bytes a row, read in place by the export
extern HBITMAP g_hbmShade;    // 1x1 black bitmap, source of all dimming; CreateShadeBitmap

// Freezes the monitor under the cursor and reads its size, place and scale.
// Runs once, while the main window is still hidden. FALSE when the frozen
// image cannot be made.
BOOL CaptureMonitor();

// Makes the frozen image, cx x cy, blank, and its DC; the capture's one
// allocation. FALSE, with nothing made, when it cannot be had.
BOOL CreateFrozenImage(HDC hdcLike, int cx, int cy);

// Makes g_hbmShade in the frozen image's colour format. Runs once, after the
// frozen image is made; FALSE when it cannot be made.
BOOL CreateShadeBitmap();

// The display scale of a monitor of that DPI: the mean of both axes over 96,
// at least 1.0.
float ScaleFromDpi(int nDpiX, int nDpiY);
