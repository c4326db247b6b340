// The mouse handlers that turn presses and moves into a selection.
#pragma once

#include <windows.h>

void HandleLButtonDown(int x, int y);
// bLButton: the move's own key state says the left button is down.
void HandleMouseMove(int x, int y, bool bLButton);
void HandleSetCursor(UINT nHitTest);

// Forgets the press: at its release, or where the release may never come (the
// window lost the mouse or its activation: a secure desktop, a locked session,
// another program's dialog).
void DropArming();

// While no selection exists, arms the next press to start a new one.
void ArmNewSelection();
// Repaints what showed the selection rcBefore and what shows it now: its
// frame, handles and label, and with them the dimming that changed.
void ShowSelectionChange(const RECT& rcBefore);
