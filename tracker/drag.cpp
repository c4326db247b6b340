#include <algorithm>
#include <cstdlib>

#include "tracker/geometry.h"
#include "tracker/tracker.h"

// What one drag keeps from its start to its end.
struct CXRectTracker::DragState {
    int nHitCode;
    int cx0, cy0;           // extent at entry: a move keeps it
    int nxField, nyField;   // the fields of the selection the mouse drives, or RF_NONE
    int dx, dy;             // press point minus the driven edges
    BOOL bChanged;          // a mouse move has changed the selection
};

// One mouse message of a drag. Returns true when the drag ends with it.
bool CXRectTracker::StepDrag(DragState& drag, const MSG& msg)
{
    // Signed: with the capture held, positions left of or above the window are negative.
    int x = (short)LOWORD(msg.lParam);
    int y = (short)HIWORD(msg.lParam);

    RECT rcBefore = m_rcSelection;
    LONG xEdge = x - drag.dx, yEdge = y - drag.dy;
    // A handle or band stops at the bounds. Pushed past them (the pointer can
    // be on another monitor), each message would push the opposite edge along
    // by the overshoot until the selection outgrew the monitor.
    if (drag.nHitCode != TH_INSIDE && !IsBlankRect(m_rcBounds)) {
        xEdge = std::clamp(xEdge, m_rcBounds.left, m_rcBounds.right);
        yEdge = std::clamp(yEdge, m_rcBounds.top, m_rcBounds.bottom);
    }
    if (drag.nxField != RF_NONE)
        RectField(m_rcSelection, drag.nxField) = xEdge;
    if (drag.nyField != RF_NONE)
        RectField(m_rcSelection, drag.nyField) = yEdge;
    if (drag.nHitCode == TH_INSIDE) {
        m_rcSelection.right = m_rcSelection.left + drag.cx0;
        m_rcSelection.bottom = m_rcSelection.top + drag.cy0;
    }
    EnforceMinimumSize(drag.nHitCode, &m_rcSelection);

    m_bDragEnding = (msg.message == WM_LBUTTONUP);
    bool bMoved = !EqualRect(&m_rcSelection, &rcBefore);
    if (bMoved || m_bDragEnding) {
        if (!IsBlankRect(m_rcBounds))
            ShiftIntoBounds(&m_rcSelection, m_rcBounds);
        // A release away from the last position counts as a move too: the
        // system may coalesce a quick flick's moves into the release alone.
        if (bMoved)
            drag.bChanged = TRUE;
    }
    ReportChange(rcBefore);
    return m_bDragEnding != FALSE;
}

void CXRectTracker::ReportChange(const RECT& rcBefore) const
{
    if (m_pfnSelectionChanged && !EqualRect(&rcBefore, &m_rcSelection))
        m_pfnSelectionChanged(rcBefore);
}

BOOL CXRectTracker::RunDrag(int nHitCode, HWND hWnd, int x, int y)
{
    if (GetCapture() != NULL)
        return FALSE;

    DragState drag = {};
    drag.nHitCode = nHitCode;
    drag.cx0 = std::abs(m_rcSelection.left - m_rcSelection.right);
    drag.cy0 = std::abs(m_rcSelection.top - m_rcSelection.bottom);
    SetCapture(hWnd);

    const RECT rcStart = m_rcSelection;
    DrivenFields(nHitCode, &drag.nxField, &drag.nyField);
    // The offsets keep the press point where it grabbed the driven edges; on
    // an axis nothing drives they are never used.
    if (drag.nxField != RF_NONE)
        drag.dx = x - RectField(m_rcSelection, drag.nxField);
    if (drag.nyField != RF_NONE)
        drag.dy = y - RectField(m_rcSelection, drag.nyField);

    // A quit request posted during the drag (an Enter or Esc released, whose
    // key-up this loop dispatches) ends the drag as a lost capture would and is
    // posted again afterwards, so the main loop ends the run.
    bool bQuit = false, bCancel = false;
    WPARAM wQuitCode = 0;
    for (;;) {
        MSG msg;
        BOOL bGot = GetMessageW(&msg, NULL, 0, 0);
        if (bGot <= 0) {
            bQuit = true;
            wQuitCode = (bGot == 0) ? msg.wParam : 0;
            break;
        }
        if (GetCapture() != hWnd)
            break;

        bool bEnd = false;
        switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            bEnd = StepDrag(drag, msg);
            break;
        case WM_KEYDOWN:
            bEnd = bCancel = (msg.wParam == VK_ESCAPE);
            break;  // other keys are discarded
        case WM_RBUTTONDOWN:
            bEnd = bCancel = true;
            break;
        default:
            DispatchMessageW(&msg);
            break;
        }
        if (bEnd)
            break;
    }

    ReleaseCapture();
    const RECT rcShown = m_rcSelection;  // every step has reported its change
    if (bCancel || !drag.bChanged)
        m_rcSelection = rcStart;
    m_rcSelection = NormalizedRect(m_rcSelection);
    m_bDragEnding = FALSE;
    // A cancel restores the selection without a mouse message: show it.
    ReportChange(rcShown);
    if (bQuit)
        PostQuitMessage((int)wQuitCode);
    return !EqualRect(&m_rcSelection, &rcStart);
}
