#include "app/globals.h"

WCHAR g_szTitle[100];
WCHAR g_szWindowClass[100];
HWND g_hWndMain;
FrozenFrame g_frame;

RECT g_rcHover;
POINT g_ptPrev;
BOOL g_bLButtonDown;
BOOL g_bNewSelection;
BOOL g_bRunEnding;

// Constructed during static initialisation: reads the handle width from the
// profile and makes the tracker's brush before wWinMain runs.
CXRectTracker g_tracker;
