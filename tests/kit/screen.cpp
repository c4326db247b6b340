#include "tests/kit/screen.h"

#include <objidl.h>
#include <gdiplus.h>
#include <psapi.h>
#include <shlwapi.h>
#include <wincrypt.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>

#include "app/globals.h"
#include "capture/capture.h"

static Image MakeImage(int cx, int cy, uint32_t (*pfnPixel)(int x, int y))
{
    Image image{ cx, cy, std::vector<uint32_t>((size_t)cx * cy) };
    for (size_t i = 0; i < image.pixels.size(); i++)
        image.pixels[i] = pfnPixel((int)(i % cx), (int)(i / cx));
    return image;
}

static void DrawImage(HDC hdc, const Image& image)
{
    BITMAPINFO bmi = { { sizeof(BITMAPINFOHEADER), image.width, -image.height, 1, 32, BI_RGB } };
    StretchDIBits(hdc, 0, 0, image.width, image.height, 0, 0, image.width, image.height, image.pixels.data(), &bmi,
                  DIB_RGB_COLORS, SRCCOPY);
}

static LRESULT CALLBACK PatternWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_ERASEBKGND)  // all of its painting: DefWindowProc's WM_PAINT asks for it
        return DrawImage((HDC)wParam, *reinterpret_cast<const Image*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA))), 1;
    return uMsg == WM_MOUSEACTIVATE ? MA_NOACTIVATE : DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

PatternWindow::PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y))
    : m_rc(rc), m_expected(MakeImage(rc.right - rc.left, rc.bottom - rc.top, pfnPixel)), m_inverse(m_expected)
{
    for (uint32_t& pixel : m_inverse.pixels)
        pixel ^= 0xFFFFFF;
    m_thread = std::thread([this] {
        SetProcessDPIAware();
        WNDCLASSW wc = { 0, PatternWindowProc, 0, 0, GetModuleHandleW(NULL), NULL, NULL, NULL, NULL, L"KelvanePattern" };
        RegisterClassW(&wc);
        HWND hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"", WS_POPUP,
                                    m_rc.left, m_rc.top, m_expected.width, m_expected.height, NULL, NULL, NULL, NULL);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, (LONG_PTR)&m_expected);
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        m_hWnd = hWnd;  // the queue exists: WM_QUIT can reach it
        for (MSG msg; GetMessageW(&msg, NULL, 0, 0) > 0;)
            DispatchMessageW(&msg);
        DestroyWindow(hWnd);
    });
    while (!m_hWnd)
        Sleep(10);
}

PatternWindow::~PatternWindow()
{
    PostThreadMessageW(GetWindowThreadProcessId(m_hWnd, NULL), WM_QUIT, 0, 0);
    m_thread.join();
}

void PatternWindow::ShowInverse(bool bInverse)
{
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, (LONG_PTR)(bInverse ? &m_inverse : &m_expected));
    InvalidateRect(m_hWnd, NULL, TRUE);
}

std::string WaitFor(const std::function<std::string()>& check, DWORD dwTimeoutMs)
{
    std::string failure;
    for (DWORD dwStart = GetTickCount(); !(failure = check()).empty() && GetTickCount() - dwStart < dwTimeoutMs;)
        Sleep(20);
    return failure;
}

std::string PatternWindow::WaitUntilShown() const
{
    const RECT rcAll = { 0, 0, m_expected.width, m_expected.height };
    std::string difference = WaitFor([&] { return CompareCrop(ReadScreen(m_rc), m_expected, rcAll); }, 15000);
    return difference.empty() ? "" : "the screen does not show the pattern: " + difference;
}

Image UseSyntheticCapture(int cx, int cy, uint32_t (*pfnPixel)(int x, int y))
{
    g_cxScreen = cx, g_cyScreen = cy;
    SetRect(&g_rcMonitor, 0, 0, cx, cy);
    g_tracker.m_rcBounds = g_rcMonitor;
    CreateFrozenImage(NULL, cx, cy);
    CreateShadeTable();
    Image frozen = MakeImage(cx, cy, pfnPixel);
    DrawImage(g_hdcCapture, frozen);
    GdiFlush();
    return frozen;
}

std::string CompareOverlay(const Image& shown, const Image& frozen, const RECT& s, const Look& look)
{
    // Handles: corners diagonally outside the selection's corners, middles centred beside its edges.
    const LONG l = s.left, t = s.top, r = s.right, b = s.bottom, h = look.h;
    const LONG xMid = l - h + (r - l + h) / 2, yMid = t - h + (b - t + h) / 2;
    const POINT apt[8] = { { l - h, t - h }, { r, t - h }, { r, b },       { l - h, b },
                           { xMid, t - h },  { r, yMid },  { xMid, b }, { l - h, yMid } };
    RECT rcOuter = s;
    InflateRect(&rcOuter, look.nPen, look.nPen);
    // Each pixel's allowed difference in its top byte: a level where dimmed.
    Image expected = frozen;
    for (int y = 0; y < frozen.height; y++)
        for (int x = 0; x < frozen.width; x++) {
            const POINT pt = { x, y };
            uint32_t& pixel = expected.pixels[(size_t)y * frozen.width + x];
            bool bHandle = false;
            for (int k = 0; k < 8; k++)
                bHandle |= x >= apt[k].x && x < apt[k].x + h && y >= apt[k].y && y < apt[k].y + h;
            if (!IsRectEmpty(&s) && (bHandle || (PtInRect(&rcOuter, pt) && !PtInRect(&s, pt))))
                pixel = bHandle ? 0x17A2B8 : 0x1AAD19;
            else if (!PtInRect(&s, pt))
                pixel = 0x01000000 | (pixel >> 16) * 175 / 255 << 16 | (pixel >> 8 & 0xFF) * 175 / 255 << 8 |
                        (pixel & 0xFF) * 175 / 255;
        }
    // Then the label over all of it: white, 10 points of its face at the DPI, its top-left corner at (l, t - rise).
    // Blended over pixels known within a level, the ones it changes are known within two.
    HDC hdc = CreateCompatibleDC(NULL);
    HGDIOBJ hOldBitmap = SelectObject(hdc, CreateBitmap(frozen.width, frozen.height, 1, 32, NULL));
    DrawImage(hdc, expected);
    HGDIOBJ hOldFont = SelectObject(hdc, CreateFontW(-MulDiv(10, look.nDpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                                     DEFAULT_CHARSET, 0, 0, 0, 0, L"Microsoft YaHei"));
    SetTextColor(hdc, RGB(255, 255, 255));
    SetBkMode(hdc, TRANSPARENT);
    // "Double-click the left mouse button to have it recognised".
    TextOutW(hdc, l, t - look.nRise, L"\u53cc\u51fb\u9f20\u6807\u5de6\u952e\u5373\u53ef\u8bc6\u522b", 10);
    const Image labelled = ReadDC(hdc, 0, 0, frozen.width, frozen.height);
    DeleteObject(SelectObject(hdc, hOldFont));
    DeleteObject(SelectObject(hdc, hOldBitmap));
    DeleteDC(hdc);
    if (shown.width != expected.width || shown.height != expected.height)
        return "a picture of " + std::to_string(shown.width) + " x " + std::to_string(shown.height);
    for (size_t i = 0; i < expected.pixels.size(); i++) {
        const uint32_t want = labelled.pixels[i], nTolerance = want != (expected.pixels[i] & 0xFFFFFF) ? 2 : expected.pixels[i] >> 24;
        for (int nShift : { 0, 8, 16 })
            if ((uint32_t)std::abs((int)(shown.pixels[i] >> nShift & 0xFF) - (int)(want >> nShift & 0xFF)) > nTolerance) {
                char sz[64];
                snprintf(sz, sizeof(sz), "pixel (%d, %d) is %06X, not %06X", (int)(i % expected.width),
                         (int)(i / expected.width), shown.pixels[i], want);
                return sz;
            }
    }
    return "";
}

// GetGuiResources, or under Wine (which counts nothing there) the live entries of its GDI handle table (24 bytes
// each, the type at 14, 0 when free): in the PEB at 0x94 (32-bit) or 0xF8 (64-bit), or for a 32-bit process beside
// a 64-bit TEB (the 32-bit TEB keeps its address at 0xF70) in that TEB's 64-bit PEB (at 0x60).
DWORD CountGdiObjects()
{
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return n;
    BYTE* pPeb = reinterpret_cast<BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#ifdef _WIN64
    const BYTE* pTable = *reinterpret_cast<BYTE**>(pPeb + 0xF8);
#else
    const BYTE* pTable = *reinterpret_cast<BYTE**>(pPeb + 0x94);
    ULONG ulTeb64 = *reinterpret_cast<ULONG*>(reinterpret_cast<BYTE*>(NtCurrentTeb()) + 0xF70);
    if (!pTable && ulTeb64)
        pTable = *reinterpret_cast<BYTE**>(*reinterpret_cast<ULONG*>(ulTeb64 + 0x60) + 0xF8);
#endif
    DWORD n = 0;
    for (int i = 0; pTable && i < 0x10000; i++)
        n += pTable[i * 24 + 14] != 0;
    return n;
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = { sizeof(pmc) };
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

static void CALLBACK Bark(PVOID pszWhat, BOOLEAN)
{
    fprintf(stderr, "%s did not end in time\n", static_cast<const char*>(pszWhat));
    ExitProcess(3);
}

Watchdog::Watchdog(const char* pszWhat, DWORD dwTimeoutMs)
{
    CreateTimerQueueTimer(&m_hTimer, NULL, Bark, const_cast<char*>(pszWhat), dwTimeoutMs, 0, WT_EXECUTEONLYONCE);
}

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
