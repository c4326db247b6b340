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
