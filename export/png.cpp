#include "export/png.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>

#include "common/systemdll.h"

const WCHAR c_szPngEncoder[] = L"{557cf406-1a04-11d3-9a73-0000f81ef32e}";

// The few GDI+ and OLE entry points the export calls, looked up by name when
// the first export starts GDI+. gdiplus.dll is no known DLL, so importing it
// would have the loader try the exe's own folder first, and run whatever
// gdiplus.dll a download folder holds; ole32.dll and the DLLs it brings would
// only slow the start, which does not need them.
static struct {
    decltype(&Gdiplus::GdiplusStartup) Startup;
    decltype(&Gdiplus::GdiplusShutdown) Shutdown;
    decltype(&Gdiplus::DllExports::GdipCreateBitmapFromScan0) CreateBitmapFromScan0;
    decltype(&Gdiplus::DllExports::GdipSaveImageToStream) SaveImageToStream;
    decltype(&Gdiplus::DllExports::GdipDisposeImage) DisposeImage;
    decltype(&CreateStreamOnHGlobal) CreateStreamOnHGlobal;
    decltype(&GetHGlobalFromStream) GetHGlobalFromStream;
    decltype(&CLSIDFromString) CLSIDFromString;
} s_api;

// Loaded once, at the first export; the modules stay for the run.
static bool LoadApi()
{
    static const HMODULE s_hGdiplus = LoadSystemLibrary(L"gdiplus.dll"), s_hOle32 = LoadSystemLibrary(L"ole32.dll");
    return s_hGdiplus && s_hOle32 && FindExport(s_hGdiplus, "GdiplusStartup", &s_api.Startup) &&
           FindExport(s_hGdiplus, "GdiplusShutdown", &s_api.Shutdown) &&
           FindExport(s_hGdiplus, "GdipCreateBitmapFromScan0", &s_api.CreateBitmapFromScan0) &&
           FindExport(s_hGdiplus, "GdipSaveImageToStream", &s_api.SaveImageToStream) &&
           FindExport(s_hGdiplus, "GdipDisposeImage", &s_api.DisposeImage) &&
           FindExport(s_hOle32, "CreateStreamOnHGlobal", &s_api.CreateStreamOnHGlobal) &&
           FindExport(s_hOle32, "GetHGlobalFromStream", &s_api.GetHGlobalFromStream) &&
           FindExport(s_hOle32, "CLSIDFromString", &s_api.CLSIDFromString);
}

GdiplusSession::GdiplusSession()
{
    Gdiplus::GdiplusStartupInput input;  // version 1, no callback, background thread on
    if (!LoadApi() || s_api.Startup(&m_token, &input, NULL) != Gdiplus::Ok)
        m_token = 0;
}

GdiplusSession::~GdiplusSession()
{
    if (m_token)
        s_api.Shutdown(m_token);
}

// Releases a COM interface on exit.
template <class T>
class ScopedComPtr : NonCopyable {
public:
    ~ScopedComPtr() { if (m_p) m_p->Release(); }
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }
private:
    T* m_p = nullptr;
};

// A GDI+ image, disposed on exit.
class ScopedGpBitmap : NonCopyable {
public:
    ~ScopedGpBitmap() { if (m_p) s_api.DisposeImage(m_p); }
    Gdiplus::GpBitmap** operator&() { return &m_p; }
    Gdiplus::GpBitmap* get() const { return m_p; }
private:
    Gdiplus::GpBitmap* m_p = nullptr;
};

// Room for the PNG of a w x h crop: its raw rows at three bytes a pixel (the
// encoder writes RGB) with their filter bytes, 1/64 more for the chunk and
// deflate block headers around data that does not compress, and the fixed
// chunks.
static ULONGLONG PngRoom(int w, int h)
{
    ULONGLONG cbRaw = (1 + 3ULL * (ULONGLONG)w) * (ULONGLONG)h;
    return cbRaw + cbRaw / 64 + 4096;
}

// Hands the PNG in the stream's memory block to usePng. The block can be
// larger than the PNG, so the length is the stream's position after the
// save: the bytes written, the last of them IEND's.
static bool UseStreamBytes(IStream* pStream, const PngUse& usePng)
{
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER cbWritten = {};
    if (FAILED(pStream->Seek(zero, STREAM_SEEK_CUR, &cbWritten)))
        return false;
    HGLOBAL hBlock = NULL;
    if (FAILED(s_api.GetHGlobalFromStream(pStream, &hBlock)))
        return false;
    SIZE_T cb = (SIZE_T)std::min<ULONGLONG>(cbWritten.QuadPart, GlobalSize(hBlock));
    const BYTE* pData = static_cast<const BYTE*>(GlobalLock(hBlock));
    if (!pData)
        return false;
    usePng(pData, cb);
    GlobalUnlock(hBlock);
    return true;
}

bool CropOfSelection(const RECT& rcSelection, int cx, int cy, RECT* prcCrop)
{
    // Edges may stand in reverse order while a drag runs: crop between them.
    const LONG x0 = std::min(rcSelection.left, rcSelection.right), x1 = std::max(rcSelection.left, rcSelection.right);
    const LONG y0 = std::min(rcSelection.top, rcSelection.bottom), y1 = std::max(rcSelection.top, rcSelection.bottom);
    *prcCrop = { x0, y0, x1, y1 };
    return x0 < x1 && y0 < y1 && x0 >= 0 && y0 >= 0 && x1 <= cx && y1 <= cy;
}

bool EncodeSelectionPng(const PixelRows& image, const RECT& rcSelection, const PngUse& usePng, ULONGLONG cbRoom)
{
    RECT rcCrop;
    if (!CropOfSelection(rcSelection, image.cx, image.cy, &rcCrop))
        return false;
    const int w = rcCrop.right - rcCrop.left, h = rcCrop.bottom - rcCrop.top;

    // A bitmap over the selection's rows of the image itself, with the
    // image's stride: nothing of the image is copied. GDI may still be
    // writing the pixels of a DIB section until it is flushed.
    GdiFlush();
    BYTE* pbFirst = image.Row(rcCrop.top) + (ptrdiff_t)rcCrop.left * 4;
    ScopedGpBitmap crop;
    if (s_api.CreateBitmapFromScan0(w, h, image.cbStride, PixelFormat32bppRGB, pbFirst, &crop) != Gdiplus::Ok)
        return false;

    ScopedComPtr<IStream> stream;
    if (FAILED(s_api.CreateStreamOnHGlobal(NULL, TRUE, &stream)))
        return false;
    // The encoder writes in small pieces, and the stream re-allocates and
    // copies its whole block whenever a write passes its end. Given room
    // first, it copies nothing; if the room cannot be had, or a PNG outgrows
    // it, the stream grows as it is written.
    ULARGE_INTEGER cbSize;
    cbSize.QuadPart = cbRoom ? cbRoom : PngRoom(w, h);
    stream->SetSize(cbSize);
    CLSID clsidPng;
    s_api.CLSIDFromString(c_szPngEncoder, &clsidPng);
    if (s_api.SaveImageToStream(crop.get(), stream.get(), &clsidPng, NULL) != Gdiplus::Ok)
        return false;
    return UseStreamBytes(stream.get(), usePng);
}
