// The mouse handlers that turn presses and moves into a selection.
#pragma once

#include <windows.h>

void HandleLButtonDown(int x, int y);
void HandleMouseMove(int x, int y);
void HandleSetCursor(UINT nHitTest);

// While no selection exists, arms the next press to start a new one.
void ArmNewSelection();
// Repaints what showed the selection rcBefore and what shows it now: its
// frame, handles and label, and with them the dimming that changed.
void ShowSelectionChange(const RECT& rcBefore);
