#include "tests/kit/pixels.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <cstring>

Image ReadDC(HDC hdc, int x, int y, int cx, int cy)
{
    Image image{ cx, cy };
    HBITMAP hbm = MakePatternBitmap(cx, cy, [](int, int) { return 0u; });
    HDC hdcMem = CreateCompatibleDC(hdc);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    BitBlt(hdcMem, 0, 0, cx, cy, hdc, x, y, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    DIBSECTION ds = {};
    const uint32_t* p = GetObjectW(hbm, sizeof(ds), &ds) ? static_cast<const uint32_t*>(ds.dsBm.bmBits) : nullptr;
    for (size_t i = 0; p && i < (size_t)cx * cy; i++)
        image.pixels.push_back(p[i] & 0x00FFFFFF);
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

HBITMAP MakePatternBitmap(int cx, int cy, uint32_t (*pfnPixel)(int x, int y))
{
    BITMAPINFO bmi = { { sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB } };
    void* pBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0);
    for (int i = 0; hbm && i < cx * cy; i++)
        static_cast<uint32_t*>(pBits)[i] = pfnPixel(i % cx, i / cx);
    return hbm;
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

bool Base64Decode(const std::string& text, std::vector<BYTE>* pBytes)
{
    static const char c_szAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    size_t nPad = text.size() - 1 - text.find_last_not_of('=');  // 0 for an empty text
    if (text.size() % 4 != 0 || nPad > 2)
        return false;
    pBytes->clear();
    for (size_t i = 0; i < text.size(); i += 4) {
        unsigned group = 0;
        for (size_t k = i; k < i + 4; k++) {
            const char* p = k < text.size() - nPad ? strchr(c_szAlphabet, text[k]) : c_szAlphabet;
            if (!p || !*p)
                return false;
            group = group << 6 | (unsigned)(p - c_szAlphabet);
        }
        for (size_t k = 0; k < 3 - (i + 4 == text.size() ? nPad : 0); k++)
            pBytes->push_back((BYTE)(group >> (16 - 8 * k)));
    }
    return true;
}

bool DecodePng(const std::vector<BYTE>& png, Image* pImage)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    IStream* pStream = SHCreateMemStream(png.data(), (UINT)png.size());
    HBITMAP hbm = NULL;
    GUID format = {};
    if (pStream && Gdiplus::GdiplusStartup(&token, &input, NULL) == Gdiplus::Ok) {
        Gdiplus::Bitmap* pBitmap = Gdiplus::Bitmap::FromStream(pStream);
        if (pBitmap && pBitmap->GetRawFormat(&format) == Gdiplus::Ok && format == Gdiplus::ImageFormatPNG)
            pBitmap->GetHBITMAP(Gdiplus::Color(), &hbm);
        delete pBitmap;
        Gdiplus::GdiplusShutdown(token);
    }
    if (pStream)
        pStream->Release();
    BITMAP bm = {};
    HDC hdc = CreateCompatibleDC(NULL);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    if (hbm && GetObjectW(hbm, sizeof(bm), &bm))
        *pImage = ReadDC(hdc, 0, 0, bm.bmWidth, bm.bmHeight);
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    DeleteObject(hbm);
    return hbm != NULL;
}

std::string CheckSinglePng(const std::vector<BYTE>& png)
{
    static const BYTE c_signature[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    if (png.size() < 8 || memcmp(png.data(), c_signature, 8) != 0)
        return "no PNG signature";
    for (size_t pos = 8, nChunk = 0; pos + 12 <= png.size(); nChunk++) {
        size_t cb = (size_t)png[pos] << 24 | png[pos + 1] << 16 | png[pos + 2] << 8 | png[pos + 3];
        std::string type(png.begin() + pos + 4, png.begin() + pos + 8);
        if ((nChunk == 0) != (type == "IHDR") || cb > png.size() - pos - 12)
            return "chunk " + std::to_string(nChunk) + " (" + type + ") is misplaced or runs past the end";
        pos += 12 + cb;
        if (type == "IEND")
            return pos == png.size() ? "" : std::to_string(png.size() - pos) + " bytes after the end chunk";
    }
    return "no end chunk";
}

std::string DecodeSinglePngText(const std::string& text, Image* pImage)
{
    std::vector<BYTE> png;
    if (text.empty() || !Base64Decode(text, &png))
        return "not Base64 text without a line end: \"" + text.substr(0, 40) + "\"";
    std::string problem = CheckSinglePng(png);
    return !problem.empty() || DecodePng(png, pImage) ? problem : "GDI+ cannot decode the PNG";
}

std::string CompareCrop(const Image& image, const Image& reference, int x0, int y0)
{
    if (x0 < 0 || y0 < 0 || x0 + image.width > reference.width || y0 + image.height > reference.height)
        return "the image lies outside the reference";
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++)
            if (image.At(x, y) != reference.At(x0 + x, y0 + y))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") differs";
    return "";
}
