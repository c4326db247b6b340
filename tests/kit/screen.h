// The test's own windows on the screen, and waiting, with a bound, for a state.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "tests/kit/images.h"

// Polls until the check answers "", for at most the bound; its last answer.
std::string WaitFor(const std::function<std::string()>& check, DWORD dwTimeoutMs = 10000);

// A window of its own thread, made by the function given, with its message loop; destroyed with the object.
class ThreadWindow : NonCopyable {
public:
    explicit ThreadWindow(std::function<HWND()> create);
    ~ThreadWindow() { PostThreadMessageW(GetWindowThreadProcessId(m_hWnd, NULL), WM_QUIT, 0, 0), m_thread.join(); }
    HWND Handle() const { return m_hWnd; }

private:
    std::atomic<HWND> m_hWnd{ NULL };
    std::thread m_thread;
};

// A topmost, never activated window over rc showing pfnPixel (relative to rc), or its inverse.
class PatternWindow {
public:
    PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y));
    std::string WaitUntilShown() const;  // "" once the screen shows the picture exactly
    void ShowInverse(bool bInverse);
    const Image& Expected() const { return m_expected; }

private:
    RECT m_rc;
    Image m_expected, m_inverse;
    ThreadWindow m_window;
};

// A window that takes the foreground and counts the keys that reach it; off every monitor, as without a window manager
// Wine raises an activated window above the topmost ones in X.
class WindowInFront {
public:
    WindowInFront();
    bool HoldsTheForeground() const { return WaitFor([&] { return GetForegroundWindow() == m_window.Handle() ? "" : "no"; }).empty(); }
    int Keys() const { return s_nKeys; }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static inline std::atomic<int> s_nKeys{ 0 };
    ThreadWindow m_window;
};

// Ends the process with a message unless destroyed within its time: a hang fails a suite instead of stalling it.
class Watchdog {
public:
    Watchdog(const char* pszWhat, DWORD dwTimeoutMs);  // pszWhat lives as long as the watchdog
    ~Watchdog() { DeleteTimerQueueTimer(NULL, m_hTimer, INVALID_HANDLE_VALUE); }

private:
    HANDLE m_hTimer = NULL;
};
