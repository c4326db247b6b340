#include "tests/kit/pixels.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

bool Base64Decode(const std::string& text, std::vector<BYTE>* pBytes)
{
    static const std::string alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0)
        return false;
    pBytes->clear();
    pBytes->reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        int values[4];
        int nPad = 0;
        for (int k = 0; k < 4; k++) {
            char c = text[i + k];
            if (c == '=') {
                // Padding only at the very end, in the last one or two places.
                if (i + 4 != text.size() || k < 2)
                    return false;
                values[k] = 0;
                nPad++;
                continue;
            }
            if (nPad)
                return false;
            size_t pos = alphabet.find(c);
            if (pos == std::string::npos)
                return false;
            values[k] = (int)pos;
        }
        unsigned group = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
        pBytes->push_back((BYTE)(group >> 16));
        if (nPad < 2)
            pBytes->push_back((BYTE)(group >> 8));
        if (nPad < 1)
            pBytes->push_back((BYTE)group);
    }
    return true;
}

bool DecodePng(const std::vector<BYTE>& png, Image* pImage)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, NULL) != Gdiplus::Ok)
        return false;
    bool bDecoded = false;
    {
        IStream* pStream = NULL;
        HGLOBAL hBlock = GlobalAlloc(GMEM_MOVEABLE, png.size() ? png.size() : 1);
        if (hBlock) {
            memcpy(GlobalLock(hBlock), png.data(), png.size());
            GlobalUnlock(hBlock);
        }
        if (hBlock && SUCCEEDED(CreateStreamOnHGlobal(hBlock, TRUE, &pStream))) {
            Gdiplus::Bitmap bitmap(pStream, FALSE);
            GUID format = {};
            bitmap.GetRawFormat(&format);
            if (bitmap.GetLastStatus() == Gdiplus::Ok && format == Gdiplus::ImageFormatPNG) {
                pImage->width = (int)bitmap.GetWidth();
                pImage->height = (int)bitmap.GetHeight();
                pImage->pixels.assign((size_t)pImage->width * pImage->height, 0);
                Gdiplus::Rect rc(0, 0, pImage->width, pImage->height);
                Gdiplus::BitmapData data = {};
                data.Width = pImage->width;
                data.Height = pImage->height;
                data.Stride = pImage->width * 4;
                data.PixelFormat = PixelFormat32bppRGB;
                data.Scan0 = pImage->pixels.data();
                if (pImage->width == 0 ||
                    bitmap.LockBits(&rc, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                    PixelFormat32bppRGB, &data) == Gdiplus::Ok) {
                    if (pImage->width)
                        bitmap.UnlockBits(&data);
                    for (uint32_t& c : pImage->pixels)
                        c &= 0x00FFFFFF;
                    bDecoded = true;
                }
            }
            pStream->Release();
        } else if (hBlock) {
            GlobalFree(hBlock);
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return bDecoded;
}

Image ReadDC(HDC hdc, int x, int y, int cx, int cy)
{
    Image image;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* pBits = NULL;
    HBITMAP hbm = CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0);
    if (!hbm)
        return image;
    HDC hdcMem = CreateCompatibleDC(hdc);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    BitBlt(hdcMem, 0, 0, cx, cy, hdc, x, y, SRCCOPY);
    GdiFlush();
    image.width = cx;
    image.height = cy;
    const uint32_t* p = static_cast<const uint32_t*>(pBits);
    image.pixels.assign(p, p + (size_t)cx * cy);
    for (uint32_t& c : image.pixels)
        c &= 0x00FFFFFF;
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    DeleteObject(hbm);
    return image;
}

Image ReadBitmap(HBITMAP hbm)
{
    BITMAP bm = {};
    GetObjectW(hbm, sizeof(bm), &bm);
    HDC hdcScreen = GetDC(NULL);
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    Image image = ReadDC(hdcMem, 0, 0, bm.bmWidth, bm.bmHeight);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    ReleaseDC(NULL, hdcScreen);
    return image;
}

Image ReadScreen(const RECT& rc)
{
    HDC hdcScreen = GetDC(NULL);
    Image image = ReadDC(hdcScreen, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    ReleaseDC(NULL, hdcScreen);
    return image;
}

HBITMAP MakePatternBitmap(int cx, int cy, uint32_t (*pfnPixel)(int x, int y))
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* pBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0);
    if (!hbm)
        return NULL;
    uint32_t* p = static_cast<uint32_t*>(pBits);
    for (int y = 0; y < cy; y++)
        for (int x = 0; x < cx; x++)
            p[(size_t)y * cx + x] = pfnPixel(x, y);
    return hbm;
}

uint32_t TestPattern(int x, int y)
{
    // Neighbouring pixels differ in every channel, and no row or column repeats
    // within 256 pixels, so an off-by-one crop cannot match.
    uint32_t r = (uint32_t)(x * 7 + y * 3) & 0xFF;
    uint32_t g = (uint32_t)(x * 5 + y * 11 + 40) & 0xFF;
    uint32_t b = (uint32_t)((x ^ y) * 13 + (x >> 8) * 17 + (y >> 8) * 29) & 0xFF;
    return (r << 16) | (g << 8) | b;
}

long long FirstMismatch(const Image& crop, const Image& image, int x0, int y0)
{
    for (int y = 0; y < crop.height; y++)
        for (int x = 0; x < crop.width; x++)
            if (crop.At(x, y) != image.At(x0 + x, y0 + y))
                return (long long)y * crop.width + x;
    return -1;
}

std::string CompareCrop(const Image& image, const Image& reference, int x0, int y0)
{
    auto size = [](const Image& i) { return std::to_string(i.width) + " x " + std::to_string(i.height); };
    if (image.pixels.empty() && (image.width || image.height))
        return "the image " + size(image) + " has no pixels";
    if (x0 < 0 || y0 < 0 || x0 + image.width > reference.width || y0 + image.height > reference.height)
        return size(image) + " at (" + std::to_string(x0) + ", " + std::to_string(y0) +
               ") lies outside the " + size(reference) + " reference";
    long long n = FirstMismatch(image, reference, x0, y0);
    if (n < 0)
        return "";
    int x = (int)(n % image.width), y = (int)(n / image.width);
    char szText[128];
    snprintf(szText, sizeof(szText), "pixel (%d, %d) of %s is 0x%06X, not 0x%06X", x, y, size(image).c_str(),
             image.At(x, y), reference.At(x0 + x, y0 + y));
    return szText;
}

std::string CheckSinglePng(const std::vector<BYTE>& png)
{
    static const BYTE c_signature[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    if (png.size() < 8 || memcmp(png.data(), c_signature, 8) != 0)
        return "no PNG signature";
    size_t pos = 8;
    int nChunks = 0;
    bool bEnded = false;
    while (pos + 12 <= png.size() && !bEnded) {
        size_t cb = ((size_t)png[pos] << 24) | ((size_t)png[pos + 1] << 16) | ((size_t)png[pos + 2] << 8) | png[pos + 3];
        std::string type(png.begin() + pos + 4, png.begin() + pos + 8);
        if ((nChunks == 0) != (type == "IHDR"))
            return "chunk " + std::to_string(nChunks) + " is " + type;
        if (cb > png.size() - pos - 12)
            return "chunk " + type + " runs past the end";
        bEnded = (type == "IEND");
        pos += 12 + cb;
        nChunks++;
    }
    if (!bEnded)
        return "no end chunk";
    if (pos != png.size())
        return std::to_string(png.size() - pos) + " bytes after the end chunk";
    return "";
}

std::string DecodeSinglePngText(const std::string& text, Image* pImage)
{
    if (text.empty())
        return "nothing was written";
    if (text.find_first_of("\r\n") != std::string::npos)
        return "the text has a line break";
    std::vector<BYTE> png;
    if (!Base64Decode(text, &png))
        return "not Base64 text (" + std::to_string(text.size()) + " characters)";
    std::string problem = CheckSinglePng(png);
    if (!problem.empty())
        return problem;
    if (!DecodePng(png, pImage))
        return "GDI+ cannot decode the PNG";
    return "";
}
