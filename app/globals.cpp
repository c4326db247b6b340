#include "app/globals.h"

WCHAR g_szTitle[100];
WCHAR g_szWindowClass[100];
HWND g_hWndMain;

int g_cxScreen;
int g_cyScreen;
RECT g_rcMonitor;
HDC g_hdcCapture;
HBITMAP g_hbmCapture;
HBITMAP g_hbmShade;
HDC g_hdcDimmed;
HBITMAP g_hbmDimmed;

RECT g_rcHover;
RECT g_rcHint;

POINT g_ptPrev;
BOOL g_bLButtonDown;
BOOL g_bNewSelection;
BOOL g_bResultWritten;

// Constructed during static initialisation: reads the handle width from the
// profile and loads the tracker's brush and cursors before wWinMain runs.
CXRectTracker g_tracker;
