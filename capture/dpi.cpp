#include "capture/dpi.h"

#include "common/systemdll.h"

static const int MDT_EFFECTIVE = 0;  // MONITOR_DPI_TYPE's MDT_EFFECTIVE_DPI

DpiSources SystemDpiSources()
{
    DpiSources sources = {};
    if (!FindExport(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow", &sources.pfnForWindow))
        FindExport(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor", &sources.pfnForMonitor);
    return sources;
}

SIZE MonitorDpi(const DpiSources& sources, HWND hWnd, HMONITOR hMonitor, HDC hdcMonitor)
{
    if (UINT nDpi = sources.pfnForWindow ? sources.pfnForWindow(hWnd) : 0)
        return { (LONG)nDpi, (LONG)nDpi };
    UINT nDpiX = 0, nDpiY = 0;
    if (sources.pfnForMonitor && SUCCEEDED(sources.pfnForMonitor(hMonitor, MDT_EFFECTIVE, &nDpiX, &nDpiY)) && nDpiX && nDpiY)
        return { (LONG)nDpiX, (LONG)nDpiY };
    // Systems before 8.1 have one DPI for every monitor. With no DC both are 0.
    return { GetDeviceCaps(hdcMonitor, LOGPIXELSX), GetDeviceCaps(hdcMonitor, LOGPIXELSY) };
}
