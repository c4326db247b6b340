// What a run freezes, as one value: made by the capture, kept by app/ for the
// run and handed down to the painter and the export, which keep nothing of it.
#pragma once

#include <windows.h>

#include "common/pixels.h"

// What the dimming makes of each blue, green and red value.
struct ShadeTable {
    BYTE ab[3][256];
    bool bRoundedBlend;  // every entry is (v x 175 + 127) / 255, which four pixels at a time compute
};

// The frozen image of a monitor (its pixels as PixelRows, cx x cy, the
// monitor's size) and what was read of that monitor with it.
struct FrozenFrame : PixelRows {
    HDC hdc;         // memory DC holding the image
    HBITMAP hbm;     // the image: a 32-bit DIB section, selected into hdc
    RECT rcMonitor;  // the monitor, in virtual-screen coordinates
    float flScale;   // its display scale, from its own DPI: handles, frame, label
    int nDpiY;       // its vertical DPI, which sizes the label's font
    ShadeTable shade;
};
