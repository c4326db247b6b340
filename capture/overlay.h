// Painting the main window from the frozen frame: the image dimmed outside the
// selection, the tracker's frame and handles, and the hint label, through a
// back buffer; and what a change of the selection repaints.
#pragma once

#include <windows.h>

#include "capture/frame.h"
#include "tracker/tracker.h"

// Paints the part rcPaint of the window into hdc (the window's paint DC)
// through a back buffer: each pixel exactly as a paint of the whole window
// would show it, and written once. FALSE when the back buffer cannot be made.
BOOL PaintOverlay(HDC hdc, const RECT& rcPaint, const FrozenFrame& frame, const CXRectTracker& tracker);

// The part rcPaint of the frame's image into pbRows, 32-bit rows of its width:
// dimmed outside the selection (edges in any order), as it is inside; a
// selection of zero width or height leaves all of it dimmed.
void ComposeImage(BYTE* pbRows, const RECT& rcPaint, const FrozenFrame& frame, const RECT& rcSelection);

// What a change of the selection from rcBefore to rcAfter repaints: all the
// overlay draws differently for either than for no selection (the selection,
// its frame and handles, the label), at the frame's scale. NULL when nothing
// changed; the caller deletes the region.
HRGN SelectionChangeRegion(const FrozenFrame& frame, const CXRectTracker& tracker, const RECT& rcBefore,
                           const RECT& rcAfter);

// Invalidates, without erasing, what the change from rcBefore to the
// tracker's selection repaints.
void InvalidateSelectionChange(HWND hWnd, const FrozenFrame& frame, const CXRectTracker& tracker, const RECT& rcBefore);
