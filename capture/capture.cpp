#include "capture/capture.h"

#include "common/gdiguards.h"
#include "app/globals.h"

// Finds the monitor under the cursor (or the nearest one) and opens a display
// DC for that monitor alone. The caller deletes the DC.
static HDC OpenCursorMonitorDC(MONITORINFOEXW* pmi)
{
    POINT pt;
    GetCursorPos(&pt);
    HMONITOR hMonitor = MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST);
    ZeroMemory(pmi, sizeof(*pmi));
    pmi->cbSize = sizeof(*pmi);
    GetMonitorInfoW(hMonitor, pmi);
    return CreateDCW(L"DISPLAY", pmi->szDevice, NULL, NULL);
}

void CaptureMonitor()
{
    MONITORINFOEXW mi;
    ScopedCreatedDC hdcMonitor(OpenCursorMonitorDC(&mi));

    g_cxScreen = mi.rcMonitor.right - mi.rcMonitor.left;
    g_cyScreen = mi.rcMonitor.bottom - mi.rcMonitor.top;
    g_rcMonitor = mi.rcMonitor;
    SetRect(&g_tracker.m_rcBounds, 0, 0, g_cxScreen, g_cyScreen);

    // Both live for the whole run.
    g_hdcCapture = CreateCompatibleDC(hdcMonitor);
    g_hbmCapture = CreateCompatibleBitmap(hdcMonitor, g_cxScreen, g_cyScreen);
    SelectObject(g_hdcCapture, g_hbmCapture);

    // Copy from the screen's DC at the monitor's virtual-screen position rather
    // than from the monitor DC at (0, 0): Wine puts a monitor DC's origin at the
    // virtual screen's origin, so that copy would freeze the first monitor's
    // pixels. On Windows both give the same pixels.
    ScopedWindowDC hdcScreen(NULL);
    BitBlt(g_hdcCapture, 0, 0, g_cxScreen, g_cyScreen,
           hdcScreen, g_rcMonitor.left, g_rcMonitor.top, SRCCOPY);
}

// The dimming: constant alpha 0x50 of black, so every covered channel keeps
// about 175/255 of its value.
static const BLENDFUNCTION c_blendShade = { AC_SRC_OVER, 0, 0x50, 0 };

// Dims a copy of the frozen image once, with the shade stretched over all of
// it: AlphaBlend's own rounding, so the pixels are those a paint would blend.
static void CreateDimmedImage()
{
    // Both live for the whole run.
    g_hdcDimmed = CreateCompatibleDC(g_hdcCapture);
    g_hbmDimmed = CreateCompatibleBitmap(g_hdcCapture, g_cxScreen, g_cyScreen);
    SelectObject(g_hdcDimmed, g_hbmDimmed);
    BitBlt(g_hdcDimmed, 0, 0, g_cxScreen, g_cyScreen, g_hdcCapture, 0, 0, SRCCOPY);

    ScopedMemDC hdcShade(g_hdcCapture);
    ScopedSelect shadeSelected(hdcShade, g_hbmShade);
    AlphaBlend(g_hdcDimmed, 0, 0, g_cxScreen, g_cyScreen, hdcShade, 0, 0, 1, 1, c_blendShade);
}

void CreateShadeBitmap()
{
    if (g_hbmShade)
        return;

    {   // A bitmap is selected into one DC at a time: this one lets go of it here.
        ScopedMemDC hdcTemp(g_hdcCapture);
        // Compatible with the capture DC, not the fresh one, which would be monochrome.
        g_hbmShade = CreateCompatibleBitmap(g_hdcCapture, 1, 1);
        ScopedSelect selected(hdcTemp, g_hbmShade);
        ScopedGdiObject<HBRUSH> hbrBlack(CreateSolidBrush(0x000000));
        RECT rcPixel = { 0, 0, 1, 1 };
        FillRect(hdcTemp, &rcPixel, hbrBlack);
    }
    // The frozen image never changes, so neither does its dimmed form: made
    // here once, every paint copies it instead of blending.
    CreateDimmedImage();
}

float ScaleFromDpi(int nDpiX, int nDpiY)
{
    float mean = ((float)nDpiY + (float)nDpiX) * 0.5f;
    double s = ((double)mean - 96.0) / 24.0 * 0.25 + 1.0;
    if (!(s > 1.0))
        s = 1.0;
    return (float)s;
}

float GetDisplayScale()
{
    MONITORINFOEXW mi;
    ScopedCreatedDC hdcMonitor(OpenCursorMonitorDC(&mi));
    // With no DC both queries yield 0 and the scale clamps to 1.0.
    return ScaleFromDpi(GetDeviceCaps(hdcMonitor, LOGPIXELSX), GetDeviceCaps(hdcMonitor, LOGPIXELSY));
}
