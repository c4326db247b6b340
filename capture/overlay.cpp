#include "capture/overlay.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "common/gdiguards.h"
#include "app/globals.h"
#include "capture/capture.h"
#include "tracker/geometry.h"

const WCHAR c_szHintText[] =
    L"\u53cc\u51fb\u9f20\u6807\u5de6\u952e\u5373\u53ef\u8bc6\u522b";

// Each dimming pass: constant alpha 0x50 of black, so every covered channel
// keeps about 175/255 of its value.
static const BLENDFUNCTION c_blendShade = { AC_SRC_OVER, 0, 0x50, 0 };

void PaintOverlay(HDC hdc)
{
    ScopedGdiObject<HBITMAP> hbmBack(CreateCompatibleBitmap(hdc, g_cxScreen, g_cyScreen));
    ScopedMemDC hdcBack(hdc);
    ScopedSelect backSelected(hdcBack, hbmBack);

    BitBlt(hdcBack, 0, 0, g_cxScreen, g_cyScreen, g_hdcCapture, 0, 0, SRCCOPY);
    const RECT& rcSel = g_tracker.m_rcSelection;
    ShadeOutsideRect(hdcBack, rcSel.left, rcSel.top, rcSel.right, rcSel.bottom);
    g_tracker.PaintFrame(hdcBack);
    ShadeHover(hdcBack);
    DrawHintLabel(hdcBack);  // last, so nothing dims it

    // The window is only ever written here, in one transfer: no flicker.
    BitBlt(hdc, 0, 0, g_cxScreen, g_cyScreen, hdcBack, 0, 0, SRCCOPY);
}

void ShadeOutsideRect(HDC hdc, int left, int top, int right, int bottom)
{
    ScopedMemDC hdcShade(hdc);
    ScopedSelect shadeSelected(hdcShade, g_hbmShade);
    auto shade = [&](int x, int y, int cx, int cy) {
        AlphaBlend(hdc, x, y, cx, cy, hdcShade, 0, 0, 1, 1, c_blendShade);
    };

    if (left == right || top == bottom) {
        shade(0, 0, g_cxScreen, g_cyScreen);
        return;
    }

    int minX = std::min(left, right), maxX = std::max(left, right);
    int minY = std::min(top, bottom), maxY = std::max(top, bottom);
    // Top and bottom bands span the width, left and right only the rows of the
    // rectangle: the bands never overlap, so no pixel is dimmed twice.
    if (minY > 0)
        shade(0, 0, g_cxScreen, minY);
    if (maxY < g_cyScreen)
        shade(0, maxY, g_cxScreen, g_cyScreen - maxY);
    if (minX > 0)
        shade(0, minY, minX, maxY - minY);
    if (maxX < g_cxScreen)
        shade(maxX, minY, g_cxScreen - maxX, maxY - minY);
}

void ShadeHover(HDC hdc)
{
    if (!IsBlankRect(g_tracker.m_rcSelection))
        return;

    g_rcHover.right = g_cxScreen;
    g_rcHover.bottom = g_cyScreen;
    // g_rcHover spans the whole window now, so no band qualifies.
    if (!IsBlankRect(g_rcHover))
        ShadeOutsideRect(hdc, g_rcHover.left, g_rcHover.top, g_rcHover.right, g_rcHover.bottom);
}

int HintLabelY(int nHintTop, float scale)
{
    double d = round((double)scale * 30.0);
    return (int)(d + nHintTop);
}

void DrawHintLabel(HDC hdc)
{
    RECT rcNormal = NormalizedRect(g_tracker.m_rcSelection);
    g_rcHint.left = rcNormal.left;
    g_rcHint.top = rcNormal.top - 92;

    int x = g_rcHint.left;
    int y = HintLabelY(g_rcHint.top, GetDisplayScale());

    WCHAR szLabel[64];
    swprintf(szLabel, sizeof(szLabel) / sizeof(szLabel[0]), c_szHintText);
    DrawLabelText(hdc, x, y, szLabel);
}

void DrawLabelText(HDC hdc, int x, int y, const WCHAR* pszText)
{
    // 10 points at the DC's vertical resolution.
    int nHeight = -MulDiv(10, GetDeviceCaps(hdc, LOGPIXELSY), 72);
    ScopedGdiObject<HFONT> hFont(CreateFontW(nHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                             DEFAULT_CHARSET, 0, 0, 0, 0, L"Microsoft YaHei"));
    ScopedSelect fontSelected(hdc, hFont);
    SetTextColor(hdc, 0x00FFFFFF);
    SetBkMode(hdc, TRANSPARENT);
    TextOutW(hdc, x, y, pszText, lstrlenW(pszText));
}
