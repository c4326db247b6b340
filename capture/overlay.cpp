#include "capture/overlay.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

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
    BITMAPINFO bmi = {};
    bmi.bmiHeader = { sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    BYTE* pbBack = NULL;
    ScopedGdiObject<HBITMAP> hbmBack(CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, (void**)&pbBack, NULL, 0));
    ScopedMemDC hdcBack(hdc);
    if (!hbmBack || !hdcBack)
        return FALSE;
    ScopedSelect backSelected(hdcBack, hbmBack);
    // Everything is drawn in window coordinates; the buffer starts at the region's origin.
    SetWindowOrgEx(hdcBack, rcPaint.left, rcPaint.top, NULL);

    ComposeImage(pbBack, rcPaint, tracker.m_rcSelection);
    tracker.PaintFrame(hdcBack);
    DrawHintLabel(hdcBack, tracker.m_rcSelection, rcPaint);  // last, so nothing dims it

    // The window is only ever written here, in one transfer: no flicker.
    BitBlt(hdc, rcPaint.left, rcPaint.top, cx, cy, hdcBack, rcPaint.left, rcPaint.top, SRCCOPY);
    return TRUE;
}

// Whether the table is a blend of black at 0x50 rounded to the nearest value,
// (c x 175 + 127) / 255, as Wine's is: then four pixels at a time compute it.
static bool TableIsRoundedBlend()
{
    for (int c = 0; c < 3; c++)
        for (int i = 0; i < 256; i++)
            if (g_abShade[c][i] != (i * 175 + 127) / 255)
                return false;
    return true;
}

// (c x 175 + 127) / 255 of eight 16-bit values at once: x / 255 is
// (x + 1 + (x >> 8)) >> 8 for every x up to 255 x 175 + 127.
static __m128i DimWords(__m128i v)
{
    v = _mm_add_epi16(_mm_mullo_epi16(v, _mm_set1_epi16(175)), _mm_set1_epi16(127));
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(v, _mm_set1_epi16(1)), _mm_srli_epi16(v, 8)), 8);
}

// n pixels dimmed as the shade table says; the unused fourth byte as it is.
static void DimPixels(BYTE* pbTo, const BYTE* pbFrom, int n)
{
    static const bool s_bRounded = TableIsRoundedBlend();
    const __m128i zero = _mm_setzero_si128(), fourth = _mm_set1_epi32((int)0xFF000000);
    for (; s_bRounded && n >= 4; n -= 4, pbTo += 16, pbFrom += 16) {
        __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pbFrom));
        __m128i dimmed = _mm_packus_epi16(DimWords(_mm_unpacklo_epi8(pixels, zero)),
                                          DimWords(_mm_unpackhi_epi8(pixels, zero)));
        dimmed = _mm_or_si128(_mm_and_si128(pixels, fourth), _mm_andnot_si128(fourth, dimmed));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pbTo), dimmed);
    }
    for (; n > 0; n--, pbTo += 4, pbFrom += 4) {
        pbTo[0] = g_abShade[0][pbFrom[0]];
        pbTo[1] = g_abShade[1][pbFrom[1]];
        pbTo[2] = g_abShade[2][pbFrom[2]];
        pbTo[3] = pbFrom[3];
    }
}

void ComposeImage(BYTE* pbRows, const RECT& rcPaint, const RECT& rcSelection)
{
    // Nothing is bright while the selection has no width or no height.
    RECT rcBright = NormalizedRect(rcSelection);
    if (IsRectEmpty(&rcBright))
        SetRectEmpty(&rcBright);
    const int cx = rcPaint.right - rcPaint.left;
    for (int y = rcPaint.top; y < rcPaint.bottom; y++) {
        const BYTE* pbFrozen = g_pbCapture + (ptrdiff_t)y * g_cbCaptureStride + rcPaint.left * 4;
        BYTE* pbRow = pbRows + (size_t)(y - rcPaint.top) * cx * 4;
        // The row's bright span, [x0, x1) of the region's columns.
        int x0 = cx, x1 = cx;
        if (y >= rcBright.top && y < rcBright.bottom) {
            x0 = std::clamp<int>(rcBright.left - rcPaint.left, 0, cx);
            x1 = std::clamp<int>(rcBright.right - rcPaint.left, x0, cx);
        }
        DimPixels(pbRow, pbFrozen, x0);
        memcpy(pbRow + x0 * 4, pbFrozen + x0 * 4, (size_t)(x1 - x0) * 4);
        DimPixels(pbRow + x1 * 4, pbFrozen + x1 * 4, cx - x1);
    }
}

static POINT HintLabelOrigin(const RECT& rcSelection, float scale)
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

static void DrawLabelText(HDC hdc, int x, int y, const WCHAR* pszText)
{
    // 10 points at the monitor's own vertical DPI: a DC's LOGPIXELSY is the
    // system's, which on a monitor of another DPI sizes the text wrongly.
    int nHeight = -MulDiv(10, g_nDpiY, 72);
    ScopedGdiObject<HFONT> hFont(CreateFontW(nHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                             DEFAULT_CHARSET, 0, 0, 0, 0, L"Microsoft YaHei"));
    ScopedSelect fontSelected(hdc, hFont);
    SetTextColor(hdc, RGB(255, 255, 255));
    SetBkMode(hdc, TRANSPARENT);
    TextOutW(hdc, x, y, pszText, lstrlenW(pszText));
}

void DrawHintLabel(HDC hdc, const RECT& rcSelection, const RECT& rcPaint)
{
    // A paint the label does not reach leaves the font alone: the first
    // frame, whose label stands above the window, needs no font lookup.
    RECT rcLabel = HintLabelBox(rcSelection), rcPart;
    if (IntersectRect(&rcPart, &rcLabel, &rcPaint))
        DrawLabelText(hdc, rcLabel.left, rcLabel.top, c_szHintText);
}
