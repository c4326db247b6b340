#include "tests/kit/screen.h"

#include <psapi.h>
#include <winternl.h>

#include "app/globals.h"
#include "capture/capture.h"

static LRESULT CALLBACK PatternWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    if (uMsg != WM_PAINT)
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    HDC hdcMem = CreateCompatibleDC(hdc);
    HGDIOBJ hOld = SelectObject(hdcMem, (HBITMAP)GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    BitBlt(hdc, 0, 0, 65535, 65535, hdcMem, 0, 0, SRCCOPY);
    SelectObject(hdcMem, hOld);
    DeleteDC(hdcMem);
    EndPaint(hWnd, &ps);
    return 0;
}

PatternWindow::PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y))
    : m_rc(rc), m_hbm(MakePatternBitmap(rc.right - rc.left, rc.bottom - rc.top, pfnPixel)),
      m_hReady(CreateEventW(NULL, TRUE, FALSE, NULL))
{
    m_expected = Image{ rc.right - rc.left, rc.bottom - rc.top };
    for (int i = 0; i < m_expected.width * m_expected.height; i++)
        m_expected.pixels.push_back(pfnPixel(i % m_expected.width, i / m_expected.width));
    m_thread = std::thread([this] {
        SetProcessDPIAware();
        WNDCLASSW wc = { 0, PatternWindowProc, 0, 0, GetModuleHandleW(NULL) };
        wc.lpszClassName = L"KelvaneTestPattern";
        RegisterClassW(&wc);
        HWND hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"",
                                    WS_POPUP, m_rc.left, m_rc.top, m_rc.right - m_rc.left,
                                    m_rc.bottom - m_rc.top, NULL, NULL, wc.hInstance, NULL);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, (LONG_PTR)m_hbm);
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        m_dwThreadId = GetCurrentThreadId();  // the queue exists: WM_QUIT can reach it
        SetEvent(m_hReady);
        MSG msg;
        while (GetMessageW(&msg, NULL, 0, 0) > 0)
            DispatchMessageW(&msg);
        DestroyWindow(hWnd);
    });
    WaitForSingleObject(m_hReady, 15000);
}

PatternWindow::~PatternWindow()
{
    PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
    m_thread.join();
    CloseHandle(m_hReady);
    DeleteObject(m_hbm);
}

std::string PatternWindow::WaitUntilShown(DWORD dwTimeoutMs) const
{
    std::string difference;
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < dwTimeoutMs; Sleep(50))
        if ((difference = CompareCrop(ReadScreen(m_rc), m_expected, 0, 0)).empty())
            return "";
    return "the screen does not show the pattern: " + difference;
}

Image UseSyntheticCapture(int cx, int cy, uint32_t (*pfnPixel)(int x, int y))
{
    HDC hdcScreen = GetDC(NULL);
    g_cxScreen = cx;
    g_cyScreen = cy;
    SetRect(&g_rcMonitor, 0, 0, cx, cy);
    g_tracker.m_rcBounds = g_rcMonitor;
    g_hdcCapture = CreateCompatibleDC(hdcScreen);
    g_hbmCapture = CreateCompatibleBitmap(hdcScreen, cx, cy);
    SelectObject(g_hdcCapture, g_hbmCapture);
    ReleaseDC(NULL, hdcScreen);
    HBITMAP hbmPattern = MakePatternBitmap(cx, cy, pfnPixel);
    HDC hdcPattern = CreateCompatibleDC(g_hdcCapture);
    HGDIOBJ hOld = SelectObject(hdcPattern, hbmPattern);
    BitBlt(g_hdcCapture, 0, 0, cx, cy, hdcPattern, 0, 0, SRCCOPY);
    SelectObject(hdcPattern, hOld);
    DeleteDC(hdcPattern);
    DeleteObject(hbmPattern);
    CreateShadeBitmap();
    return ReadDC(g_hdcCapture, 0, 0, cx, cy);
}

std::string CompareOverlay(const Image& shown, const Image& frozen, const Image& dimmed, const RECT& rcSel,
                           int h, int nPen, UINT mask, const RECT& rcSkip)
{
    const LONG l = rcSel.left, t = rcSel.top, r = rcSel.right, b = rcSel.bottom;
    // Corners diagonally outside the selection's corners, middles centred beside its edges.
    const LONG xMid = l - h + (r - l + h) / 2, yMid = t - h + (b - t + h) / 2;
    const POINT aptHandle[8] = { { l - h, t - h }, { r, t - h }, { r, b }, { l - h, b },
                                 { xMid, t - h }, { r, yMid }, { xMid, b }, { l - h, yMid } };
    RECT rcOuter = rcSel, rcInner = rcSel;
    InflateRect(&rcOuter, nPen, nPen);
    InflateRect(&rcInner, 1 - nPen, 1 - nPen);
    for (int y = 0; y < shown.height; y++)
        for (int x = 0; x < shown.width; x++) {
            POINT pt = { x, y };
            bool bHandle = false;
            for (int i = 0; i < 8; i++)
                bHandle |= (mask >> i & 1) && x >= aptHandle[i].x && x < aptHandle[i].x + h &&
                           y >= aptHandle[i].y && y < aptHandle[i].y + h;
            bool bRing = PtInRect(&rcOuter, pt) && !PtInRect(&rcInner, pt);
            if (PtInRect(&rcSkip, pt) || (!bHandle && bRing && nPen > 1))
                continue;
            uint32_t expected = bHandle ? 0x17A2B8 : bRing ? 0x1AAD19 : PtInRect(&rcSel, pt) ? frozen.At(x, y)
                                                                                              : dimmed.At(x, y);
            if (shown.At(x, y) != expected) {
                char sz[96];
                snprintf(sz, sizeof(sz), "pixel (%d, %d) is %06X, not %06X", x, y, shown.At(x, y), expected);
                return sz;
            }
        }
    return "";
}

// The PEB keeps the table's address at 0xF8 in a 64-bit process and at 0x94
// in a 32-bit one; but a 32-bit process that Wine runs beside a 64-bit TEB
// (whose address it keeps in the 32-bit TEB's GdiBatchCount, at 0xF70) finds
// it in that TEB's 64-bit PEB (the TEB's 0x60) instead.
// Its entries are 24 bytes, the type at 14 (0 for a free entry), on every architecture.
static const BYTE* WineGdiHandleTable()
{
    BYTE* pPeb = reinterpret_cast<BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#ifdef _WIN64
    return *reinterpret_cast<BYTE**>(pPeb + 0xF8);
#else
    ULONG ulTeb64 = *reinterpret_cast<ULONG*>(reinterpret_cast<BYTE*>(NtCurrentTeb()) + 0xF70);
    if (auto pTable = *reinterpret_cast<BYTE**>(pPeb + 0x94))
        return pTable;
    ULONG ulPeb64 = ulTeb64 ? *reinterpret_cast<ULONG*>(ulTeb64 + 0x60) : 0;
    return ulPeb64 ? *reinterpret_cast<BYTE**>(ulPeb64 + 0xF8) : nullptr;
#endif
}

DWORD CountGdiObjects()
{
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const BYTE* pTable = n ? nullptr : WineGdiHandleTable();
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
