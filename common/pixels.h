// An image of 32-bit pixels in memory: what the capture makes, and the painter
// and the export read in place.
#pragma once

#include <windows.h>

#include <cstddef>

// Blue, green, red and an unused byte per pixel.
struct PixelRows {
    BYTE* pbTop;   // the top row's first pixel
    int cx, cy;
    int cbStride;  // bytes from one row to the next one down; negative for a bottom-up image

    BYTE* Row(int y) const { return pbTop + (ptrdiff_t)y * cbStride; }
};
