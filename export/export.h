// Cropping the selection out of the frozen image, as PNG, to standard output.
#pragma once

#include <windows.h>

#include <vector>

// Writes the selection as Base64 PNG and posts the quit request. With no
// usable selection it writes nothing, posts nothing and the run goes on.
// Writes at most once per run.
void ExportSelection();

// Crops rcSelection (edges in any order) out of hbmSource as a complete PNG.
// False, with *pPng untouched, when the crop cannot be made exactly (for
// instance an empty selection). GDI+ must be started.
bool EncodeSelectionPng(HBITMAP hbmSource, const RECT& rcSelection, std::vector<BYTE>* pPng);
