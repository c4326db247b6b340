// The selection cropped out of the frozen image as a PNG, with GDI+ loaded
// from the system folder alone.
#pragma once

#include <windows.h>

#include <functional>

#include "common/gdiguards.h"
#include "common/pixels.h"

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

// The platform's PNG encoder, as CLSIDFromString reads it.
extern const WCHAR c_szPngEncoder[];

// The crop of rcSelection (edges in any order) out of a cx x cy image, in
// *prcCrop; false when the selection is empty or leaves the image.
bool CropOfSelection(const RECT& rcSelection, int cx, int cy, RECT* prcCrop);

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
