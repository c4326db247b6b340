#include "tests/kit/oracle.h"

#include <cstdio>

// The frozen picture with the selection's frame and handles, dimmed outside; each pixel's top byte how far the picker's
// dimming may stray.
static Image FramedAndDimmed(const Image& frozen, const RECT& s, const Look& look)
{
    // Handles: corners diagonally outside the selection's corners, middles centred beside its edges.
    const LONG l = s.left, t = s.top, r = s.right, b = s.bottom, h = look.h;
    const LONG xMid = l - h + (r - l + h) / 2, yMid = t - h + (b - t + h) / 2;
    const POINT apt[8] = { { l - h, t - h }, { r, t - h }, { r, b },       { l - h, b },
                           { xMid, t - h },  { r, yMid },  { xMid, b }, { l - h, yMid } };
    RECT rcOuter = s;
    InflateRect(&rcOuter, look.nPen, look.nPen);
    Image expected = frozen;
    for (int y = 0; y < frozen.height; y++)
        for (int x = 0; x < frozen.width; x++) {
            const POINT pt = { x, y };
            uint32_t& pixel = expected.pixels[(size_t)y * frozen.width + x];
            bool bHandle = false;
            for (int k = 0; k < 8; k++)
                bHandle |= x >= apt[k].x && x < apt[k].x + h && y >= apt[k].y && y < apt[k].y + h;
            if (!IsRectEmpty(&s) && (bHandle || (PtInRect(&rcOuter, pt) && !PtInRect(&s, pt))))
                pixel = bHandle ? 0x17A2B8 : 0x1AAD19;
            else if (!PtInRect(&s, pt))
                pixel = 0x01000000 | (pixel >> 16) * 175 / 255 << 16 | (pixel >> 8 & 0xFF) * 175 / 255 << 8 |
                        (pixel & 0xFF) * 175 / 255;
        }
    return expected;
}

// The label over the picture: white, 10 points of its face at the DPI, its top-left corner at (x, y).
static Image Labelled(const Image& picture, int x, int y, int nDpi)
{
    ScopedMemDC hdc(NULL);
    ScopedGdiObject<HBITMAP> hbm(CreateBitmap(picture.width, picture.height, 1, 32, NULL));
    ScopedGdiObject<HFONT> hFont(CreateFontW(-MulDiv(10, nDpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0,
                                             0, 0, 0, L"Microsoft YaHei"));
    ScopedSelect bitmapSelected(hdc, hbm), fontSelected(hdc, hFont);
    DrawImage(hdc, picture);
    SetTextColor(hdc, RGB(255, 255, 255));
    SetBkMode(hdc, TRANSPARENT);
    // "Double-click the left mouse button to have it recognised".
    TextOutW(hdc, x, y, L"\u53cc\u51fb\u9f20\u6807\u5de6\u952e\u5373\u53ef\u8bc6\u522b", 10);
    return ReadDC(hdc, 0, 0, picture.width, picture.height);
}

std::string CompareOverlay(const Image& shown, const Image& frozen, const RECT& s, const Look& look)
{
    const Image expected = FramedAndDimmed(frozen, s, look);
    const Image labelled = Labelled(expected, s.left, s.top - look.nRise, look.nDpi);
    if (shown.width != expected.width || shown.height != expected.height)
        return "a picture of " + std::to_string(shown.width) + " x " + std::to_string(shown.height);
    for (size_t i = 0; i < expected.pixels.size(); i++) {
        // The label blends over pixels known within a level: the ones it changes within two, or exactly where covered.
        const uint32_t want = labelled.pixels[i], nTolerance = want == 0xFFFFFF                      ? 0
                                                              : want != (expected.pixels[i] & 0xFFFFFF) ? 2
                                                                                                        : expected.pixels[i] >> 24;
        for (int nShift : { 0, 8, 16 })
            if ((uint32_t)std::abs((int)(shown.pixels[i] >> nShift & 0xFF) - (int)(want >> nShift & 0xFF)) > nTolerance) {
                char sz[64];
                snprintf(sz, sizeof(sz), "pixel (%d, %d) is %06X, not %06X", (int)(i % expected.width),
                         (int)(i / expected.width), shown.pixels[i], want);
                return sz;
            }
    }
    return "";
}
