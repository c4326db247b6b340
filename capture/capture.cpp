#include "capture/capture.h"

#include <climits>
#include <cstdint>

#include "capture/dpi.h"
#include "common/gdiguards.h"

HMONITOR FindCursorMonitor(RECT* prcMonitor)
{
    POINT pt;
    GetCursorPos(&pt);
    HMONITOR hMonitor = MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(hMonitor, &mi);
    *prcMonitor = mi.rcMonitor;
    return hMonitor;
}

BOOL CaptureMonitor(HMONITOR hMonitor, HWND hWnd, FrozenFrame* pFrame)
{
    MONITORINFOEXW mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(hMonitor, &mi);
    const RECT& rc = mi.rcMonitor;
    ScopedCreatedDC hdcMonitor(CreateDCW(L"DISPLAY", mi.szDevice, NULL, NULL));
    if (!CreateFrozenImage(hdcMonitor, rc.right - rc.left, rc.bottom - rc.top, pFrame))
        return FALSE;
    pFrame->rcMonitor = rc;
    // Read once: the monitor's own DPI, which sizes handles, frame and label.
    SIZE dpi = MonitorDpi(SystemDpiSources(), hWnd, hMonitor, hdcMonitor);
    pFrame->flScale = ScaleFromDpi(dpi.cx, dpi.cy);
    pFrame->nDpiY = dpi.cy > 0 ? dpi.cy : USER_DEFAULT_SCREEN_DPI;

    // Copy from the screen's DC at the monitor's virtual-screen position rather
    // than from the monitor DC at (0, 0): Wine puts a monitor DC's origin at the
    // virtual screen's origin, so that copy would freeze the first monitor's
    // pixels. On Windows both give the same pixels.
    ScopedWindowDC hdcScreen(NULL);
    BitBlt(pFrame->hdc, 0, 0, pFrame->cx, pFrame->cy, hdcScreen, rc.left, rc.top, SRCCOPY);
    GdiFlush();  // its pixels are read directly from now on
    return TRUE;
}

BOOL CreateFrozenImage(HDC hdcLike, int cx, int cy, FrozenFrame* pFrame)
{
    // Past 2 GB a frame is refused here, before size arithmetic of the system's
    // could wrap: a bitmap's size is kept in 32 bits, and no monitor comes near.
    if (cx <= 0 || cy <= 0 || (uint64_t)cx * (uint64_t)cy * 4 > INT_MAX)
        return FALSE;
    // 32-bit rows that the painter and the export read in place; both live for
    // the run. Bottom-up: Wine copies the screen into those nearly twice as fast.
    BITMAPINFO bmi = {};
    bmi.bmiHeader = { sizeof(BITMAPINFOHEADER), cx, cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* pvBits = NULL;
    HBITMAP hbm = CreateDIBSection(hdcLike, &bmi, DIB_RGB_COLORS, &pvBits, NULL, 0);
    HDC hdc = hbm ? CreateCompatibleDC(hdcLike) : NULL;
    if (!hdc) {
        if (hbm)
            DeleteObject(hbm);
        return FALSE;
    }
    SelectObject(hdc, hbm);  // the DC's own 1 x 1 bitmap is not kept
    *pFrame = {};
    pFrame->hdc = hdc;
    pFrame->hbm = hbm;
    pFrame->cx = cx;
    pFrame->cy = cy;
    pFrame->cbStride = -cx * 4;
    pFrame->pbTop = static_cast<BYTE*>(pvBits) - (ptrdiff_t)(cy - 1) * pFrame->cbStride;
    pFrame->flScale = 1.0f;
    pFrame->nDpiY = USER_DEFAULT_SCREEN_DPI;
    return TRUE;
}

void ReleaseFrame(FrozenFrame* pFrame)
{
    if (pFrame->hdc)
        DeleteDC(pFrame->hdc);  // the image is deselected with it
    if (pFrame->hbm)
        DeleteObject(pFrame->hbm);
    *pFrame = {};
}

float ScaleFromDpi(int nDpiX, int nDpiY)
{
    float mean = ((float)nDpiY + (float)nDpiX) * 0.5f;
    double s = ((double)mean - 96.0) / 24.0 * 0.25 + 1.0;
    if (!(s > 1.0))
        s = 1.0;
    return (float)s;
}

BOOL IsMonitorAsCaptured(const RECT& rcCaptured)
{
    HMONITOR hMonitor = MonitorFromRect(&rcCaptured, MONITOR_DEFAULTTONULL);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    return hMonitor && GetMonitorInfoW(hMonitor, &mi) && EqualRect(&mi.rcMonitor, &rcCaptured);
}
