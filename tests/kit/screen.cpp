#include "tests/kit/screen.h"

#include <algorithm>
#include <cstdio>

std::string WaitFor(const std::function<std::string()>& check, DWORD dwTimeoutMs)
{
    std::string failure;
    for (DWORD dwStart = GetTickCount(); !(failure = check()).empty() && GetTickCount() - dwStart < dwTimeoutMs;)
        Sleep(20);
    return failure;
}

ThreadWindow::ThreadWindow(std::function<HWND()> create)
{
    m_thread = std::thread([this, create] {
        HWND hWnd = create();
        m_hWnd = hWnd;  // the queue exists: WM_QUIT can reach it
        for (MSG msg; GetMessageW(&msg, NULL, 0, 0) > 0;)
            DispatchMessageW(&msg);
        DestroyWindow(hWnd);
    });
    while (!m_hWnd)
        Sleep(10);
}

static LRESULT CALLBACK PatternWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_ERASEBKGND)  // all of its painting: DefWindowProc's WM_PAINT asks for it
        return DrawImage((HDC)wParam, *reinterpret_cast<const Image*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA))), 1;
    return uMsg == WM_MOUSEACTIVATE ? MA_NOACTIVATE : DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

PatternWindow::PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y))
    : m_rc(rc), m_expected(MakeImage(rc.right - rc.left, rc.bottom - rc.top, pfnPixel)), m_inverse(m_expected),
      m_window([this] {
          SetProcessDPIAware();
          WNDCLASSW wc = { 0, PatternWindowProc, 0, 0, GetModuleHandleW(NULL), NULL, NULL, NULL, NULL, L"KelvanePattern" };
          RegisterClassW(&wc);
          HWND hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"",
                                      WS_POPUP, m_rc.left, m_rc.top, m_expected.width, m_expected.height, NULL, NULL,
                                      NULL, NULL);
          SetWindowLongPtrW(hWnd, GWLP_USERDATA, (LONG_PTR)&m_expected);
          ShowWindow(hWnd, SW_SHOWNOACTIVATE);
          return hWnd;
      })
{
    std::for_each(m_inverse.pixels.begin(), m_inverse.pixels.end(), [](uint32_t& pixel) { pixel ^= 0xFFFFFF; });
}

void PatternWindow::ShowInverse(bool bInverse)
{
    SetWindowLongPtrW(m_window.Handle(), GWLP_USERDATA, (LONG_PTR)(bInverse ? &m_inverse : &m_expected));
    InvalidateRect(m_window.Handle(), NULL, TRUE);
}

std::string PatternWindow::WaitUntilShown() const
{
    const RECT rcAll = { 0, 0, m_expected.width, m_expected.height };
    std::string difference = WaitFor([&] { return CompareCrop(ReadScreen(m_rc), m_expected, rcAll); }, 15000);
    return difference.empty() ? "" : "the screen does not show the pattern: " + difference;
}

WindowInFront::WindowInFront()
    : m_window([] {
          WNDCLASSW wc = { 0, Proc, 0, 0, GetModuleHandleW(NULL), NULL, NULL, NULL, NULL, L"KelvaneInFront" };
          RegisterClassW(&wc);
          HWND hWnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, -2000, -2000, 300, 200, NULL,
                                      NULL, NULL, NULL);
          SetForegroundWindow(hWnd);
          return hWnd;
      })
{
    s_nKeys = 0;
}

LRESULT CALLBACK WindowInFront::Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    s_nKeys += uMsg >= WM_KEYFIRST && uMsg <= WM_KEYLAST;
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

static void CALLBACK Bark(PVOID pszWhat, BOOLEAN)
{
    fprintf(stderr, "%s did not end in time\n", static_cast<const char*>(pszWhat)), ExitProcess(3);
}

Watchdog::Watchdog(const char* pszWhat, DWORD dwTimeoutMs)
{
    CreateTimerQueueTimer(&m_hTimer, NULL, Bark, const_cast<char*>(pszWhat), dwTimeoutMs, 0, WT_EXECUTEONLYONCE);
}
