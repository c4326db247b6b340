#include "tests/hardening/picker_driver.h"

#include <cstring>

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
    m_expected.width = cx;
    m_expected.height = cy;
    m_expected.pixels.resize((size_t)cx * cy);
    for (int y = 0; y < cy; y++)
        for (int x = 0; x < cx; x++)
            m_expected.pixels[(size_t)y * cx + x] = pfnPixel(x, y);
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
    m_dwThreadId = GetCurrentThreadId();
    HDC hdcPattern = CreateCompatibleDC(NULL);
    HGDIOBJ hOld = SelectObject(hdcPattern, m_hbm);

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PatternWindowProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = L"KelvaneHardeningPattern";
    RegisterClassExW(&wc);
    HWND hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName,
                                L"pattern", WS_POPUP, m_rc.left, m_rc.top, m_rc.right - m_rc.left,
                                m_rc.bottom - m_rc.top, NULL, NULL, wc.hInstance, NULL);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hdcPattern));
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hWnd);
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

::testing::AssertionResult PatternWindow::WaitUntilShown(DWORD dwTimeoutMs) const
{
    DWORD dwStart = GetTickCount();
    long long nMismatch;
    do {
        Image screen = ReadScreen(m_rc);
        if (screen.width != m_expected.width || screen.height != m_expected.height)
            return ::testing::AssertionFailure() << "the screen could not be read";
        nMismatch = FirstMismatch(screen, m_expected, 0, 0);
        if (nMismatch < 0)
            return ::testing::AssertionSuccess();
        Sleep(100);
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return ::testing::AssertionFailure() << "the screen does not show the pattern; first difference at pixel "
                                         << nMismatch;
}

uint32_t InvertedTestPattern(int x, int y)
{
    return ~TestPattern(x, y) & 0x00FFFFFF;
}

HWND StartPicker(ChildProcess* pProcess, POINT ptCursor, StdoutMode mode)
{
    SetCursorPos(ptCursor.x, ptCursor.y);
    if (!pProcess->Start(SiblingPath(L"OCRKelvane.exe"), L"", mode))
        return NULL;
    return pProcess->WaitForWindow(L"OCRKelvane", 30000);
}

void PostMouse(HWND hWnd, UINT uMsg, int x, int y)
{
    WPARAM wButtons = (uMsg == WM_LBUTTONUP) ? 0 : MK_LBUTTON;
    PostMessageW(hWnd, uMsg, wButtons, MAKELPARAM((WORD)(short)x, (WORD)(short)y));
}

void PostBand(HWND hWnd, int x0, int y0, int x1, int y1)
{
    PostMouse(hWnd, WM_LBUTTONDOWN, x0, y0);
    PostMouse(hWnd, WM_MOUSEMOVE, x0 + 2, y0 + 2);
    PostMouse(hWnd, WM_MOUSEMOVE, x1, y1);
    PostMouse(hWnd, WM_LBUTTONUP, x1, y1);
}

void PostMoveDrag(HWND hWnd, int x0, int y0, int x1, int y1)
{
    PostMouse(hWnd, WM_LBUTTONDOWN, x0, y0);
    PostMouse(hWnd, WM_MOUSEMOVE, (x0 + x1) / 2, (y0 + y1) / 2);
    PostMouse(hWnd, WM_MOUSEMOVE, x1, y1);
    PostMouse(hWnd, WM_LBUTTONUP, x1, y1);
}

void PostKeyUp(HWND hWnd, WORD wVk)
{
    // Repeat count 1, previous state down, transition state up.
    PostMessageW(hWnd, WM_KEYUP, wVk, 0xC0000001);
}

::testing::AssertionResult DecodeSinglePng(const std::string& out, Image* pImage)
{
    if (out.empty())
        return ::testing::AssertionFailure() << "nothing was written";
    if (out.find_first_of("\r\n") != std::string::npos)
        return ::testing::AssertionFailure() << "the text has a line break";
    std::vector<BYTE> png;
    if (!Base64Decode(out, &png))
        return ::testing::AssertionFailure() << "not Base64 text (" << out.size() << " characters)";
    static const BYTE c_signature[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    if (png.size() < 8 || memcmp(png.data(), c_signature, 8) != 0)
        return ::testing::AssertionFailure() << "no PNG signature";
    // Walk the chunks: one header first, the end chunk last, nothing after it.
    size_t pos = 8;
    int nChunks = 0;
    bool bEnded = false;
    while (pos + 12 <= png.size() && !bEnded) {
        size_t cb = ((size_t)png[pos] << 24) | ((size_t)png[pos + 1] << 16) | ((size_t)png[pos + 2] << 8) | png[pos + 3];
        std::string type(png.begin() + pos + 4, png.begin() + pos + 8);
        if ((nChunks == 0) != (type == "IHDR"))
            return ::testing::AssertionFailure() << "chunk " << nChunks << " is " << type;
        if (cb > png.size() - pos - 12)
            return ::testing::AssertionFailure() << "chunk " << type << " runs past the end";
        bEnded = (type == "IEND");
        pos += 12 + cb;
        nChunks++;
    }
    if (!bEnded || pos != png.size())
        return ::testing::AssertionFailure() << "the PNG does not end with its end chunk (" << png.size() - pos
                                             << " bytes after it)";
    if (!DecodePng(png, pImage))
        return ::testing::AssertionFailure() << "GDI+ cannot decode the PNG";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ImageMatches(const Image& image, const Image& reference, int x0, int y0)
{
    if (x0 < 0 || y0 < 0 || x0 + image.width > reference.width || y0 + image.height > reference.height)
        return ::testing::AssertionFailure() << image.width << " x " << image.height << " at (" << x0 << ", "
                                             << y0 << ") lies outside the " << reference.width << " x "
                                             << reference.height << " reference";
    long long n = FirstMismatch(image, reference, x0, y0);
    if (n >= 0)
        return ::testing::AssertionFailure() << "pixel (" << n % image.width << ", " << n / image.width
                                             << ") differs: 0x" << std::hex << image.pixels[(size_t)n]
                                             << " instead of 0x"
                                             << reference.At(x0 + (int)(n % image.width), y0 + (int)(n / image.width));
    return ::testing::AssertionSuccess();
}
