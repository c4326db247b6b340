// A known picture on the screen, a made-up capture, the overlay the painter must show, GDI objects and memory.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

#include "tests/kit/pixels.h"

// Polls until the check answers "", for at most the bound; its last answer.
std::string WaitFor(const std::function<std::string()>& check, DWORD dwTimeoutMs = 10000);

// A topmost, never activated window of its own thread showing pfnPixel (positions relative to rc) over rc.
class PatternWindow {
public:
    PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y));
    ~PatternWindow();
    std::string WaitUntilShown(DWORD dwTimeoutMs = 15000) const;  // "" once the screen shows it exactly
    const Image& Expected() const { return m_expected; }

private:
    RECT m_rc;
    Image m_expected;
    std::atomic<DWORD> m_dwThreadId{ 0 };
    std::thread m_thread;
};

// The run's globals as if a cx x cy monitor at (0, 0) showing the pattern had been captured: the frozen image.
Image UseSyntheticCapture(int cx, int cy, uint32_t (*pfnPixel)(int x, int y) = TestPattern);

// The painter's output for the normalised selection rcSel: the frozen image inside, the frame ring just outside (a
// wider pen's ring unjudged), the handles of side h in mask, dimmed elsewhere; rcSkip (the label) not judged.
std::string CompareOverlay(const Image& shown, const Image& frozen, const Image& dimmed, const RECT& rcSel,
                           int h, int nPen, UINT mask, const RECT& rcSkip);

DWORD CountGdiObjects();  // this process's, on every system and architecture
SIZE_T PrivateBytes();    // PrivateUsage, or the page-file usage where the system leaves that 0 (Wine)
