#include "app/run.h"

#include <string>
#include <vector>

#include "app/globals.h"
#include "capture/capture.h"
#include "export/base64.h"
#include "export/png.h"

void ExportSelection()
{
    if (g_bRunEnding)
        return;
    GdiplusSession gdiplus;
    if (!gdiplus)
        return EndRunFailed("GDI+ could not be loaded from the system folder or started");

    std::vector<BYTE> png;
    const PixelRows frozen = { g_pbCapture, g_cxScreen, g_cyScreen, g_cxScreen * 4 };
    if (!EncodeSelectionPng(frozen, g_tracker.m_rcSelection, &png))
        return;  // no usable selection: the run goes on
    std::string text = Base64Encode(png.data(), png.size());
    std::vector<BYTE>().swap(png);
    WriteResultText(text);
    EndRun();
}

void EndRun()
{
    g_bRunEnding = TRUE;
    PostQuitMessage(0);
}

void EndRunFailed(const char* pszWhat)
{
    OutputDebugStringA((std::string("OCRKelvane: ") + pszWhat + "; ending with nothing written\n").c_str());
    EndRun();
}
