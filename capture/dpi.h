// A monitor's own DPI, which the process, being per-monitor aware, must ask
// of the monitor: a DC's LOGPIXELSX/Y report the system's DPI on every monitor.
#pragma once

#include <windows.h>

// Where the DPI can be read, newest first; a null entry is one this system
// lacks.
struct DpiSources {
    // user32's GetDpiForWindow (Windows 10, version 1607 on): a per-monitor
    // aware window's DPI is that of the monitor it stands on.
    UINT(WINAPI* pfnForWindow)(HWND hWnd);
    // shcore's GetDpiForMonitor (Windows 8.1 on), asked for the effective DPI.
    HRESULT(WINAPI* pfnForMonitor)(HMONITOR hMonitor, int nType, UINT* pnDpiX, UINT* pnDpiY);
};

// This system's sources. shcore.dll is loaded, from the system folder, only
// where user32 cannot answer.
DpiSources SystemDpiSources();

// The DPI on each axis of hMonitor, over which hWnd stands: from the first
// source that answers, else from hdcMonitor, that monitor's display DC.
SIZE MonitorDpi(const DpiSources& sources, HWND hWnd, HMONITOR hMonitor, HDC hdcMonitor);
