#include "app/input.h"

#include <cstdlib>

#include "app/globals.h"
#include "app/mainwindow.h"
#include "capture/overlay.h"

void ArmNewSelection()
{
    if (IsBlankRect(g_tracker.m_rcSelection))
        SetRect(&g_rcHover, 0, 0, g_frame.cx, g_frame.cy);
}

void ShowSelectionChange(const RECT& rcBefore)
{
    InvalidateSelectionChange(g_hWndMain, g_frame, g_tracker, rcBefore);
}

void HandleLButtonDown(int x, int y)
{
    g_ptPrev.x = x;
    g_ptPrev.y = y;

    // Grab the selection by a handle or its inside; returns when the drag is over.
    if (!IsBlankRect(g_tracker.m_rcSelection)) {
        int nHitCode = g_tracker.HitPoint(x, y, g_frame.flScale);
        if (nHitCode >= 0)
            g_tracker.RunDrag(nHitCode, g_hWndMain, x, y);
    }
    // No selection yet and armed since the last press: the next move draws a
    // band. A press while a selection exists never arms one, or the first
    // move after a drag (the button already up) would start a band.
    if (IsBlankRect(g_tracker.m_rcSelection) && !IsBlankRect(g_rcHover)) {
        g_bNewSelection = TRUE;
        SetRectEmpty(&g_rcHover);
    }
    g_bLButtonDown = TRUE;
}

// A rubber band anchored at g_ptPrev, stretched by its bottom-right corner
// until the button is released.
static void RunBand()
{
    RECT rcBefore = g_tracker.m_rcSelection;
    SetRect(&g_tracker.m_rcSelection, g_ptPrev.x, g_ptPrev.y, g_ptPrev.x, g_ptPrev.y);
    ShowSelectionChange(rcBefore);
    g_tracker.RunDrag(TH_BOTTOMRIGHT, g_hWndMain, g_ptPrev.x, g_ptPrev.y);
    g_bNewSelection = FALSE;
    // A band cancelled by Esc or the right button leaves a zero-size rectangle
    // at its anchor: no selection, so the next move arms a new band again
    // rather than leaving a dot that nothing can be drawn from.
    if (IsRectEmpty(&g_tracker.m_rcSelection)) {
        rcBefore = g_tracker.m_rcSelection;
        SetRectEmpty(&g_tracker.m_rcSelection);
        ShowSelectionChange(rcBefore);
    }
}

// Back above all other windows, exactly over the captured monitor, and
// active. The call costs milliseconds even when it changes nothing, so it is
// made only when one of the three has been lost.
static void KeepOnTop()
{
    if (GetTopWindow(NULL) != g_hWndMain || GetForegroundWindow() != g_hWndMain || !StandsOverMonitor(g_hWndMain))
        PlaceOverMonitor(g_hWndMain);
}

void HandleMouseMove(int x, int y, bool bLButton)
{
    KeepOnTop();

    // More than one pixel on either axis since the previous message starts a
    // rubber band anchored at the previous position, while the button is down:
    // a release that went elsewhere leaves the flags set with the button up.
    int dx = std::abs(g_ptPrev.x - x);
    int dy = std::abs(g_ptPrev.y - y);
    if ((dx > 1 || dy > 1) && bLButton && g_bLButtonDown && g_bNewSelection)
        RunBand();
    g_ptPrev.x = x;
    g_ptPrev.y = y;
    // The pointer alone changes nothing on the screen, so nothing is repainted;
    // the move still arms the next press while no selection exists.
    ArmNewSelection();
}

void DropArming()
{
    g_bLButtonDown = FALSE;
    g_bNewSelection = FALSE;
}

void HandleSetCursor(UINT nHitTest)
{
    if (!IsBlankRect(g_tracker.m_rcSelection) && g_tracker.ApplyCursor(g_hWndMain, nHitTest, g_frame.flScale))
        return;
    SetCursor(LoadCursorW(NULL, IDC_ARROW));
}
