#include "export/export.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/globals.h"
#include "export/base64.h"

// The platform's PNG encoder.
static const WCHAR c_szPngEncoder[] = L"{557cf406-1a04-11d3-9a73-0000f81ef32e}";

// Releases a COM interface on exit.
template <class T>
class ScopedComPtr {
public:
    ScopedComPtr() : m_p(nullptr) {}
    ~ScopedComPtr() { if (m_p) m_p->Release(); }
    ScopedComPtr(const ScopedComPtr&) = delete;
    ScopedComPtr& operator=(const ScopedComPtr&) = delete;
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }
private:
    T* m_p;
};

// Room for the PNG of a w x h image: its raw rows at the image's own bits a
// pixel with their filter bytes, 1/64 more for the chunk and deflate block
// headers around data that does not compress, and the fixed chunks. For an
// image of a 32-bit screen that covers any PNG the encoder writes.
static ULONGLONG PngRoom(int w, int h, Gdiplus::PixelFormat format)
{
    ULONGLONG cbRow = 1 + ((ULONGLONG)w * Gdiplus::GetPixelFormatSize(format) + 7) / 8;
    ULONGLONG cbRaw = cbRow * (ULONGLONG)h;
    return cbRaw + cbRaw / 64 + 4096;
}

// Copies the PNG out of the stream's memory block. The block was given room
// before the save and is larger than the PNG, so the length is the stream's
// position after the save: the bytes written, the last of them IEND's.
static bool CopyStreamBytes(IStream* pStream, std::vector<BYTE>* pBytes)
{
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER cbWritten = {};
    if (FAILED(pStream->Seek(zero, STREAM_SEEK_CUR, &cbWritten)))
        return false;
    HGLOBAL hBlock = NULL;
    if (FAILED(GetHGlobalFromStream(pStream, &hBlock)))
        return false;
    SIZE_T cb = (SIZE_T)std::min<ULONGLONG>(cbWritten.QuadPart, GlobalSize(hBlock));
    const BYTE* pData = static_cast<const BYTE*>(GlobalLock(hBlock));
    if (!pData)
        return false;
    pBytes->assign(pData, pData + cb);
    GlobalUnlock(hBlock);
    return true;
}

// Draws the crop 1:1 from a full-size copy of the source into the target.
// False when any step fails: a target with undrawn pixels is no crop.
static bool DrawCrop(Gdiplus::Bitmap& source, Gdiplus::Bitmap& target, int x0, int y0, int w, int h)
{
    std::unique_ptr<Gdiplus::Graphics> graphics(Gdiplus::Graphics::FromImage(&target));
    if (!graphics || graphics->GetLastStatus() != Gdiplus::Ok)
        return false;
    graphics->SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);

    UINT cySource = source.GetHeight();
    UINT cxSource = source.GetWidth();
    std::unique_ptr<Gdiplus::Image> copy(source.GetThumbnailImage(cxSource, cySource, NULL, NULL));
    if (!copy || copy->GetLastStatus() != Gdiplus::Ok)
        return false;

    Gdiplus::RectF rcTarget(0.0f, 0.0f, (Gdiplus::REAL)w, (Gdiplus::REAL)h);
    Gdiplus::Status status = graphics->DrawImage(copy.get(), rcTarget, (Gdiplus::REAL)x0, (Gdiplus::REAL)y0,
                                                 (Gdiplus::REAL)w, (Gdiplus::REAL)h, Gdiplus::UnitPixel);
    return status == Gdiplus::Ok;
}

bool EncodeSelectionPng(HBITMAP hbmSource, const RECT& rcSelection, std::vector<BYTE>* pPng)
{
    Gdiplus::Bitmap source(hbmSource, NULL);
    if (source.GetLastStatus() != Gdiplus::Ok)
        return false;
    Gdiplus::PixelFormat format = source.GetPixelFormat();

    // Edges may stand in reverse order while a drag runs: crop between them.
    int w = std::abs(rcSelection.left - rcSelection.right);
    int h = std::abs(rcSelection.top - rcSelection.bottom);
    int x0 = std::min(rcSelection.left, rcSelection.right);
    int y0 = std::min(rcSelection.top, rcSelection.bottom);

    // Fails for an empty selection; GDI+'s allocator gives null, not an exception.
    std::unique_ptr<Gdiplus::Bitmap> target(new Gdiplus::Bitmap(w, h, format));
    if (!target || target->GetLastStatus() != Gdiplus::Ok)
        return false;
    if (!DrawCrop(source, *target, x0, y0, w, h))
        return false;

    ScopedComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(NULL, TRUE, &stream)))
        return false;
    // The encoder writes in small pieces, and the stream re-allocates and
    // copies its whole block whenever a write passes its end. Given room
    // first, it copies nothing; if the room cannot be had, or a PNG outgrows
    // it, the stream grows as it is written.
    ULARGE_INTEGER cbRoom;
    cbRoom.QuadPart = PngRoom(w, h, format);
    stream->SetSize(cbRoom);
    CLSID clsidPng;
    CLSIDFromString(c_szPngEncoder, &clsidPng);
    if (target->Save(stream.get(), &clsidPng, NULL) != Gdiplus::Ok)
        return false;
    return CopyStreamBytes(stream.get(), pPng);
}

void ExportSelection()
{
    // One text per run: an export that meets a pending quit writes nothing more.
    if (g_bResultWritten)
        return;

    Gdiplus::GdiplusStartupInput input;  // version 1, no callback, background thread on
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, NULL);

    std::vector<BYTE> png;
    bool bSaved = EncodeSelectionPng(g_hbmCapture, g_tracker.m_rcSelection, &png);
    if (bSaved) {
        std::string text = Base64Encode(png.data(), png.size());
        std::vector<BYTE>().swap(png);
        WriteResultText(text);
        g_bResultWritten = TRUE;
        PostQuitMessage(0);
    }
    Gdiplus::GdiplusShutdown(token);
}
