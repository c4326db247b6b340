#include "tracker/tracker.h"

#include <algorithm>
#include <cmath>

#include "common/gdiguards.h"

BOOL CXRectTracker::s_bTrackerInit;
HBRUSH CXRectTracker::s_hHandleBrush;
HCURSOR CXRectTracker::s_hTrackerCursors[10];
int CXRectTracker::s_nTrackerHandleSize;
HPEN CXRectTracker::s_hTrackerPen;

// The brush, pen and cursors are shared and go with the process; the pen and
// the cursors are made at their first use.
CXRectTracker::CXRectTracker()
    : m_rcSelection(), m_rcBounds(), m_cxMinimum(0), m_cyMinimum(0), m_bDragEnding(FALSE),
      m_nHandleWidth(0), m_pfnSelectionChanged(nullptr)
{
    if (!s_bTrackerInit) {
        s_hHandleBrush = CreateSolidBrush(RGB(23, 162, 184));
        s_nTrackerHandleSize = (int)GetProfileIntW(L"windows", L"oleinplaceborderwidth", 8);
        s_bTrackerInit = TRUE;
    }
    m_nHandleWidth = s_nTrackerHandleSize;
    m_cxMinimum = m_cyMinimum = 2 * m_nHandleWidth;
}

int CXRectTracker::ScaledHandleSize(float flScale) const
{
    return HandleSizeFor(m_rcSelection, m_nHandleWidth, flScale);
}

UINT CXRectTracker::ShownHandles() const
{
    return HandleMaskFor(m_rcSelection, m_nHandleWidth);
}

void CXRectTracker::EnforceMinimumSize(int nHitCode, RECT* prc) const
{
    // A profile's handle width can ask for more than the monitor holds: the
    // minimum never exceeds the bounds, so the selection can stay inside them.
    int cxMinimum = m_cxMinimum, cyMinimum = m_cyMinimum;
    if (!IsBlankRect(m_rcBounds)) {
        cxMinimum = std::min<int>(cxMinimum, m_rcBounds.right - m_rcBounds.left);
        cyMinimum = std::min<int>(cyMinimum, m_rcBounds.bottom - m_rcBounds.top);
    }
    ApplyMinimumSize(nHitCode, cxMinimum, cyMinimum, prc);
}

int CXRectTracker::HitPoint(int x, int y, float flScale) const
{
    int nMargin = (int)roundf(HIT_MARGIN * flScale);
    return HitCodeFor(m_rcSelection, ShownHandles(), ScaledHandleSize(flScale), nMargin, { x, y });
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

BOOL CXRectTracker::ApplyCursor(HWND hWnd, UINT nHitTest, float flScale) const
{
    if (nHitTest != HTCLIENT)
        return FALSE;

    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(hWnd, &pt);
    int nCode = HitPoint(pt.x, pt.y, flScale);
    if (nCode < 0)
        return FALSE;
    if (nCode == TH_INSIDE && !PtInRect(&m_rcSelection, pt))
        nCode = TH_RING_CURSOR;

    if (!s_hTrackerCursors[TH_INSIDE])
        LoadTrackerCursors(s_hTrackerCursors);
    SetCursor(s_hTrackerCursors[nCode]);
    return TRUE;
}

// The frame pen's width.
static int PenWidthFor(float flScale)
{
    return (int)roundf(flScale);
}

RECT CXRectTracker::FrameExtent(const RECT& rc, float flScale) const
{
    RECT rcExtent = NormalizedRect(rc);
    int nReach = std::max(HandleSizeFor(rc, m_nHandleWidth, flScale), PenWidthFor(flScale));
    InflateRect(&rcExtent, nReach, nReach);
    return rcExtent;
}

void CXRectTracker::PaintFrame(HDC hdc, float flScale) const
{
    ScopedSaveDC saved(hdc);
    SetMapMode(hdc, MM_TEXT);

    RECT rcNormal = NormalizedRect(m_rcSelection);
    if (IsRectEmpty(&rcNormal))
        return;

    // Made once, at the first drawing, for the scale of the run. An
    // inside-frame pen keeps a frame of any width on the ring just outside the
    // selection: a centred pen wider than one pixel would cover the
    // selection's right column and bottom row.
    if (!s_hTrackerPen)
        s_hTrackerPen = CreatePen(PS_INSIDEFRAME, PenWidthFor(flScale), RGB(26, 173, 25));
    int nPen = PenWidthFor(flScale);
    SelectObject(hdc, s_hTrackerPen);  // the saved state puts back the pen, brush and mix mode
    SelectObject(hdc, GetStockObject(NULL_BRUSH));
    SetROP2(hdc, R2_COPYPEN);
    Rectangle(hdc, rcNormal.left - nPen, rcNormal.top - nPen, rcNormal.right + nPen, rcNormal.bottom + nPen);

    UINT nMask = ShownHandles();
    int h = ScaledHandleSize(flScale);
    for (int i = 0; i < 8; i++) {
        if (!(nMask & (1u << i)))
            continue;
        RECT rcBox = HandleBoxFor(rcNormal, h, i);
        FillRect(hdc, &rcBox, s_hHandleBrush);
    }
}
