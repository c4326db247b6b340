// The overlay the picker must show, computed from the frozen picture and the figures of its look alone.
#pragma once

#include <string>

#include "tests/kit/images.h"

// How the overlay looks at a DPI: handle side, frame width and the label's rise above the selection.
struct Look {
    int nDpi, h, nPen, nRise;
};
const Look c_look96 = { 96, 8, 1, 62 }, c_look120 = { 120, 10, 1, 54 }, c_look144 = { 144, 12, 2, 47 };

// "" when shown is the overlay of the normalised selection s (blank: none; else 29 pixels a side at least, so that all
// eight handles show) over the frozen image: dimmed outside it (175/255 of each channel, within a level), a ring of the
// pen's width just outside it, the handles, and the white label over all that (exact where it covers a pixel whole).
std::string CompareOverlay(const Image& shown, const Image& frozen, const RECT& s, const Look& look);
