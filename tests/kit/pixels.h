// Images as plain pixel arrays, for comparing what the picker wrote or drew
// with what it was given.
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

inline int Red(uint32_t c) { return (c >> 16) & 0xFF; }
inline int Green(uint32_t c) { return (c >> 8) & 0xFF; }
inline int Blue(uint32_t c) { return c & 0xFF; }

// Strict RFC 4648 decoding: false on any character outside the alphabet,
// wrong padding or a length that is not a multiple of four.
bool Base64Decode(const std::string& text, std::vector<BYTE>* pBytes);

// Decodes PNG bytes with GDI+ (started and shut down inside).
bool DecodePng(const std::vector<BYTE>& png, Image* pImage);

// The pixels of a bitmap (it must not be selected into a DC for writing meanwhile).
Image ReadBitmap(HBITMAP hbm);
// The pixels of a rectangle of a DC.
Image ReadDC(HDC hdc, int x, int y, int cx, int cy);
// The screen's pixels in virtual-screen coordinates.
Image ReadScreen(const RECT& rc);

// A 32-bit top-down DIB section filled by a function of (x, y) -> 0x00RRGGBB.
HBITMAP MakePatternBitmap(int cx, int cy, uint32_t (*pfnPixel)(int x, int y));
// A pattern where every pixel of a large area differs from its neighbours.
uint32_t TestPattern(int x, int y);

// Index of the first pixel where the crop differs from image at (x0, y0), or -1.
long long FirstMismatch(const Image& crop, const Image& image, int x0, int y0);

// "" when image equals the rectangle (x0, y0, x0 + width, y0 + height) of
// reference, else where and how it differs.
std::string CompareCrop(const Image& image, const Image& reference, int x0, int y0);

// "" when png is exactly one PNG image: the signature first, the header
// chunk next, the end chunk last and only once, nothing after it.
std::string CheckSinglePng(const std::vector<BYTE>& png);

// Decodes a run's output: "" when text is the Base64 text, with no line end,
// of exactly one PNG image that GDI+ decodes; else what is wrong with it.
std::string DecodeSinglePngText(const std::string& text, Image* pImage);
