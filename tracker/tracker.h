// The selection tracker: owns the selection rectangle of the run, its eight
// handles, hit test, cursors, drawing and the modal drag loop.
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

// Cursor slot for an inside hit on the one-pixel ring round the selection.
const int TH_RING_CURSOR = 9;

// Beyond its handles, a point this far out (times the display scale) still
// reaches the selection before the hit test gives up.
const float HIT_MARGIN = 10.0f;

class CXRectTracker {
public:
    CXRectTracker();

    // Side of a handle square in pixels for the selection.
    int ScaledHandleSize() const;
    // Bit i set when handle i exists for the current selection.
    UINT ShownHandles() const;
    // Keeps a resized rectangle at least m_cxMinimum x m_cyMinimum on the driven axes.
    void EnforceMinimumSize(int nHitCode, RECT* prc) const;

    int HitPoint(int x, int y) const;
    BOOL ApplyCursor(HWND hWnd, UINT nHitTest) const;
    void PaintFrame(HDC hdc) const;
    // Everything PaintFrame draws for the selection rc: the rectangle with its
    // frame and handles round it.
    RECT FrameExtent(const RECT& rc) const;

    BOOL RunDrag(int nHitCode, HWND hWnd, int x, int y);
    void DrivenEdges(int nHitCode, LONG** ppxDriven, LONG** ppyDriven, int* pxStart, int* pyStart);

    RECT m_rcSelection;     // the selection; normalised whenever no drag runs
    RECT m_rcBounds;        // a drag keeps the selection inside; all zero means no bounds
    int m_cxMinimum;        // smallest width a resize leaves (2 x handle width)
    int m_cyMinimum;        // smallest height a resize leaves
    BOOL m_bDragEnding;     // TRUE only while the drag loop handles the button release
    int m_nHandleWidth;     // unscaled handle width from the profile
    float m_flScale;        // display scale for handles, margin and pen; 1.0 until set
    // Told of every change a drag makes to the selection, with the selection
    // before it, so that what showed it can be repainted; may be null.
    void (*m_pfnSelectionChanged)(const RECT& rcBefore);

    // Shared by every instance; made by the first construction (the pen by the
    // first drawing, the cursors by the first that is shown) and kept until the
    // process ends.
    static BOOL s_bTrackerInit;
    static HBRUSH s_hHandleBrush;
    static HCURSOR s_hTrackerCursors[10];
    static int s_nTrackerHandleSize;
    static HPEN s_hTrackerPen;

    // One row per handle: x edge, y edge, x centring, y centring, x size,
    // y size, mirror x, mirror y. Edges are RECT field indices (see RectField).
    static const int s_aHandleLayout[8][8];
    // One row per RECT field: the opposite field and its sign.
    static const int s_aOppositeEdge[4][2];

private:
    struct DragState;
    bool StepDrag(DragState& drag, const MSG& msg);
    void ReportChange(const RECT& rcBefore) const;
    int PenWidth() const;
};
