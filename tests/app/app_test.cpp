// The start-up and the input handlers on the picker's own window, made as start-up makes it.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/input.h"
#include "app/mainwindow.h"
#include "capture/capture.h"
#include "res/resource.h"
#include "tests/kit/input.h"
#include "tests/kit/process.h"
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

// Points this program's import of a function at another: the start-up runs here as it runs in the picker.
static bool RouteImport(const char* pszDll, const char* pszFunction, const void* pfn)
{
    BYTE* pBase = reinterpret_cast<BYTE*>(GetModuleHandleW(NULL));
    auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + reinterpret_cast<IMAGE_DOS_HEADER*>(pBase)->e_lfanew);
    auto* pImport = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        pBase + pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    FARPROC pfnReal = GetProcAddress(GetModuleHandleA(pszDll), pszFunction);
    for (; pImport->Name; pImport++)
        for (auto* pThunk = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pImport->FirstThunk); pThunk->u1.Function;
             pThunk++)
            if (pThunk->u1.Function == reinterpret_cast<ULONG_PTR>(pfnReal)) {
                DWORD dwOld;
                VirtualProtect(&pThunk->u1.Function, sizeof(pThunk->u1.Function), PAGE_READWRITE, &dwOld);
                pThunk->u1.Function = reinterpret_cast<ULONG_PTR>(pfn);
                return true;
            }
    return false;
}

static bool s_bDeclaredFirst;
static BOOL WINAPI WatchSetProcessDPIAware()
{
    s_bDeclaredFirst = !g_hWndMain && !g_hdcCapture;
    return TRUE;
}

// Run by the next test in a child process of its own. Wine reports every process DPI aware from its start, so no
// state shows the declaration: the call itself is watched.
TEST(Picker, DISABLED_StartUpDeclaresTheProcessDpiAwareFirst)
{
    ASSERT_TRUE(RouteImport("user32.dll", "SetProcessDPIAware", reinterpret_cast<void*>(WatchSetProcessDPIAware)));
    PostQuitMessage(0);  // the run ends once its first frame is shown
    EXPECT_EQ(RunPicker(GetModuleHandleW(NULL)), 0);
    EXPECT_TRUE(s_bDeclaredFirst) << "the start-up did not declare the process DPI aware before any window or DC";
}

TEST(Picker, StartUpDeclaresTheProcessDpiAwareFirst)
{
    ChildProcess child;
    child.Start(SiblingPath(L"app_tests.exe"), L"--gtest_also_run_disabled_tests --gtest_filter=*DISABLED_StartUp*");
    std::string out = child.Finish(60000).out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}
