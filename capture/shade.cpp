#include "capture/shade.h"

#include <emmintrin.h>

#include "common/gdiguards.h"

static const BLENDFUNCTION c_blendShade = { AC_SRC_OVER, 0, 0x50, 0 };

BOOL MakeShadeTable(HDC hdcLike, ShadeTable* pShade)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader = { sizeof(BITMAPINFOHEADER), 256, -1, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    DWORD* pRamp = NULL;
    ScopedGdiObject<HBITMAP> hbmRamp(CreateDIBSection(hdcLike, &bmi, DIB_RGB_COLORS, (void**)&pRamp, NULL, 0));
    // Compatible with the frame's DC, not a fresh one, which would be monochrome.
    ScopedGdiObject<HBITMAP> hbmShade(CreateCompatibleBitmap(hdcLike, 1, 1));
    ScopedMemDC hdcRamp(hdcLike), hdcShade(hdcLike);
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
            pShade->ab[c][i] = (BYTE)(pRamp[i] >> (8 * c));
    ClassifyShadeTable(pShade);
    return TRUE;
}

void ClassifyShadeTable(ShadeTable* pShade)
{
    pShade->bRoundedBlend = true;
    for (int c = 0; c < 3; c++)
        for (int i = 0; i < 256; i++)
            pShade->bRoundedBlend &= pShade->ab[c][i] == (i * 175 + 127) / 255;
}

// (c x 175 + 127) / 255 of eight 16-bit values at once: x / 255 is
// (x + 1 + (x >> 8)) >> 8 for every x up to 255 x 175 + 127.
static __m128i DimWords(__m128i v)
{
    v = _mm_add_epi16(_mm_mullo_epi16(v, _mm_set1_epi16(175)), _mm_set1_epi16(127));
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(v, _mm_set1_epi16(1)), _mm_srli_epi16(v, 8)), 8);
}

void DimPixels(BYTE* pbTo, const BYTE* pbFrom, int n, const ShadeTable& shade)
{
    const __m128i zero = _mm_setzero_si128(), fourth = _mm_set1_epi32((int)0xFF000000);
    for (; shade.bRoundedBlend && n >= 4; n -= 4, pbTo += 16, pbFrom += 16) {
        __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pbFrom));
        __m128i dimmed = _mm_packus_epi16(DimWords(_mm_unpacklo_epi8(pixels, zero)),
                                          DimWords(_mm_unpackhi_epi8(pixels, zero)));
        dimmed = _mm_or_si128(_mm_and_si128(pixels, fourth), _mm_andnot_si128(fourth, dimmed));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pbTo), dimmed);
    }
    for (; n > 0; n--, pbTo += 4, pbFrom += 4) {
        pbTo[0] = shade.ab[0][pbFrom[0]];
        pbTo[1] = shade.ab[1][pbFrom[1]];
        pbTo[2] = shade.ab[2][pbFrom[2]];
        pbTo[3] = pbFrom[3];
    }
}
