#include "capture/overlay.h"

#include <cmath>
#include <cwchar>

#include "common/gdiguards.h"
#include "app/globals.h"
#include "capture/capture.h"
#include "tracker/geometry.h"

const WCHAR c_szHintText[] =
    L"\u53cc\u51fb\u9f20\u6807\u5de6\u952e\u5373\u53ef\u8bc6\u522b";

void PaintOverlay(HDC hdc)
{
    ScopedGdiObject<HBITMAP> hbmBack(CreateCompatibleBitmap(hdc, g_cxScreen, g_cyScreen));
    ScopedMemDC hdcBack(hdc);
    ScopedSelect backSelected(hdcBack, hbmBack);

    // The back buffer starts dimmed all over, from the image dimmed at start-up.
    BitBlt(hdcBack, 0, 0, g_cxScreen, g_cyScreen, g_hdcDimmed, 0, 0, SRCCOPY);
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
    // hdc holds the dimmed image: copying the rectangle back from the frozen
    // image leaves everything outside it dimmed once, and nothing twice.
    RECT rcSel = { left, top, right, bottom };
    RECT rcBright = NormalizedRect(rcSel);
    RECT rcWindow = { 0, 0, g_cxScreen, g_cyScreen };
    // False for a rectangle of zero width or height, or one off the window:
    // then the whole window stays dimmed.
    if (!IntersectRect(&rcBright, &rcBright, &rcWindow))
        return;
    BitBlt(hdc, rcBright.left, rcBright.top, rcBright.right - rcBright.left, rcBright.bottom - rcBright.top,
           g_hdcCapture, rcBright.left, rcBright.top, SRCCOPY);
}

void ShadeHover(HDC)
{
    if (!IsBlankRect(g_tracker.m_rcSelection))
        return;

    g_rcHover.right = g_cxScreen;
    g_rcHover.bottom = g_cyScreen;
    // g_rcHover spans the whole window now (its left and top are only ever 0):
    // nothing lies outside it, so the hover pass dims nothing more.
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
