// The state of the run. Every coordinate here except g_rcMonitor is a client
// coordinate of the main window, i.e. a pixel of the captured monitor.
#pragma once

#include <windows.h>

#include "tracker/tracker.h"

extern WCHAR g_szTitle[100];        // window title, string 103; written by wWinMain's start-up
extern WCHAR g_szWindowClass[100];  // window class name, string 109; written by start-up
extern HWND g_hWndMain;             // the one main window; written once by CreateMainWindow

extern int g_cxScreen;              // captured monitor's width, also the window's; CaptureMonitor
extern int g_cyScreen;              // captured monitor's height, also the window's; CaptureMonitor
extern RECT g_rcMonitor;            // captured monitor in virtual-screen coordinates; CaptureMonitor
extern HDC g_hdcCapture;            // memory DC holding the frozen image for the whole run; CaptureMonitor
extern HBITMAP g_hbmCapture;        // the frozen image, selected into g_hdcCapture; CaptureMonitor
extern HBITMAP g_hbmShade;          // 1x1 black bitmap, source of all dimming; CreateShadeBitmap
extern HDC g_hdcDimmed;             // memory DC holding the dimmed image for the whole run; CreateShadeBitmap
extern HBITMAP g_hbmDimmed;         // the frozen image dimmed once, selected into g_hdcDimmed; CreateShadeBitmap

extern RECT g_rcHover;              // whole window while no selection exists (set by painting),
                                    // emptied by a press: non-blank means "a press arms a new selection"
extern RECT g_rcHint;               // hint label anchor (left, top); written by every paint

extern POINT g_ptPrev;              // last press or mouse move handled outside a drag; input handlers
extern BOOL g_bLButtonDown;         // set by every handled press, cleared by WM_LBUTTONUP
extern BOOL g_bNewSelection;        // a press armed a new selection; cleared by release or a band
extern BOOL g_bResultWritten;       // the run's one text has been written; ExportSelection

extern CXRectTracker g_tracker;     // the selection of the run; constructed before wWinMain
