#include "capture/overlay.h"

#include <cmath>

#include "capture/capture.h"
#include "common/gdiguards.h"
#include "tracker/geometry.h"

const WCHAR c_szHintText[] =
    L"\u53cc\u51fb\u9f20\u6807\u5de6\u952e\u5373\u53ef\u8bc6\u522b";

BOOL PaintOverlay(HDC hdc, const RECT& rcPaint, const CXRectTracker& tracker)
{
    const int cx = rcPaint.right - rcPaint.left, cy = rcPaint.bottom - rcPaint.top;
    if (cx <= 0 || cy <= 0)
        return TRUE;
    ScopedGdiObject<HBITMAP> hbmBack(CreateCompatibleBitmap(hdc, cx, cy));
    ScopedMemDC hdcBack(hdc);
    if (!hbmBack || !hdcBack)
        return FALSE;
    ScopedSelect backSelected(hdcBack, hbmBack);
    // Everything is drawn in window coordinates; the buffer starts at the region's origin.
    SetWindowOrgEx(hdcBack, rcPaint.left, rcPaint.top, NULL);

    BitBlt(hdcBack, rcPaint.left, rcPaint.top, cx, cy, g_hdcCapture, rcPaint.left, rcPaint.top, SRCCOPY);
    ShadeOutsideRect(hdcBack, tracker.m_rcSelection, rcPaint);
    tracker.PaintFrame(hdcBack);
    DrawHintLabel(hdcBack, tracker.m_rcSelection, rcPaint);  // last, so nothing dims it

    // The window is only ever written here, in one transfer: no flicker.
    BitBlt(hdc, rcPaint.left, rcPaint.top, cx, cy, hdcBack, rcPaint.left, rcPaint.top, SRCCOPY);
    return TRUE;
}

// The dimming: constant alpha 0x50 of black, so every covered channel keeps
// about 175/255 of its value. Each pixel is blended alone, so dimming a part
// gives the very pixels dimming the whole would.
static const BLENDFUNCTION c_blendShade = { AC_SRC_OVER, 0, 0x50, 0 };

// Dims the part of rc inside rcPaint with the shade stretched over it.
static void ShadeRect(HDC hdc, HDC hdcShade, const RECT& rc, const RECT& rcPaint)
{
    RECT rcPart;
    if (IntersectRect(&rcPart, &rc, &rcPaint))
        // msimg32's AlphaBlend is this function, forwarded.
        GdiAlphaBlend(hdc, rcPart.left, rcPart.top, rcPart.right - rcPart.left, rcPart.bottom - rcPart.top,
                      hdcShade, 0, 0, 1, 1, c_blendShade);
}

void ShadeOutsideRect(HDC hdc, const RECT& rcSelection, const RECT& rcPaint)
{
    ScopedMemDC hdcShade(hdc);
    ScopedSelect shadeSelected(hdcShade, g_hbmShade);
    const RECT& s = rcSelection;
    if (s.left == s.right || s.top == s.bottom) {
        ShadeRect(hdc, hdcShade, { 0, 0, g_cxScreen, g_cyScreen }, rcPaint);
        return;
    }
    // Four bands that never overlap: the full width above and below, the
    // selection's rows left and right of it.
    RECT n = NormalizedRect(s);
    ShadeRect(hdc, hdcShade, { 0, 0, g_cxScreen, n.top }, rcPaint);
    ShadeRect(hdc, hdcShade, { 0, n.bottom, g_cxScreen, g_cyScreen }, rcPaint);
    ShadeRect(hdc, hdcShade, { 0, n.top, n.left, n.bottom }, rcPaint);
    ShadeRect(hdc, hdcShade, { n.right, n.top, g_cxScreen, n.bottom }, rcPaint);
}

POINT HintLabelOrigin(const RECT& rcSelection, float scale)
{
    RECT n = NormalizedRect(rcSelection);
    // round() takes halves away from zero: 37.5 at scale 1.25 gives 38.
    double d = round((double)scale * LABEL_DROP);
    return { n.left, (LONG)(d + (n.top - LABEL_RISE)) };
}

RECT HintLabelBox(const RECT& rcSelection)
{
    // Ten characters of a 10-point face, each about a character height wide:
    // twelve heights by two leaves room for any face's overhangs.
    int nEm = MulDiv(10, g_nDpiY, 72);
    POINT pt = HintLabelOrigin(rcSelection, g_flScale);
    return { pt.x, pt.y, pt.x + 12 * nEm, pt.y + 2 * nEm };
}

void DrawHintLabel(HDC hdc, const RECT& rcSelection, const RECT& rcPaint)
{
    // A paint the label does not reach leaves the font alone: the first
    // frame, whose label stands above the window, needs no font lookup.
    RECT rcLabel = HintLabelBox(rcSelection), rcPart;
    if (!IntersectRect(&rcPart, &rcLabel, &rcPaint))
        return;
    POINT pt = HintLabelOrigin(rcSelection, g_flScale);
    DrawLabelText(hdc, pt.x, pt.y, c_szHintText);
}

void DrawLabelText(HDC hdc, int x, int y, const WCHAR* pszText)
{
    // 10 points at the DC's vertical resolution.
    int nHeight = -MulDiv(10, GetDeviceCaps(hdc, LOGPIXELSY), 72);
    ScopedGdiObject<HFONT> hFont(CreateFontW(nHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                             DEFAULT_CHARSET, 0, 0, 0, 0, L"Microsoft YaHei"));
    ScopedSelect fontSelected(hdc, hFont);
    SetTextColor(hdc, RGB(255, 255, 255));
    SetBkMode(hdc, TRANSPARENT);
    TextOutW(hdc, x, y, pszText, lstrlenW(pszText));
}
