#include "tests/kit/screen.h"

#include <psapi.h>
#include <winternl.h>

#include "app/globals.h"
#include "capture/capture.h"

static LRESULT CALLBACK PatternWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        RECT rc;
        GetClientRect(hWnd, &rc);
        // The pattern's memory DC rides in the window's user data.
        HDC hdcPattern = reinterpret_cast<HDC>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (hdcPattern)
            BitBlt(hdc, 0, 0, rc.right, rc.bottom, hdcPattern, 0, 0, SRCCOPY);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

PatternWindow::PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y)) : m_rc(rc)
{
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    m_hbm = MakePatternBitmap(cx, cy, pfnPixel);
    m_expected = ReadBitmap(m_hbm);
    m_hReady = CreateEventW(NULL, TRUE, FALSE, NULL);
    m_thread = std::thread([this] { Run(); });
    WaitForSingleObject(m_hReady, 15000);
}

PatternWindow::~PatternWindow()
{
    if (m_dwThreadId)
        PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
    if (m_thread.joinable())
        m_thread.join();
    CloseHandle(m_hReady);
    if (m_hbm)
        DeleteObject(m_hbm);
}

void PatternWindow::Run()
{
    SetProcessDPIAware();
    HDC hdcPattern = CreateCompatibleDC(NULL);
    HGDIOBJ hOld = SelectObject(hdcPattern, m_hbm);

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PatternWindowProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = L"KelvaneTestPattern";
    RegisterClassExW(&wc);
    HWND hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName,
                                L"pattern", WS_POPUP, m_rc.left, m_rc.top, m_rc.right - m_rc.left,
                                m_rc.bottom - m_rc.top, NULL, NULL, wc.hInstance, NULL);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hdcPattern));
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hWnd);
    // Set last: the destructor posts WM_QUIT only to a thread with a queue.
    m_dwThreadId = GetCurrentThreadId();
    SetEvent(m_hReady);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyWindow(hWnd);
    SelectObject(hdcPattern, hOld);
    DeleteDC(hdcPattern);
}

std::string PatternWindow::WaitUntilShown(DWORD dwTimeoutMs) const
{
    DWORD dwStart = GetTickCount();
    std::string difference;
    do {
        Image screen = ReadScreen(m_rc);
        difference = CompareCrop(screen, m_expected, 0, 0);
        if (difference.empty())
            return difference;
        Sleep(100);
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return "the screen does not show the pattern: " + difference;
}

Image UseSyntheticCapture(int cx, int cy)
{
    HDC hdcScreen = GetDC(NULL);
    g_cxScreen = cx;
    g_cyScreen = cy;
    SetRect(&g_rcMonitor, 0, 0, cx, cy);
    SetRect(&g_tracker.m_rcBounds, 0, 0, cx, cy);
    g_hdcCapture = CreateCompatibleDC(hdcScreen);
    g_hbmCapture = CreateCompatibleBitmap(hdcScreen, cx, cy);
    SelectObject(g_hdcCapture, g_hbmCapture);
    ReleaseDC(NULL, hdcScreen);

    HBITMAP hbmPattern = MakePatternBitmap(cx, cy, TestPattern);
    HDC hdcPattern = CreateCompatibleDC(g_hdcCapture);
    HGDIOBJ hOld = SelectObject(hdcPattern, hbmPattern);
    BitBlt(g_hdcCapture, 0, 0, cx, cy, hdcPattern, 0, 0, SRCCOPY);
    SelectObject(hdcPattern, hOld);
    DeleteDC(hdcPattern);
    DeleteObject(hbmPattern);

    CreateShadeBitmap();
    return ReadDC(g_hdcCapture, 0, 0, cx, cy);
}

// One entry of Wine's GDI handle table (the same layout on every architecture).
#pragma pack(push, 1)
struct WineGdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;  // zero for a free entry
    uint8_t flags;
    uint64_t user;
};
#pragma pack(pop)

// The address of Wine's GDI handle table: the PEB keeps it at 0xF8 in a
// 64-bit process and at 0x94 in a 32-bit one. A 32-bit process that Wine
// runs beside a 64-bit TEB (whose address it keeps in the 32-bit TEB's
// GdiBatchCount, at 0xF70) finds it in that TEB's 64-bit PEB instead.
static const WineGdiHandleEntry* WineGdiHandleTable()
{
    BYTE* pPeb = reinterpret_cast<BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#ifdef _WIN64
    return *reinterpret_cast<WineGdiHandleEntry**>(pPeb + 0xF8);
#else
    if (auto pTable = *reinterpret_cast<WineGdiHandleEntry**>(pPeb + 0x94))
        return pTable;
    ULONG ulTeb64 = *reinterpret_cast<ULONG*>(reinterpret_cast<BYTE*>(NtCurrentTeb()) + 0xF70);
    if (!ulTeb64)
        return nullptr;
    ULONG ulPeb64 = *reinterpret_cast<ULONG*>(ulTeb64 + 0x60);
    return ulPeb64 ? *reinterpret_cast<WineGdiHandleEntry**>(ulPeb64 + 0xF8) : nullptr;
#endif
}

static DWORD CountWineGdiHandles()
{
    const WineGdiHandleEntry* pTable = WineGdiHandleTable();
    if (!pTable)
        return 0;
    DWORD n = 0;
    for (int i = 0; i < 0x10000; i++)
        if (pTable[i].type)
            n++;
    return n;
}

DWORD CountGdiObjects()
{
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return n ? n : CountWineGdiHandles();
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}
