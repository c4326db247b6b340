// Pure rectangle arithmetic of the tracker: no windows, no device contexts.
#pragma once

#include <windows.h>

// Hit codes; 0 to 7 also index the handles and the cursor table.
enum {
    TH_NONE = -1,
    TH_TOPLEFT = 0,
    TH_TOPRIGHT = 1,
    TH_BOTTOMRIGHT = 2,
    TH_BOTTOMLEFT = 3,
    TH_TOP = 4,
    TH_RIGHT = 5,
    TH_BOTTOM = 6,
    TH_LEFT = 7,
    TH_INSIDE = 8,
};

// RECT fields by index, in the order left, top, right, bottom; RF_NONE for no field.
enum { RF_NONE = -1, RF_LEFT = 0, RF_TOP = 1, RF_RIGHT = 2, RF_BOTTOM = 3 };
LONG& RectField(RECT& rc, int nField);

// A blank rectangle has all four fields zero: it means "no selection".
// A zero-size rectangle anywhere else is not blank.
inline bool IsBlankRect(const RECT& rc)
{
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

// rc with left/right and top/bottom swapped where they stand in reverse order.
RECT NormalizedRect(const RECT& rc);

// Handle side: the width, capped at half the shorter side, times the scale,
// rounded half away from zero.
int HandleSizeFor(const RECT& rc, int nHandleWidth, float scale);

// Corner handles always; the middle handles of an axis once its extent
// exceeds three handle widths by more than 4 pixels.
UINT HandleMaskFor(const RECT& rc, int nHandleWidth);

// Box of handle nHandle (0-7) of side h round the normalised rectangle rcNormal.
RECT HandleBoxFor(const RECT& rcNormal, int h, int nHandle);

// Hit code of pt against the selection rc: a shown handle (corners first),
// TH_INSIDE for the selection and the one-pixel ring round it, else TH_NONE.
// Points farther out than h + nMargin are TH_NONE without testing handles.
int HitCodeFor(const RECT& rc, UINT nMask, int h, int nMargin, POINT pt);

// The RECT fields a hit code drives, in *pnxField and *pnyField: RF_NONE
// where it drives nothing on that axis. A move drives the top-left corner.
void DrivenFields(int nHitCode, int* pnxField, int* pnyField);

// Puts each edge that nHitCode drives on its own side of the opposite edge,
// exactly the minimum away, where the extent on that axis is below it.
void ApplyMinimumSize(int nHitCode, int cxMinimum, int cyMinimum, RECT* prc);

// Shifts *prc into rcBounds without changing its extent. Each axis is judged by
// its smaller and larger edge, so a rectangle inverted during a drag is kept
// inside too. Tested in the order right, top, left, bottom: when the rectangle
// is wider (taller) than the bounds, its left (bottom) edge decides.
void ShiftIntoBounds(RECT* prc, const RECT& rcBounds);
