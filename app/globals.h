// The state of the run kept by the application. Every coordinate here but the
// frame's monitor rectangle is a client coordinate of the main window, i.e. a
// pixel of the captured monitor.
#pragma once

#include <windows.h>

#include "capture/frame.h"
#include "tracker/tracker.h"

extern WCHAR g_szTitle[100];        // window title, string 103; written by start-up
extern WCHAR g_szWindowClass[100];  // window class name, string 109; written by start-up
extern HWND g_hWndMain;             // the one main window; written once by CreateMainWindow
extern FrozenFrame g_frame;         // the frozen monitor, its scale and shade, handed down; CreateMainWindow

extern RECT g_rcHover;              // whole window while no selection exists (set by every paint and
                                    // mouse move), emptied by a press: non-blank means "a press arms a band"
extern POINT g_ptPrev;              // last press or mouse move handled outside a drag; input handlers
extern BOOL g_bLButtonDown;         // set by every handled press, cleared by WM_LBUTTONUP
extern BOOL g_bNewSelection;        // a press armed a new selection; cleared by release or a band
extern BOOL g_bRunEnding;           // the run's end has been asked for: nothing more is written; EndRun

extern CXRectTracker g_tracker;     // the selection of the run; constructed before wWinMain
