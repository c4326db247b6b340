// The selection cropped out of the frozen image as a PNG, with GDI+ loaded
// from the system folder alone.
#pragma once

#include <windows.h>

#include <functional>

#include "common/gdiguards.h"

// GDI+ started for the life of the object; false when gdiplus.dll cannot be
// loaded from the system folder or does not start.
class GdiplusSession : NonCopyable {
public:
    GdiplusSession();
    ~GdiplusSession();
    explicit operator bool() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

// An image of 32-bit pixels (blue, green, red, unused), rows top to bottom.
struct PixelRows {
    BYTE* pbTop;     // the top row's first pixel
    int cx, cy;
    int cbStride;    // bytes from one row to the next one down; negative for a bottom-up image
};

// What is done with a PNG's bytes while its stream holds them.
using PngUse = std::function<void(const BYTE* pbPng, size_t cbPng)>;

// Crops rcSelection (edges in any order) out of the image as a complete PNG,
// reading the selection's rows in place, and hands its bytes to usePng before
// the stream that holds them is released. False, having handed nothing, for
// an empty selection or one that leaves the image, or when the PNG cannot be
// made. Needs a started GdiplusSession. The PNG is written into cbRoom bytes
// given beforehand, 0 for room enough for any PNG of the crop; a PNG that
// outgrows them grows its stream.
bool EncodeSelectionPng(const PixelRows& image, const RECT& rcSelection, const PngUse& usePng, ULONGLONG cbRoom = 0);
