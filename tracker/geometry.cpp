#include "tracker/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

// Where each handle stands round the expanded rectangle E (the selection
// inflated by the handle side h), and what it drives.
struct HandleLayout {
    int nxEdge, nyEdge;          // the fields of E its left and top are measured from; the fields it drives
    int nxCentring, nyCentring;  // 1 where it is centred along that axis
    int nxSize, nySize;          // handle sides added along that axis (0 or -1)
    int nMirrorX, nMirrorY;      // the handle at its mirror image; itself where it drives nothing on that axis
};

static const HandleLayout s_aHandleLayout[8] = {
    { RF_LEFT,  RF_TOP,     0, 0,  0,  0,  TH_TOPRIGHT,   TH_BOTTOMLEFT },   // top-left
    { RF_RIGHT, RF_TOP,     0, 0, -1,  0,  TH_TOPLEFT,    TH_BOTTOMRIGHT },  // top-right
    { RF_RIGHT, RF_BOTTOM,  0, 0, -1, -1,  TH_BOTTOMLEFT, TH_TOPRIGHT },     // bottom-right
    { RF_LEFT,  RF_BOTTOM,  0, 0,  0, -1,  TH_BOTTOMRIGHT, TH_TOPLEFT },     // bottom-left
    { RF_LEFT,  RF_TOP,     1, 0,  0,  0,  TH_TOP,        TH_BOTTOM },       // top
    { RF_RIGHT, RF_TOP,     0, 1, -1,  0,  TH_LEFT,       TH_RIGHT },        // right
    { RF_LEFT,  RF_BOTTOM,  1, 0,  0, -1,  TH_BOTTOM,     TH_TOP },          // bottom
    { RF_LEFT,  RF_TOP,     0, 1,  0,  0,  TH_RIGHT,      TH_LEFT },         // left
};

// Each RECT field's opposite field, and the side of it a field belongs on.
static const struct { int nField, nSign; } s_aOppositeEdge[4] = {
    { RF_RIGHT, +1 },   // left
    { RF_BOTTOM, +1 },  // top
    { RF_LEFT, -1 },    // right
    { RF_TOP, -1 },     // bottom
};

LONG& RectField(RECT& rc, int nField)
{
    switch (nField) {
    case RF_LEFT: return rc.left;
    case RF_TOP: return rc.top;
    case RF_RIGHT: return rc.right;
    default: return rc.bottom;
    }
}

RECT NormalizedRect(const RECT& rc)
{
    RECT rcNormal = rc;
    if (rcNormal.left > rcNormal.right)
        std::swap(rcNormal.left, rcNormal.right);
    if (rcNormal.top > rcNormal.bottom)
        std::swap(rcNormal.top, rcNormal.bottom);
    return rcNormal;
}

int HandleSizeFor(const RECT& rc, int nHandleWidth, float scale)
{
    long long m = std::min(std::llabs((long long)rc.right - rc.left),
                           std::llabs((long long)rc.bottom - rc.top));
    long long s = nHandleWidth;
    if (2 * s > m)
        s = m / 2;
    return (int)roundf((float)s * scale);
}

UINT HandleMaskFor(const RECT& rc, int nHandleWidth)
{
    long long w = nHandleWidth;
    UINT nMask = 0x0F;
    if (std::llabs((long long)rc.left - rc.right) - 3 * w > 4)
        nMask |= 0x50;
    if (std::llabs((long long)rc.top - rc.bottom) - 3 * w > 4)
        nMask |= 0xA0;
    return nMask;
}

RECT HandleBoxFor(const RECT& rcNormal, int h, int nHandle)
{
    RECT rcExpanded = rcNormal;
    InflateRect(&rcExpanded, h, h);
    int W = rcExpanded.right - rcExpanded.left;
    int H = rcExpanded.bottom - rcExpanded.top;

    const HandleLayout& layout = s_aHandleLayout[nHandle];
    int x = RectField(rcExpanded, layout.nxEdge) + layout.nxSize * h + ((W - h) * layout.nxCentring) / 2;
    int y = RectField(rcExpanded, layout.nyEdge) + layout.nySize * h + ((H - h) * layout.nyCentring) / 2;
    return { x, y, x + h, y + h };
}

int HitCodeFor(const RECT& rc, UINT nMask, int h, int nMargin, POINT pt)
{
    RECT rcNormal = NormalizedRect(rc);
    RECT rcReach = rcNormal;
    InflateRect(&rcReach, h + nMargin, h + nMargin);
    if (!PtInRect(&rcReach, pt))
        return TH_NONE;

    for (int i = 0; i < 8; i++) {
        if (!(nMask & (1u << i)))
            continue;
        RECT rcBox = HandleBoxFor(rcNormal, h, i);
        if (PtInRect(&rcBox, pt))
            return i;
    }

    RECT rcRing = rcNormal;
    InflateRect(&rcRing, 1, 1);
    return PtInRect(&rcRing, pt) ? TH_INSIDE : TH_NONE;
}

void DrivenFields(int nHitCode, int* pnxField, int* pnyField)
{
    int i = (nHitCode == TH_INSIDE) ? TH_TOPLEFT : nHitCode;
    const HandleLayout& layout = s_aHandleLayout[i];
    *pnxField = (layout.nMirrorX != i) ? layout.nxEdge : RF_NONE;
    *pnyField = (layout.nMirrorY != i) ? layout.nyEdge : RF_NONE;
}

// The driven field nField, where the extent along its axis is below the
// minimum: put that minimum away from its opposite field, on its own side.
static void PullToMinimum(int nField, LONG cExtent, int cMinimum, RECT* prc)
{
    if (nField == RF_NONE || cExtent >= cMinimum)
        return;
    const auto& opposite = s_aOppositeEdge[nField];
    RectField(*prc, nField) = RectField(*prc, opposite.nField) - opposite.nSign * cMinimum;
}

void ApplyMinimumSize(int nHitCode, int cxMinimum, int cyMinimum, RECT* prc)
{
    if (nHitCode == TH_INSIDE)
        return;
    int nxField, nyField;
    DrivenFields(nHitCode, &nxField, &nyField);
    PullToMinimum(nxField, std::labs(prc->left - prc->right), cxMinimum, prc);
    PullToMinimum(nyField, std::labs(prc->top - prc->bottom), cyMinimum, prc);
}

void ShiftIntoBounds(RECT* prc, const RECT& rcBounds)
{
    auto shiftX = [prc](LONG d) { prc->left += d; prc->right += d; };
    auto shiftY = [prc](LONG d) { prc->top += d; prc->bottom += d; };

    LONG maxX = std::max(prc->left, prc->right);
    if (rcBounds.right <= maxX)
        shiftX(rcBounds.right - maxX);
    LONG minY = std::min(prc->top, prc->bottom);
    if (rcBounds.top >= minY)
        shiftY(rcBounds.top - minY);
    LONG minX = std::min(prc->left, prc->right);
    if (rcBounds.left >= minX)
        shiftX(rcBounds.left - minX);
    LONG maxY = std::max(prc->top, prc->bottom);
    if (rcBounds.bottom <= maxY)
        shiftY(rcBounds.bottom - maxY);
}
