// The dimming, defined once: black blended at constant alpha 0x50 over each
// pixel, so that every channel keeps about 175/255 of its value. The blend
// treats each channel of each pixel alone, so one blend of a ramp of every
// value gives a table that dims any pixel exactly as blending it would.
#pragma once

#include <windows.h>

#include "capture/frame.h"

// Fills *pShade by blending black from a 1 x 1 bitmap over a ramp of every
// channel value, in bitmaps like hdcLike's. FALSE when they cannot be made.
BOOL MakeShadeTable(HDC hdcLike, ShadeTable* pShade);

// Sets bRoundedBlend from the table's entries; MakeShadeTable does it, as must
// whatever else fills a table.
void ClassifyShadeTable(ShadeTable* pShade);

// n pixels of pbFrom dimmed into pbTo as the table says; the unused fourth
// byte as it is.
void DimPixels(BYTE* pbTo, const BYTE* pbFrom, int n, const ShadeTable& shade);
