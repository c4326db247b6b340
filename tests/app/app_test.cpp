// The start-up and the input handlers on the picker's own window, made as start-up makes it.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/mainwindow.h"
#include "capture/capture.h"
#include "res/resource.h"

// The cursor over each handle, the inside, the ring round it, beyond it, and for a hit outside the client area.
TEST(Picker, TheCursorsFollowTheSelection)
{
    LoadStringW(GetModuleHandleW(NULL), IDS_APP_TITLE, g_szTitle, 100);
    LoadStringW(GetModuleHandleW(NULL), IDC_OCRKELVANE, g_szWindowClass, 100);
    RegisterMainWindowClass(GetModuleHandleW(NULL));
    ASSERT_TRUE(CreateMainWindow(GetModuleHandleW(NULL)));
    SetRect(&g_tracker.m_rcSelection, 130, 130, 350, 330);
    const struct { int x, y; LPCWSTR pszCursor; UINT nHitTest = HTCLIENT; } rows[] = {
        { 125, 125, IDC_SIZENWSE }, { 352, 332, IDC_SIZENWSE }, { 352, 125, IDC_SIZENESW }, { 125, 332, IDC_SIZENESW },
        { 240, 125, IDC_SIZENS },   { 352, 230, IDC_SIZEWE },   { 240, 230, IDC_SIZEALL },  { 129, 200, IDC_SIZEALL },
        { 800, 800, IDC_ARROW },    { 240, 230, IDC_ARROW, HTCAPTION },
    };
    for (const auto& row : rows) {
        SetCursorPos(row.x, row.y);
        SendMessageW(g_hWndMain, WM_SETCURSOR, (WPARAM)g_hWndMain, MAKELPARAM(row.nHitTest, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(NULL, row.pszCursor)) << row.x << ", " << row.y;
    }
}

// Points this program's imports of one function at another: the start-up runs here as it runs in the picker.
static void RouteImport(FARPROC pfnImported, FARPROC pfn)
{
    BYTE* pBase = reinterpret_cast<BYTE*>(GetModuleHandleW(NULL));
    auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + reinterpret_cast<IMAGE_DOS_HEADER*>(pBase)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& iat = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    DWORD dwOld;
    VirtualProtect(pBase + iat.VirtualAddress, iat.Size, PAGE_READWRITE, &dwOld);
    for (auto* ppfn = reinterpret_cast<FARPROC*>(pBase + iat.VirtualAddress); iat.Size > (BYTE*)ppfn - pBase - iat.VirtualAddress; ppfn++)
        *ppfn = *ppfn == pfnImported ? pfn : *ppfn;
}

static bool s_bDeclaredFirst;
static BOOL WINAPI WatchSetProcessDPIAware()
{
    return s_bDeclaredFirst = !g_hWndMain && !g_hdcCapture, TRUE;
}

// Wine reports every process DPI aware from its start, so no state shows the declaration: the call is watched.
TEST(Picker, TheStartUpDeclaresTheProcessDpiAwareBeforeAnyWindowOrDC)
{
    RouteImport(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware"),
                reinterpret_cast<FARPROC>(WatchSetProcessDPIAware));
    g_hWndMain = NULL, g_hdcCapture = NULL;  // as at a process's start
    PostQuitMessage(0);                      // the run ends once its first frame is shown
    EXPECT_EQ(RunPicker(GetModuleHandleW(NULL)), 0);
    EXPECT_TRUE(s_bDeclaredFirst);
}
