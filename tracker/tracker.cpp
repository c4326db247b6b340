#include "tracker/tracker.h"

#include <algorithm>
#include <cmath>

#include "common/gdiguards.h"
#include "tracker/geometry.h"

BOOL CXRectTracker::s_bTrackerInit;
HBRUSH CXRectTracker::s_hHandleBrush;
HCURSOR CXRectTracker::s_hTrackerCursors[10];
int CXRectTracker::s_nTrackerHandleSize;
HPEN CXRectTracker::s_hTrackerPen;

const int CXRectTracker::s_aHandleLayout[8][8] = {
    // x edge    y edge     xc yc  xs  ys  mx my
    { RF_LEFT,  RF_TOP,     0, 0,  0,  0,  1, 3 },  // top-left
    { RF_RIGHT, RF_TOP,     0, 0, -1,  0,  0, 2 },  // top-right
    { RF_RIGHT, RF_BOTTOM,  0, 0, -1, -1,  3, 1 },  // bottom-right
    { RF_LEFT,  RF_BOTTOM,  0, 0,  0, -1,  2, 0 },  // bottom-left
    { RF_LEFT,  RF_TOP,     1, 0,  0,  0,  4, 6 },  // top
    { RF_RIGHT, RF_TOP,     0, 1, -1,  0,  7, 5 },  // right
    { RF_LEFT,  RF_BOTTOM,  1, 0,  0, -1,  6, 4 },  // bottom
    { RF_LEFT,  RF_TOP,     0, 1,  0,  0,  5, 7 },  // left
};

const int CXRectTracker::s_aOppositeEdge[4][2] = {
    { RF_RIGHT, +1 },   // left
    { RF_BOTTOM, +1 },  // top
    { RF_LEFT, -1 },    // right
    { RF_TOP, -1 },     // bottom
};

// The brush, pen and cursors are shared and go with the process; the pen and
// the cursors are made at their first use.
CXRectTracker::CXRectTracker()
    : m_rcSelection(), m_rcBounds(), m_cxMinimum(0), m_cyMinimum(0), m_bDragEnding(FALSE),
      m_nHandleWidth(0), m_flScale(1.0f), m_pfnSelectionChanged(nullptr)
{
    if (!s_bTrackerInit) {
        s_hHandleBrush = CreateSolidBrush(RGB(23, 162, 184));
        s_nTrackerHandleSize = (int)GetProfileIntW(L"windows", L"oleinplaceborderwidth", 8);
        s_bTrackerInit = TRUE;
    }
    m_nHandleWidth = s_nTrackerHandleSize;
    m_cxMinimum = m_cyMinimum = 2 * m_nHandleWidth;
}

int CXRectTracker::ScaledHandleSize() const
{
    return HandleSizeFor(m_rcSelection, m_nHandleWidth, m_flScale);
}

UINT CXRectTracker::ShownHandles() const
{
    return HandleMaskFor(m_rcSelection, m_nHandleWidth);
}

int CXRectTracker::HitPoint(int x, int y) const
{
    int nMargin = (int)roundf(HIT_MARGIN * m_flScale);
    return HitCodeFor(m_rcSelection, ShownHandles(), ScaledHandleSize(), nMargin, { x, y });
}

// Shared system cursors, loaded at their first use rather than at start-up:
// the first frame needs none of them. Slots 8 and 9 are both the four-way arrow.
static void LoadTrackerCursors(HCURSOR* phCursors)
{
    phCursors[TH_TOPLEFT] = phCursors[TH_BOTTOMRIGHT] = LoadCursorW(NULL, IDC_SIZENWSE);
    phCursors[TH_TOPRIGHT] = phCursors[TH_BOTTOMLEFT] = LoadCursorW(NULL, IDC_SIZENESW);
    phCursors[TH_TOP] = phCursors[TH_BOTTOM] = LoadCursorW(NULL, IDC_SIZENS);
    phCursors[TH_RIGHT] = phCursors[TH_LEFT] = LoadCursorW(NULL, IDC_SIZEWE);
    phCursors[TH_INSIDE] = LoadCursorW(NULL, IDC_SIZEALL);
    phCursors[TH_RING_CURSOR] = LoadCursorW(NULL, IDC_SIZEALL);
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

    if (!s_hTrackerCursors[TH_INSIDE])
        LoadTrackerCursors(s_hTrackerCursors);
    SetCursor(s_hTrackerCursors[nCode]);
    return TRUE;
}

// The frame pen's width; the scale, and so the width, is set once per run.
int CXRectTracker::PenWidth() const
{
    return (int)roundf(m_flScale);
}

RECT CXRectTracker::FrameExtent(const RECT& rc) const
{
    RECT rcExtent = NormalizedRect(rc);
    int nReach = std::max(HandleSizeFor(rc, m_nHandleWidth, m_flScale), PenWidth());
    InflateRect(&rcExtent, nReach, nReach);
    return rcExtent;
}

void CXRectTracker::PaintFrame(HDC hdc) const
{
    ScopedSaveDC saved(hdc);
    SetMapMode(hdc, MM_TEXT);

    RECT rcNormal = NormalizedRect(m_rcSelection);
    if (IsRectEmpty(&rcNormal))
        return;

    // Made once, at the first drawing. An inside-frame pen keeps a frame of
    // any width on the ring just outside the selection: a centred pen wider
    // than one pixel would cover the selection's right column and bottom row.
    if (!s_hTrackerPen)
        s_hTrackerPen = CreatePen(PS_INSIDEFRAME, PenWidth(), RGB(26, 173, 25));
    {
        int nPen = PenWidth();
        ScopedSelect pen(hdc, s_hTrackerPen);
        ScopedSelect brush(hdc, GetStockObject(NULL_BRUSH));
        int nOldRop = SetROP2(hdc, R2_COPYPEN);
        Rectangle(hdc, rcNormal.left - nPen, rcNormal.top - nPen, rcNormal.right + nPen, rcNormal.bottom + nPen);
        SetROP2(hdc, nOldRop);
    }

    UINT nMask = ShownHandles();
    int h = ScaledHandleSize();
    for (int i = 0; i < 8; i++) {
        if (!(nMask & (1u << i)))
            continue;
        RECT rcBox = HandleBoxFor(rcNormal, h, i);
        FillRect(hdc, &rcBox, s_hHandleBrush);
    }
}
