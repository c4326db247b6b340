// The start-up and the input handlers on the picker's own window, made as start-up makes it.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/input.h"
#include "app/mainwindow.h"
#include "capture/capture.h"
#include "res/resource.h"
#include "tests/kit/input.h"
#include "tracker/geometry.h"

// A press arms a new band only while no selection exists: after a drag by a handle, begun while moves had armed
// g_rcHover again, a move with the button up starts no band. Then the cursors over that selection.
TEST(Picker, APressArmsANewBandOnlyWhileNoSelectionExistsAndTheCursorsFollow)
{
    LoadStringW(GetModuleHandleW(NULL), IDS_APP_TITLE, g_szTitle, 100);
    LoadStringW(GetModuleHandleW(NULL), IDC_OCRKELVANE, g_szWindowClass, 100);
    RegisterMainWindowClass(GetModuleHandleW(NULL));
    ASSERT_TRUE(CreateMainWindow(GetModuleHandleW(NULL)));
    HandleMouseMove(100, 100);  // arms the next press
    HandleLButtonDown(100, 100);
    for (int i = 1; i <= 30; i++)
        HandleMouseMove(100 + i, 100 + i);  // one-pixel steps start no band; each arms g_rcHover again
    PostMouse(g_hWndMain, WM_LBUTTONUP, 300, 280);  // taken by the drag loop, as is the next one
    HandleMouseMove(132, 130);                      // two pixels: a band anchored at the previous position
    ASSERT_FALSE(IsBlankRect(g_rcHover));
    PostMouse(g_hWndMain, WM_LBUTTONUP, 354, 334);
    HandleLButtonDown(304, 284);  // the bottom-right handle
    HandleMouseMove(500, 500);    // the button is up: the drag took its release
    const RECT& rc = g_tracker.m_rcSelection;
    EXPECT_EQ(std::vector<LONG>({ rc.left, rc.top, rc.right, rc.bottom }), std::vector<LONG>({ 130, 130, 350, 330 }));
    EXPECT_FALSE(g_bNewSelection);
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
