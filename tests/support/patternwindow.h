// A topmost window of the test's own thread showing a known pattern at a
// known place on the screen, without taking the focus.
#pragma once

#include <windows.h>

#include <cstdint>

class PatternWindow {
public:
    PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y));
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    HWND Window() const { return m_hWnd; }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    HBITMAP m_hbm;
    HWND m_hWnd = NULL;
};
