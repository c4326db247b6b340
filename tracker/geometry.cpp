#include "tracker/geometry.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "common/gdiguards.h"
#include "capture/capture.h"
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

int CXRectTracker::ScaledHandleSize(const RECT* prc) const
{
    return HandleSizeFor(prc ? *prc : m_rcSelection, m_nHandleWidth, GetDisplayScale());
}

UINT CXRectTracker::ShownHandles() const
{
    return HandleMaskFor(m_rcSelection, m_nHandleWidth);
}

void CXRectTracker::HandleBox(int nHandle, RECT* prcBox) const
{
    *prcBox = HandleBoxFor(NormalizedRect(m_rcSelection), ScaledHandleSize(nullptr), nHandle);
}

int CXRectTracker::HitPoint(int x, int y) const
{
    int nMargin = (int)roundf(10.0f * GetDisplayScale());
    POINT pt = { x, y };
    return HitCodeFor(m_rcSelection, ShownHandles(), ScaledHandleSize(nullptr), nMargin, pt);
}

BOOL CXRectTracker::ApplyCursor(HWND hWnd, UINT nHitTest) const
{
    if (nHitTest != HTCLIENT)
        return FALSE;

    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(hWnd, &pt);
    int nCode = HitPoint(pt.x, pt.y);
    if (nCode < 0)
        return FALSE;
    if (nCode == TH_INSIDE && !PtInRect(&m_rcSelection, pt))
        nCode = TH_RING_CURSOR;

    SetCursor(s_hTrackerCursors[nCode]);
    return TRUE;
}

void CXRectTracker::PaintFrame(HDC hdc) const
{
    ScopedSaveDC saved(hdc);
    SetMapMode(hdc, MM_TEXT);

    RECT rcNormal = NormalizedRect(m_rcSelection);
    if (IsRectEmpty(&rcNormal))
        return;

    // Made once, at the first drawing, with the scale of that moment.
    if (!s_hTrackerPen)
        s_hTrackerPen = CreatePen(PS_SOLID, (int)roundf(GetDisplayScale()), 0x0019AD1A);

    {
        ScopedSelect pen(hdc, s_hTrackerPen);
        ScopedSelect brush(hdc, GetStockObject(NULL_BRUSH));
        int nOldRop = SetROP2(hdc, R2_COPYPEN);
        // A hollow frame on the ring of pixels just outside the selection.
        Rectangle(hdc, rcNormal.left - 1, rcNormal.top - 1, rcNormal.right + 1, rcNormal.bottom + 1);
        SetROP2(hdc, nOldRop);
    }

    UINT nMask = ShownHandles();
    int h = ScaledHandleSize(nullptr);
    for (int i = 0; i < 8; i++) {
        if (!(nMask & (1u << i)))
            continue;
        RECT rcBox = HandleBoxFor(rcNormal, h, i);
        FillRect(hdc, &rcBox, s_hHandleBrush);
    }
}
