// Pixels read back and compared. Checks return "" or what is wrong.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// 0x00RRGGBB per pixel, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

Image ReadDC(HDC hdc, int x, int y, int cx, int cy);
Image ReadScreen(const RECT& rc);  // virtual-screen coordinates
uint32_t TestPattern(int x, int y);   // neighbours differ, no row or column repeats within 256
uint32_t NoisePattern(int x, int y);  // no order at all: its PNG is about as large as its pixels

// Decodes text, which must be strict Base64 (no line end) of exactly one PNG, nothing after its end chunk.
std::string DecodeSinglePngText(const std::string& text, Image* pImage);
// image equals reference's rectangle rc (its edges in either order).
std::string CompareCrop(const Image& image, const Image& reference, const RECT& rc);
