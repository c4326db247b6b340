// Pictures made, shown, read back and compared (checks return "" or what is wrong), a made-up capture, the overlay the
// picker must show, GDI objects and memory.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// 0x00RRGGBB per pixel, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

Image ReadDC(HDC hdc, int x, int y, int cx, int cy);
Image ReadScreen(const RECT& rc);  // virtual-screen coordinates
uint32_t TestPattern(int x, int y);   // neighbours differ, no row or column repeats within 256
uint32_t NoisePattern(int x, int y);  // no order at all: its PNG is about as large as its pixels

// Decodes text, which must be strict Base64 (no line end) of exactly one PNG, nothing after its end chunk.
std::string DecodeSinglePngText(const std::string& text, Image* pImage);
// image equals reference's rectangle rc (its edges in either order).
std::string CompareCrop(const Image& image, const Image& reference, const RECT& rc);

// Polls until the check answers "", for at most the bound; its last answer.
std::string WaitFor(const std::function<std::string()>& check, DWORD dwTimeoutMs = 10000);

// A topmost, never activated window of its own thread over rc showing pfnPixel (relative to rc), or its inverse.
class PatternWindow {
public:
    PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y));
    ~PatternWindow();
    std::string WaitUntilShown() const;  // "" once the screen shows the picture exactly
    void ShowInverse(bool bInverse);
    const Image& Expected() const { return m_expected; }

private:
    RECT m_rc;
    Image m_expected, m_inverse;
    std::atomic<HWND> m_hWnd{ NULL };
    std::thread m_thread;
};

// The run's globals as if a cx x cy monitor at (0, 0) showing the pattern had been captured: the frozen image.
Image UseSyntheticCapture(int cx, int cy, uint32_t (*pfnPixel)(int x, int y) = TestPattern);

// How the overlay looks at a DPI: handle side, frame width and the label's rise above the selection.
struct Look {
    int nDpi, h, nPen, nRise;
};
const Look c_look96 = { 96, 8, 1, 62 }, c_look120 = { 120, 10, 1, 54 }, c_look144 = { 144, 12, 2, 47 };

// "" when shown is the overlay of the normalised selection s (blank: none; if not empty, at least 29 pixels a side,
// so that all eight handles show) over the frozen image: dimmed outside it (175/255 of each channel, within a level),
// a frame ring of the pen's width just outside it, the handles, and the label's text drawn over all that.
std::string CompareOverlay(const Image& shown, const Image& frozen, const RECT& s, const Look& look);

DWORD CountGdiObjects();  // this process's, on every system and architecture
SIZE_T PrivateBytes();    // PrivateUsage, or the page-file usage where the system leaves that 0 (Wine)

// Ends the process with a message unless destroyed within its time: a hang fails a suite instead of stalling it.
class Watchdog {
public:
    Watchdog(const char* pszWhat, DWORD dwTimeoutMs);  // pszWhat lives as long as the watchdog
    ~Watchdog() { DeleteTimerQueueTimer(NULL, m_hTimer, INVALID_HANDLE_VALUE); }

private:
    HANDLE m_hTimer = NULL;
};
