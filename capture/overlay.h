// Painting the main window: the frozen image dimmed outside the selection,
// the tracker's frame and handles, and the hint label, through a back buffer.
#pragma once

#include <windows.h>

void PaintOverlay(HDC hdc);

// On a DC that holds the dimmed image (g_hdcDimmed's pixels), brings the
// rectangle (edges in any order) back from the frozen image, so that exactly
// what lies outside it shows dimmed; a rectangle of zero width or height
// leaves the whole window dimmed.
void ShadeOutsideRect(HDC hdc, int left, int top, int right, int bottom);

// While no selection exists, arms g_rcHover with the whole window; it spans
// the window, so there is nothing outside it to dim.
void ShadeHover(HDC hdc);

// The hint label above the selection's top-left corner.
void DrawHintLabel(HDC hdc);
void DrawLabelText(HDC hdc, int x, int y, const WCHAR* pszText);

// The label's top for an anchor top (the selection's top - 92) at a scale:
// the anchor moved down by round(30 x scale), halves away from zero.
int HintLabelY(int nHintTop, float scale);

// The label: "double-click the left mouse button to have it recognised".
extern const WCHAR c_szHintText[];
