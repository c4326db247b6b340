// The screen side of the tests: a known picture shown on the screen, a
// capture made up without the screen, and the process's GDI objects and
// private bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>

#include "tests/kit/pixels.h"

// A topmost, never activated window on a thread of its own that shows a
// pattern over rc (virtual-screen coordinates); pfnPixel gets positions
// relative to rc's top-left corner.
class PatternWindow {
public:
    PatternWindow(const RECT& rc, uint32_t (*pfnPixel)(int x, int y));
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    // Waits until the screen over rc shows exactly the pattern: "" once it
    // does, else what differs.
    std::string WaitUntilShown(DWORD dwTimeoutMs = 15000) const;
    const Image& Expected() const { return m_expected; }

private:
    void Run();

    RECT m_rc;
    Image m_expected;
    HBITMAP m_hbm = NULL;
    HANDLE m_hReady = NULL;
    DWORD m_dwThreadId = 0;
    std::thread m_thread;
};

// Fills g_cxScreen, g_cyScreen, g_rcMonitor (at (0, 0)), g_hdcCapture,
// g_hbmCapture (a bitmap compatible with the screen, as a capture is), the
// tracker's bounds and g_hbmShade, as if a cx x cy monitor showing
// TestPattern had been captured. Returns the frozen image as pixels.
Image UseSyntheticCapture(int cx, int cy);

// GDI objects of this process: GetGuiResources where the system counts them;
// where it does not (Wine), the live entries of the process's GDI handle
// table. Zero when neither works.
DWORD CountGdiObjects();

// Private bytes of this process: PrivateUsage where the system fills it in,
// else the page-file usage (which Wine reports for the private pages in use).
SIZE_T PrivateBytes();
