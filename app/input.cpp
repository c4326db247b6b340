#include "app/input.h"

#include <cstdlib>

#include "app/globals.h"
#include "tracker/geometry.h"

void HandleLButtonDown(int x, int y)
{
    g_ptPrev.x = x;
    g_ptPrev.y = y;

    // Grab the selection by a handle or its inside; returns when the drag is over.
    if (!IsBlankRect(g_tracker.m_rcSelection)) {
        int nHitCode = g_tracker.HitPoint(x, y);
        if (nHitCode >= 0)
            g_tracker.RunDrag(nHitCode, g_hWndMain, x, y);
    }
    // No selection yet and a paint armed g_rcHover: the next move draws a band.
    // Paints during slow moves before a band re-arm g_rcHover, so it can still
    // be armed once a selection exists; a press then must not arm a band, or
    // the first move after a drag (button already up) would start one.
    if (IsBlankRect(g_tracker.m_rcSelection) && !IsBlankRect(g_rcHover)) {
        g_bNewSelection = TRUE;
        SetRectEmpty(&g_rcHover);
    }
    g_bLButtonDown = TRUE;
}

void HandleMouseMove(int x, int y)
{
    // Back above all other windows and exactly over the captured monitor.
    SetWindowPos(g_hWndMain, HWND_TOPMOST, g_rcMonitor.left, g_rcMonitor.top, g_cxScreen, g_cyScreen, 0);

    // More than one pixel on either axis since the previous message starts a
    // rubber band anchored at the previous position.
    int dx = std::abs(g_ptPrev.x - x);
    int dy = std::abs(g_ptPrev.y - y);
    if ((dx > 1 || dy > 1) && g_bLButtonDown && g_bNewSelection) {
        SetRect(&g_tracker.m_rcSelection, g_ptPrev.x, g_ptPrev.y, g_ptPrev.x, g_ptPrev.y);
        g_tracker.RunDrag(TH_BOTTOMRIGHT, g_hWndMain, g_ptPrev.x, g_ptPrev.y);
        g_bNewSelection = FALSE;
        // A band cancelled by the right button leaves a zero-size rectangle at
        // its anchor: no selection, so the next paint arms a new band again
        // rather than leaving a dot that nothing can be drawn from.
        if (IsRectEmpty(&g_tracker.m_rcSelection))
            SetRectEmpty(&g_tracker.m_rcSelection);
    }
    g_ptPrev.x = x;
    g_ptPrev.y = y;

    InvalidateRect(g_hWndMain, NULL, FALSE);
    UpdateWindow(g_hWndMain);
}

void HandleSetCursor(UINT nHitTest)
{
    if (!IsBlankRect(g_tracker.m_rcSelection) && g_tracker.ApplyCursor(g_hWndMain, nHitTest))
        return;
    SetCursor(LoadCursorW(NULL, IDC_ARROW));
}
