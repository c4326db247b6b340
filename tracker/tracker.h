// The selection tracker: owns the selection rectangle of the run, its eight
// handles, hit test, cursors, drawing and the modal drag loop. The display
// scale that sizes handles, margin and frame is handed to each operation.
#pragma once

#include <windows.h>

#include "tracker/geometry.h"

// Cursor slot for an inside hit on the one-pixel ring round the selection.
const int TH_RING_CURSOR = 9;

// Beyond its handles, a point this far out (times the display scale) still
// reaches the selection before the hit test gives up.
const float HIT_MARGIN = 10.0f;

class CXRectTracker {
public:
    CXRectTracker();

    // Side of a handle square in pixels for the selection.
    int ScaledHandleSize(float flScale) const;
    // Bit i set when handle i exists for the current selection.
    UINT ShownHandles() const;
    // Keeps a resized rectangle at least m_cxMinimum x m_cyMinimum on the
    // driven axes, and never larger than the bounds hold.
    void EnforceMinimumSize(int nHitCode, RECT* prc) const;

    int HitPoint(int x, int y, float flScale) const;
    BOOL ApplyCursor(HWND hWnd, UINT nHitTest, float flScale) const;
    void PaintFrame(HDC hdc, float flScale) const;
    // Everything PaintFrame draws for the selection rc: the rectangle with its
    // frame and handles round it.
    RECT FrameExtent(const RECT& rc, float flScale) const;

    BOOL RunDrag(int nHitCode, HWND hWnd, int x, int y);

    RECT m_rcSelection;     // the selection; normalised whenever no drag runs
    RECT m_rcBounds;        // a drag keeps the selection inside; all zero means no bounds
    int m_cxMinimum;        // smallest width a resize leaves (2 x handle width)
    int m_cyMinimum;        // smallest height a resize leaves
    BOOL m_bDragEnding;     // TRUE only while the drag loop handles the button release
    int m_nHandleWidth;     // unscaled handle width from the profile
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

private:
    struct DragState;
    bool StepDrag(DragState& drag, const MSG& msg);
    void ReportChange(const RECT& rcBefore) const;
};
