// The globals of a run set up as if a monitor of a given size showing the
// test pattern had been captured, without touching the screen: in-process
// tests paint, drag and export at a size of their choosing.
#pragma once

#include <windows.h>

#include "tests/support/pixels.h"

// Fills g_cxScreen, g_cyScreen, g_rcMonitor (at (0, 0)), g_hdcCapture,
// g_hbmCapture (a bitmap compatible with the screen, as a capture is), the
// tracker's bounds and g_hbmShade. Returns the frozen image as pixels.
Image UseSyntheticCapture(int cx, int cy);

// GDI objects of this process: GetGuiResources where the system counts them;
// where it does not (Wine), the entries of the process's GDI handle table.
// Zero when neither works.
DWORD CountGdiObjects();

// Private bytes of this process: PrivateUsage where the system fills it in,
// else the page-file usage (which Wine reports for the private pages in use).
SIZE_T PrivateBytes();
