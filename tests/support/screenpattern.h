// A topmost window of the test's own thread showing a known pattern at a
// known place on the screen, without taking the focus.
#pragma once

#include <windows.h>

#include <cstdint>

class ScreenPattern {
public:
    ScreenPattern(const RECT& rc, uint32_t (*pfnPixel)(int x, int y));
    ~ScreenPattern();
    ScreenPattern(const ScreenPattern&) = delete;
    ScreenPattern& operator=(const ScreenPattern&) = delete;

    HWND Window() const { return m_hWnd; }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    HBITMAP m_hbm;
    HWND m_hWnd = NULL;
};
