#include "tracker/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "tracker/tracker.h"

LONG& RectField(RECT& rc, int nField)
{
    switch (nField) {
    case RF_LEFT: return rc.left;
    case RF_TOP: return rc.top;
    case RF_RIGHT: return rc.right;
    default: return rc.bottom;
    }
}

LONG RectField(const RECT& rc, int nField)
{
    return RectField(const_cast<RECT&>(rc), nField);
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

    const int* row = CXRectTracker::s_aHandleLayout[nHandle];
    int x = RectField(rcExpanded, row[0]) + row[4] * h + ((W - h) * row[2]) / 2;
    int y = RectField(rcExpanded, row[1]) + row[5] * h + ((H - h) * row[3]) / 2;
    RECT rcBox = { x, y, x + h, y + h };
    return rcBox;
}

int HitCodeFor(const RECT& rc, UINT nMask, int h, int nMargin, POINT pt)
{
    RECT rcNormal = NormalizedRect(rc);
    RECT rcReach = rcNormal;
    InflateRect(&rcReach, h, h);
    InflateRect(&rcReach, nMargin, nMargin);
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
    // A move drives the top-left corner; the far edges follow its size.
    int i = (nHitCode == TH_INSIDE) ? TH_TOPLEFT : nHitCode;
    const int* row = CXRectTracker::s_aHandleLayout[i];
    // A handle that is its own mirror on an axis drives nothing on it.
    *pnxField = (row[6] != i) ? row[0] : -1;
    *pnyField = (row[7] != i) ? row[1] : -1;
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
