#include "capture/capture.h"

#include <climits>
#include <cstdint>

#include "capture/dpi.h"
#include "common/gdiguards.h"

int g_cxScreen;
int g_cyScreen;
RECT g_rcMonitor;
float g_flScale = 1.0f;
int g_nDpiY = USER_DEFAULT_SCREEN_DPI;
HDC g_hdcCapture;
HBITMAP g_hbmCapture;
BYTE* g_pbCapture;
int g_cbCaptureStride;
BYTE g_abShade[3][256];

HMONITOR FindCursorMonitor()
{
    POINT pt;
    GetCursorPos(&pt);
    HMONITOR hMonitor = MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(hMonitor, &mi);
    g_rcMonitor = mi.rcMonitor;
    g_cxScreen = mi.rcMonitor.right - mi.rcMonitor.left;
    g_cyScreen = mi.rcMonitor.bottom - mi.rcMonitor.top;
    return hMonitor;
}

BOOL CaptureMonitor(HMONITOR hMonitor, HWND hWnd)
{
    MONITORINFOEXW mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(hMonitor, &mi);
    ScopedCreatedDC hdcMonitor(CreateDCW(L"DISPLAY", mi.szDevice, NULL, NULL));
    // Read once: the monitor's own DPI, which sizes handles, frame and label.
    SIZE dpi = MonitorDpi(SystemDpiSources(), hWnd, hMonitor, hdcMonitor);
    g_flScale = ScaleFromDpi(dpi.cx, dpi.cy);
    if (dpi.cy > 0)
        g_nDpiY = dpi.cy;
    if (!CreateFrozenImage(hdcMonitor, g_cxScreen, g_cyScreen))
        return FALSE;

    // Copy from the screen's DC at the monitor's virtual-screen position rather
    // than from the monitor DC at (0, 0): Wine puts a monitor DC's origin at the
    // virtual screen's origin, so that copy would freeze the first monitor's
    // pixels. On Windows both give the same pixels.
    ScopedWindowDC hdcScreen(NULL);
    BitBlt(g_hdcCapture, 0, 0, g_cxScreen, g_cyScreen, hdcScreen, g_rcMonitor.left, g_rcMonitor.top, SRCCOPY);
    GdiFlush();  // its pixels are read directly from now on
    return TRUE;
}

BOOL IsMonitorAsCaptured(const RECT& rcCaptured)
{
    HMONITOR hMonitor = MonitorFromRect(&rcCaptured, MONITOR_DEFAULTTONULL);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    return hMonitor && GetMonitorInfoW(hMonitor, &mi) && EqualRect(&mi.rcMonitor, &rcCaptured);
}

BOOL CreateFrozenImage(HDC hdcLike, int cx, int cy)
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
    SelectObject(hdc, hbm);
    g_hdcCapture = hdc;
    g_hbmCapture = hbm;
    g_cbCaptureStride = -cx * 4;
    g_pbCapture = static_cast<BYTE*>(pvBits) - (ptrdiff_t)(cy - 1) * g_cbCaptureStride;
    return TRUE;
}

// The dimming: black at constant alpha 0x50 over each pixel, so that every
// channel keeps about 175/255 of its value. The blend treats each channel of
// each pixel alone, so one blend of a ramp of every value gives a table that
// dims any pixel exactly as blending it would, many times faster.
static const BLENDFUNCTION c_blendShade = { AC_SRC_OVER, 0, 0x50, 0 };

BOOL CreateShadeTable()
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader = { sizeof(BITMAPINFOHEADER), 256, -1, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    DWORD* pRamp = NULL;
    ScopedGdiObject<HBITMAP> hbmRamp(CreateDIBSection(g_hdcCapture, &bmi, DIB_RGB_COLORS, (void**)&pRamp, NULL, 0));
    // Compatible with the capture DC, not a fresh one, which would be monochrome.
    ScopedGdiObject<HBITMAP> hbmShade(CreateCompatibleBitmap(g_hdcCapture, 1, 1));
    ScopedMemDC hdcRamp(g_hdcCapture), hdcShade(g_hdcCapture);
    if (!hbmRamp || !hbmShade || !hdcRamp || !hdcShade)
        return FALSE;
    for (int i = 0; i < 256; i++)
        pRamp[i] = RGB(i, i, i);
    ScopedSelect rampSelected(hdcRamp, hbmRamp), shadeSelected(hdcShade, hbmShade);
    RECT rcPixel = { 0, 0, 1, 1 };
    FillRect(hdcShade, &rcPixel, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    // msimg32's AlphaBlend is this function, forwarded.
    GdiAlphaBlend(hdcRamp, 0, 0, 256, 1, hdcShade, 0, 0, 1, 1, c_blendShade);
    GdiFlush();
    for (int i = 0; i < 256; i++)
        for (int c = 0; c < 3; c++)
            g_abShade[c][i] = (BYTE)(pRamp[i] >> (8 * c));
    return TRUE;
}

float ScaleFromDpi(int nDpiX, int nDpiY)
{
    float mean = ((float)nDpiY + (float)nDpiX) * 0.5f;
    double s = ((double)mean - 96.0) / 24.0 * 0.25 + 1.0;
    if (!(s > 1.0))
        s = 1.0;
    return (float)s;
}
