#include "tests/kit/screen.h"

#include <psapi.h>
#include <winternl.h>

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
    : m_rc(rc), m_expected(MakeImage(rc.right - rc.left, rc.bottom - rc.top, pfnPixel))
{
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
        m_dwThreadId = GetCurrentThreadId();  // the queue exists: WM_QUIT can reach it
        MSG msg;
        while (GetMessageW(&msg, NULL, 0, 0) > 0)
            DispatchMessageW(&msg);
        DestroyWindow(hWnd);
    });
    while (!m_dwThreadId)
        Sleep(10);
}

PatternWindow::~PatternWindow()
{
    PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
    m_thread.join();
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
    g_hbmShade = NULL;  // a shade and a dimmed image of this capture's own
    g_tracker.m_rcBounds = g_rcMonitor;
    g_hdcCapture = CreateCompatibleDC(NULL);
    g_hbmCapture = CreateBitmap(cx, cy, 1, 32, NULL);  // the screen's format, as the capture's
    SelectObject(g_hdcCapture, g_hbmCapture);
    DrawImage(g_hdcCapture, MakeImage(cx, cy, pfnPixel));
    CreateShadeBitmap();
    return ReadDC(g_hdcCapture, 0, 0, cx, cy);
}

std::string CompareOverlay(const Image& shown, const Image& frozen, const Image& dimmed, const RECT& rcSel,
                           int h, int nPen, UINT mask, const RECT& rcSkip)
{
    // Handles: corners diagonally outside the selection's corners, middles centred beside its edges.
    const LONG l = rcSel.left, t = rcSel.top, r = rcSel.right, b = rcSel.bottom;
    const LONG xMid = l - h + (r - l + h) / 2, yMid = t - h + (b - t + h) / 2;
    const POINT apt[8] = { { l - h, t - h }, { r, t - h }, { r, b },       { l - h, b },
                           { xMid, t - h },  { r, yMid },  { xMid, b }, { l - h, yMid } };
    RECT rcOuter = rcSel, rcInner = rcSel;
    InflateRect(&rcOuter, nPen, nPen);
    InflateRect(&rcInner, 1 - nPen, 1 - nPen);
    for (int y = 0; y < shown.height; y++)
        for (int x = 0; x < shown.width; x++) {
            POINT pt = { x, y };
            bool bHandle = false, bRing = PtInRect(&rcOuter, pt) && !PtInRect(&rcInner, pt);
            for (int i = 0; i < 8; i++)
                bHandle |= (mask >> i & 1) && x >= apt[i].x && x < apt[i].x + h && y >= apt[i].y && y < apt[i].y + h;
            uint32_t expected = bHandle ? 0x17A2B8 : bRing ? 0x1AAD19 : PtInRect(&rcSel, pt) ? frozen.At(x, y)
                                                                                              : dimmed.At(x, y);
            if (!PtInRect(&rcSkip, pt) && (bHandle || !bRing || nPen == 1) && shown.At(x, y) != expected) {
                char sz[96];
                snprintf(sz, sizeof(sz), "pixel (%d, %d) is %06X, not %06X", x, y, shown.At(x, y), expected);
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
