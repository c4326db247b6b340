#include "tests/kit/decoding.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

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
