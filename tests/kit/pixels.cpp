#include "tests/kit/pixels.h"

#include <objidl.h>
#include <wincrypt.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>

Image ReadDC(HDC hdc, int x, int y, int cx, int cy)
{
    Image image{ cx, cy, std::vector<uint32_t>((size_t)cx * cy) };
    BITMAPINFO bmi = { { sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB } };
    void* pBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0);
    HDC hdcMem = CreateCompatibleDC(hdc);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    BitBlt(hdcMem, 0, 0, cx, cy, hdc, x, y, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    for (size_t i = 0; pBits && i < image.pixels.size(); i++)
        image.pixels[i] = static_cast<const uint32_t*>(pBits)[i] & 0x00FFFFFF;
    DeleteObject(hbm);
    return image;
}

Image ReadScreen(const RECT& rc)
{
    HDC hdcScreen = GetDC(NULL);
    Image image = ReadDC(hdcScreen, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    ReleaseDC(NULL, hdcScreen);
    return image;
}

uint32_t TestPattern(int x, int y)
{
    uint32_t b = (uint32_t)((x ^ y) * 13 + (x >> 8) * 17 + (y >> 8) * 29) & 0xFF;
    return ((x * 7 + y * 3) & 0xFF) << 16 | ((x * 5 + y * 11 + 40) & 0xFF) << 8 | b;
}

uint32_t NoisePattern(int x, int y)
{
    uint32_t h = ((uint32_t)x * 0x9E3779B1u ^ (uint32_t)y * 0x85EBCA77u) * 0x2C1B3C6Du;
    return (h ^ h >> 15) & 0x00FFFFFF;
}

// Strict: decoded and encoded again by the system, it must give the same text (RFC 4648, no line end).
static bool Base64Decode(const std::string& text, std::vector<BYTE>* pBytes)
{
    DWORD cb = (DWORD)text.size(), cch = cb + 1;  // the bytes take less room than their text
    pBytes->resize(cb);
    if (!CryptStringToBinaryA(text.data(), cb, CRYPT_STRING_BASE64, pBytes->data(), &cb, NULL, NULL))
        return false;
    pBytes->resize(cb);
    std::string again(cch, '\0');
    CryptBinaryToStringA(pBytes->data(), cb, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF, &again[0], &cch);
    return again.c_str() == text;
}

// GDI+'s reading of the PNG, whose signature was checked first.
static bool DecodePng(const std::vector<BYTE>& png, Image* pImage)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    IStream* pStream = SHCreateMemStream(png.data(), (UINT)png.size());
    bool bRead = pStream && Gdiplus::GdiplusStartup(&token, &input, NULL) == Gdiplus::Ok;
    if (bRead) {
        Gdiplus::Bitmap* pBitmap = Gdiplus::Bitmap::FromStream(pStream);
        Gdiplus::Rect rc(0, 0, pBitmap ? pBitmap->GetWidth() : 0, pBitmap ? pBitmap->GetHeight() : 0);
        *pImage = { rc.Width, rc.Height, std::vector<uint32_t>((size_t)rc.Width * rc.Height) };
        Gdiplus::BitmapData data = { (UINT)rc.Width, (UINT)rc.Height, rc.Width * 4, PixelFormat32bppRGB, pImage->pixels.data() };
        bRead = pBitmap && pBitmap->LockBits(&rc, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                             PixelFormat32bppRGB, &data) == Gdiplus::Ok && pBitmap->UnlockBits(&data) == Gdiplus::Ok;
        delete pBitmap;
        Gdiplus::GdiplusShutdown(token);
    }
    if (pStream)
        pStream->Release();
    for (uint32_t& pixel : pImage->pixels)
        pixel &= 0xFFFFFF;
    return bRead;
}

std::string DecodeSinglePngText(const std::string& text, Image* pImage)
{
    std::vector<BYTE> png;
    if (text.empty() || !Base64Decode(text, &png))
        return "not Base64 text without a line end: \"" + text.substr(0, 40) + "\"";
    // Exactly one PNG: its signature first, its end chunk (with its CRC) last and nowhere else.
    static const BYTE c_signature[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    static const BYTE c_end[12] = { 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82 };
    if (png.size() < 8 || memcmp(png.data(), c_signature, 8) != 0)
        return "no PNG signature";
    if (size_t cbAfter = png.end() - std::search(png.begin(), png.end(), c_end, c_end + 12); cbAfter != 12)
        return cbAfter ? std::to_string(cbAfter - 12) + " bytes after the first end chunk" : "no end chunk";
    return DecodePng(png, pImage) ? "" : "GDI+ cannot decode the PNG";
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
