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
// A 32-bit top-down DIB section of pfnPixel(x, y).
HBITMAP MakePatternBitmap(int cx, int cy, uint32_t (*pfnPixel)(int x, int y));
// Neighbours differ and no row or column repeats within 256: an off-by-one crop cannot match.
uint32_t TestPattern(int x, int y);
// No order at all: its PNG is about as large as its raw pixels.
uint32_t NoisePattern(int x, int y);

// Strict RFC 4648: false on a foreign character, misplaced padding or a length not a multiple of 4.
bool Base64Decode(const std::string& text, std::vector<BYTE>* pBytes);
bool DecodePng(const std::vector<BYTE>& png, Image* pImage);  // with GDI+
// Exactly one PNG: signature, header chunk first, end chunk last and once, nothing after it.
std::string CheckSinglePng(const std::vector<BYTE>& png);
// text is the Base64 text, without a line end, of exactly one PNG; decodes it.
std::string DecodeSinglePngText(const std::string& text, Image* pImage);
// image equals reference's rectangle of image's size at (x0, y0).
std::string CompareCrop(const Image& image, const Image& reference, int x0, int y0);
