#include "tests/kit/screen.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>

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
    if (uMsg == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    if (uMsg == WM_ERASEBKGND)  // all of its painting: DefWindowProc's WM_PAINT asks for it
        return DrawImage((HDC)wParam, *reinterpret_cast<const Image*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA))), 1;
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

PatternWindow::PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y))
    : m_rc(rc), m_expected(MakeImage(rc.right - rc.left, rc.bottom - rc.top, pfnPixel)), m_inverse(m_expected)
{
    for (uint32_t& pixel : m_inverse.pixels)
        pixel ^= 0xFFFFFF;
    m_thread = std::thread([this] {
        SetProcessDPIAware();
        WNDCLASSW wc = { 0, PatternWindowProc, 0, 0, GetModuleHandleW(NULL) };
        wc.lpszClassName = L"KelvaneTestPattern";
        RegisterClassW(&wc);
        HWND hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"",
                                    WS_POPUP, m_rc.left, m_rc.top, m_expected.width, m_expected.height, NULL, NULL,
                                    wc.hInstance, NULL);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, (LONG_PTR)&m_expected);
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        m_dwThreadId = GetCurrentThreadId();
        m_hWnd = hWnd;  // the queue exists: WM_QUIT can reach it
        MSG msg;
        while (GetMessageW(&msg, NULL, 0, 0) > 0)
            DispatchMessageW(&msg);
        DestroyWindow(hWnd);
    });
    while (!m_hWnd)
        Sleep(10);
}

PatternWindow::~PatternWindow()
{
    PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
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

std::string PatternWindow::WaitUntilShown(DWORD dwTimeoutMs) const
{
    const RECT rcAll = { 0, 0, m_expected.width, m_expected.height };
    std::string difference = WaitFor([&] { return CompareCrop(ReadScreen(m_rc), m_expected, rcAll); }, dwTimeoutMs);
    return difference.empty() ? "" : "the screen does not show the pattern: " + difference;
}

Image UseSyntheticCapture(int cx, int cy, uint32_t (*pfnPixel)(int x, int y))
{
    g_cxScreen = cx;
    g_cyScreen = cy;
    SetRect(&g_rcMonitor, 0, 0, cx, cy);
    g_tracker.m_rcBounds = g_rcMonitor;
    CreateFrozenImage(NULL, cx, cy);
    CreateShadeBitmap();
    Image frozen = MakeImage(cx, cy, pfnPixel);
    DrawImage(g_hdcCapture, frozen);
    return frozen;
}

// The label's text as it must look: white, 10 points of its face at the DPI, its top-left corner at (x, y). The
// pixels it changes may be off by two levels: it is blended over a dimmed picture known within one.
static void DrawExpectedLabel(Image* pImage, std::vector<BYTE>* pTolerance, int x, int y, int nDpi)
{
    const int nEm = MulDiv(10, nDpi, 72), cx = 16 * nEm, cy = 3 * nEm;  // room for the text and then some
    BITMAPINFO bmi = { { sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB } };
    uint32_t* pBits = NULL;
    HBITMAP hbm = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pBits), NULL, 0);
    HDC hdc = CreateCompatibleDC(NULL);
    HGDIOBJ hOldBitmap = SelectObject(hdc, hbm);
    auto inside = [&](int i) { return x + i % cx >= 0 && x + i % cx < pImage->width && y + i / cx >= 0 && y + i / cx < pImage->height; };
    auto pixel = [&](int i) -> uint32_t& { return pImage->pixels[(size_t)(y + i / cx) * pImage->width + x + i % cx]; };
    for (int i = 0; i < cx * cy; i++)
        pBits[i] = inside(i) ? pixel(i) : 0;
    HFONT hFont = CreateFontW(-nEm, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Microsoft YaHei");
    HGDIOBJ hOldFont = SelectObject(hdc, hFont);
    SetTextColor(hdc, RGB(255, 255, 255));
    SetBkMode(hdc, TRANSPARENT);
    // "Double-click the left mouse button to have it recognised".
    TextOutW(hdc, 0, 0, L"\u53cc\u51fb\u9f20\u6807\u5de6\u952e\u5373\u53ef\u8bc6\u522b", 10);
    GdiFlush();
    for (int i = 0; i < cx * cy; i++)
        if (inside(i) && (pBits[i] & 0xFFFFFF) != pixel(i))
            pixel(i) = pBits[i] & 0xFFFFFF, (*pTolerance)[(size_t)(y + i / cx) * pImage->width + x + i % cx] = 2;
    DeleteObject(SelectObject(hdc, hOldFont));
    SelectObject(hdc, hOldBitmap);
    DeleteDC(hdc);
    DeleteObject(hbm);
}

std::string CompareOverlay(const Image& shown, const Image& frozen, const RECT& s, const Look& look)
{
    // Handles: corners diagonally outside the selection's corners, middles centred beside its edges.
    const LONG l = s.left, t = s.top, r = s.right, b = s.bottom, h = look.h;
    const LONG xMid = l - h + (r - l + h) / 2, yMid = t - h + (b - t + h) / 2;
    const POINT apt[8] = { { l - h, t - h }, { r, t - h }, { r, b },       { l - h, b },
                           { xMid, t - h },  { r, yMid },  { xMid, b }, { l - h, yMid } };
    const bool bFrame = !IsRectEmpty(&s);
    RECT rcOuter = s;
    InflateRect(&rcOuter, look.nPen, look.nPen);
    Image expected = frozen;
    std::vector<BYTE> tolerance(frozen.pixels.size());
    for (int y = 0; y < frozen.height; y++)
        for (int x = 0; x < frozen.width; x++) {
            const POINT pt = { x, y };
            const size_t i = (size_t)y * frozen.width + x;
            bool bHandle = false;
            for (int k = 0; k < 8; k++)
                bHandle |= bFrame && x >= apt[k].x && x < apt[k].x + h && y >= apt[k].y && y < apt[k].y + h;
            if (bHandle || (bFrame && PtInRect(&rcOuter, pt) && !PtInRect(&s, pt)))
                expected.pixels[i] = bHandle ? 0x17A2B8 : 0x1AAD19;
            else if (!PtInRect(&s, pt)) {
                expected.pixels[i] = 0, tolerance[i] = 1;
                for (int nShift : { 0, 8, 16 })
                    expected.pixels[i] |= ((frozen.pixels[i] >> nShift & 0xFF) * 175 + 127) / 255 << nShift;
            }
        }
    DrawExpectedLabel(&expected, &tolerance, l, t - look.nRise, look.nDpi);
    if (shown.width != expected.width || shown.height != expected.height)
        return "a picture of " + std::to_string(shown.width) + " x " + std::to_string(shown.height);
    for (size_t i = 0; i < expected.pixels.size(); i++)
        for (int nShift : { 0, 8, 16 })
            if (std::abs((int)(shown.pixels[i] >> nShift & 0xFF) - (int)(expected.pixels[i] >> nShift & 0xFF)) >
                tolerance[i]) {
                char sz[96];
                snprintf(sz, sizeof(sz), "pixel (%d, %d) is %06X, not %06X", (int)(i % expected.width),
                         (int)(i / expected.width), shown.pixels[i], expected.pixels[i]);
                return sz;
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

Watchdog::Watchdog(std::string what, DWORD dwTimeoutMs) : m_hDone(CreateEventW(NULL, TRUE, FALSE, NULL))
{
    m_thread = std::thread([this, what, dwTimeoutMs] {
        if (WaitForSingleObject(m_hDone, dwTimeoutMs) == WAIT_TIMEOUT)
            fprintf(stderr, "%s did not end within %lu ms\n", what.c_str(), dwTimeoutMs), fflush(stderr), ExitProcess(3);
    });
}

Watchdog::~Watchdog()
{
    SetEvent(m_hDone);
    m_thread.join();
    CloseHandle(m_hDone);
}
