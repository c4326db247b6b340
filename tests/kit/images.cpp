#include "tests/kit/images.h"

#include <algorithm>

#include "capture/capture.h"
#include "capture/shade.h"

Image MakeImage(int cx, int cy, uint32_t (*pfnPixel)(int x, int y))
{
    Image image{ cx, cy, std::vector<uint32_t>((size_t)cx * cy) };
    for (size_t i = 0; i < image.pixels.size(); i++)
        image.pixels[i] = pfnPixel((int)(i % cx), (int)(i / cx));
    return image;
}

void DrawImage(HDC hdc, const Image& image)
{
    BITMAPINFO bmi = { { sizeof(BITMAPINFOHEADER), image.width, -image.height, 1, 32, BI_RGB } };
    StretchDIBits(hdc, 0, 0, image.width, image.height, 0, 0, image.width, image.height, image.pixels.data(), &bmi,
                  DIB_RGB_COLORS, SRCCOPY);
}

Image ReadDC(HDC hdc, int x, int y, int cx, int cy)
{
    Image image{ cx, cy, std::vector<uint32_t>((size_t)cx * cy) };
    BITMAPINFO bmi = { { sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB } };
    void* pBits = NULL;
    ScopedGdiObject<HBITMAP> hbm(CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0));
    {
        ScopedMemDC hdcMem(hdc);
        ScopedSelect selected(hdcMem, hbm);
        BitBlt(hdcMem, 0, 0, cx, cy, hdc, x, y, SRCCOPY);
    }
    for (size_t i = 0; pBits && i < image.pixels.size(); i++)
        image.pixels[i] = static_cast<const uint32_t*>(pBits)[i] & 0x00FFFFFF;
    return image;
}

std::string CompareCrop(const Image& image, const Image& reference, const RECT& rc)
{
    const LONG x0 = std::min(rc.left, rc.right), y0 = std::min(rc.top, rc.bottom);
    if (image.width != std::abs(rc.right - rc.left) || image.height != std::abs(rc.bottom - rc.top))
        return "an image of " + std::to_string(image.width) + " x " + std::to_string(image.height);
    if (x0 < 0 || y0 < 0 || x0 + image.width > reference.width || y0 + image.height > reference.height)
        return "the rectangle lies outside the reference";
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++)
            if (image.At(x, y) != reference.At(x0 + x, y0 + y))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") differs";
    return "";
}

std::string RectText(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

SyntheticFrame::SyntheticFrame(int cx, int cy, uint32_t (*pfnPixel)(int x, int y), float flScale, int nDpiY)
    : image(MakeImage(cx, cy, pfnPixel))
{
    if (!CreateFrozenImage(NULL, cx, cy, &frame) || !MakeShadeTable(frame.hdc, &frame.shade))
        return;
    SetRect(&frame.rcMonitor, 0, 0, cx, cy);
    frame.flScale = flScale;
    frame.nDpiY = nDpiY;
    DrawImage(frame.hdc, image);
    GdiFlush();
}

