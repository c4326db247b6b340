// Pictures made, read back and compared (a comparison returns "" or what differs), and a frozen frame made of one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "common/gdiguards.h"

// 0x00RRGGBB per pixel, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

Image MakeImage(int cx, int cy, uint32_t (*pfnPixel)(int x, int y));
void DrawImage(HDC hdc, const Image& image);
Image ReadDC(HDC hdc, int x, int y, int cx, int cy);
inline Image ReadScreen(const RECT& rc)  // virtual-screen coordinates
{
    return ReadDC(ScopedWindowDC(NULL), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}
// Neighbours differ, and no row or column repeats within 256.
inline uint32_t TestPattern(int x, int y)
{
    uint32_t b = (uint32_t)((x ^ y) * 13 + (x >> 8) * 17 + (y >> 8) * 29) & 0xFF;
    return ((x * 7 + y * 3) & 0xFF) << 16 | ((x * 5 + y * 11 + 40) & 0xFF) << 8 | b;
}
// No order at all: its PNG is about as large as its pixels.
inline uint32_t NoisePattern(int x, int y)
{
    uint32_t h = ((uint32_t)x * 0x9E3779B1u ^ (uint32_t)y * 0x85EBCA77u) * 0x2C1B3C6Du;
    return (h ^ h >> 15) & 0x00FFFFFF;
}

// image equals reference's rectangle rc (its edges in either order).
std::string CompareCrop(const Image& image, const Image& reference, const RECT& rc);
std::string RectText(const RECT& rc);  // "left,top,right,bottom"

// A frame as the capture makes it (its shade by the same blend) of a cx x cy monitor at (0, 0) showing the pattern, at
// a scale and DPI, released with the object; no global of the run is touched.
struct SyntheticFrame : NonCopyable {
    SyntheticFrame(int cx, int cy, uint32_t (*pfnPixel)(int x, int y) = TestPattern, float flScale = 1.0f, int nDpiY = 96);
    ~SyntheticFrame() { ReleaseFrame(&frame); }
    FrozenFrame frame = {};
    Image image;  // what it holds
};
