#include "tracker/tracker.h"

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

CXRectTracker::CXRectTracker()
    : m_rcSelection(), m_rcBounds(), m_cxMinimum(0), m_cyMinimum(0),
      m_bDragEnding(FALSE), m_nHandleWidth(0)
{
    if (!s_bTrackerInit) {
        if (!s_hHandleBrush)
            s_hHandleBrush = CreateSolidBrush(0x00B8A217);

        // Shared system cursors; slots 8 and 9 are both the four-way arrow.
        HCURSOR hNWSE = LoadCursorW(NULL, IDC_SIZENWSE);
        HCURSOR hNESW = LoadCursorW(NULL, IDC_SIZENESW);
        HCURSOR hNS = LoadCursorW(NULL, IDC_SIZENS);
        HCURSOR hWE = LoadCursorW(NULL, IDC_SIZEWE);
        s_hTrackerCursors[TH_TOPLEFT] = s_hTrackerCursors[TH_BOTTOMRIGHT] = hNWSE;
        s_hTrackerCursors[TH_TOPRIGHT] = s_hTrackerCursors[TH_BOTTOMLEFT] = hNESW;
        s_hTrackerCursors[TH_TOP] = s_hTrackerCursors[TH_BOTTOM] = hNS;
        s_hTrackerCursors[TH_RIGHT] = s_hTrackerCursors[TH_LEFT] = hWE;
        s_hTrackerCursors[TH_INSIDE] = LoadCursorW(NULL, IDC_SIZEALL);
        s_hTrackerCursors[TH_RING_CURSOR] = LoadCursorW(NULL, IDC_SIZEALL);

        s_nTrackerHandleSize = (int)GetProfileIntW(L"windows", L"oleinplaceborderwidth", 8);
        s_bTrackerInit = TRUE;
    }
    m_nHandleWidth = s_nTrackerHandleSize;
    m_cxMinimum = m_cyMinimum = 2 * m_nHandleWidth;
}

// The brush, pen and cursors are shared and go with the process.
CXRectTracker::~CXRectTracker() = default;
