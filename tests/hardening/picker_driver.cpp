#include "tests/hardening/picker_driver.h"

#include <cstring>

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
    std::string problem = DecodeSinglePngText(out, pImage);
    if (problem.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problem;
}

::testing::AssertionResult ImageMatches(const Image& image, const Image& reference, int x0, int y0)
{
    std::string problem = CompareCrop(image, reference, x0, y0);
    if (problem.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problem;
}
