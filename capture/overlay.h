// Painting the main window: the frozen image dimmed outside the selection,
// the tracker's frame and handles, and the hint label, through a back buffer.
#pragma once

#include <windows.h>

#include "tracker/tracker.h"

// Paints the part rcPaint of the window into hdc (the window's paint DC)
// through a back buffer of rcPaint's size: each pixel exactly as a paint of
// the whole window would show it. FALSE when the back buffer cannot be made.
BOOL PaintOverlay(HDC hdc, const RECT& rcPaint, const CXRectTracker& tracker);

// The part rcPaint of the frozen image into pbRows, 32-bit rows of its width:
// dimmed outside the selection (edges in any order), as it is inside; a
// selection of zero width or height leaves all of it dimmed.
void ComposeImage(BYTE* pbRows, const RECT& rcPaint, const RECT& rcSelection);

// The hint label above the selection's top-left corner, where it meets rcPaint.
void DrawHintLabel(HDC hdc, const RECT& rcSelection, const RECT& rcPaint);

// A box the label never leaves, for the selection at the captured scale.
RECT HintLabelBox(const RECT& rcSelection);

// The label's top-left corner: at the selection's left edge,
// LABEL_RISE - round(LABEL_DROP x scale) above its top edge.
const int LABEL_RISE = 92;       // the label's anchor above the selection's top edge
const double LABEL_DROP = 30.0;  // and how far its text comes down from there, times the scale

// The label: "double-click the left mouse button to have it recognised".
extern const WCHAR c_szHintText[];
