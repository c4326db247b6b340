// Freezing the monitor under the cursor, the shade bitmap and the display scale.
#pragma once

#include <windows.h>

// Freezes the monitor under the cursor into g_hdcCapture / g_hbmCapture, sets
// g_cxScreen, g_cyScreen, g_rcMonitor and the tracker's bounds. Runs once,
// while the main window is still hidden.
void CaptureMonitor();

// Makes g_hbmShade, a 1x1 black bitmap in the frozen image's colour format,
// and with it g_hdcDimmed / g_hbmDimmed, the frozen image dimmed once.
// Runs after CaptureMonitor; a second call changes nothing.
void CreateShadeBitmap();

// The display scale of the monitor under the cursor: the mean of its
// horizontal and vertical DPI over 96, at least 1.0. Looked up on every call.
float GetDisplayScale();

// The scale for a monitor's DPI; the arithmetic of GetDisplayScale.
float ScaleFromDpi(int nDpiX, int nDpiY);
