// The start-up and the input handlers on the picker's own window, made as start-up makes it.
#include <gtest/gtest.h>

#include <utility>

#include "app/globals.h"
#include "app/mainwindow.h"
#include "res/resource.h"

// Points this program's imports of a user32 function at another while it lives: the picker's own start-up, on a system
// that behaves so.
class ScopedRoute {
public:
    template <class F>
    ScopedRoute(const char* pszName, F* pfn)
        : m_pfnReal(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), pszName))),
          m_pfn(reinterpret_cast<void*>(pfn)) { Route(m_pfnReal, m_pfn); }
    ~ScopedRoute() { Route(m_pfn, m_pfnReal); }

private:
    static void Route(void* pfnFrom, void* pfnTo)
    {
        BYTE* pBase = reinterpret_cast<BYTE*>(GetModuleHandleW(NULL));
        auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + reinterpret_cast<IMAGE_DOS_HEADER*>(pBase)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& iat = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
        DWORD dwOld;
        VirtualProtect(pBase + iat.VirtualAddress, iat.Size, PAGE_READWRITE, &dwOld);
        auto* ppfn = reinterpret_cast<void**>(pBase + iat.VirtualAddress);
        for (DWORD i = 0; i < iat.Size / sizeof(void*); i++)
            ppfn[i] = ppfn[i] == pfnFrom ? pfnTo : ppfn[i];
    }
    void *m_pfnReal, *m_pfn;
};

// The picker's window made afresh, as its start-up makes it; the one before goes with the quit it asks for.
static void MakePickerWindow()
{
    if (MSG msg; g_hWndMain && DestroyWindow(g_hWndMain))
        PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE), g_bRunEnding = FALSE;
    LoadStringW(GetModuleHandleW(NULL), IDS_APP_TITLE, g_szTitle, 100);
    LoadStringW(GetModuleHandleW(NULL), IDC_OCRKELVANE, g_szWindowClass, 100);
    RegisterMainWindowClass(GetModuleHandleW(NULL));
    ASSERT_TRUE(CreateMainWindow(GetModuleHandleW(NULL)));
}

static bool CoversItsMonitor(HWND hWnd)
{
    RECT rc;
    return IsWindowVisible(hWnd) && !IsIconic(hWnd) && GetWindowRect(hWnd, &rc) && EqualRect(&rc, &g_frame.rcMonitor);
}

// The cursor over each handle, the inside, the one-pixel ring round it, beyond it, and for a non-client hit.
TEST(Picker, TheCursorsFollowTheSelection)
{
    MakePickerWindow();
    SetRect(&g_tracker.m_rcSelection, 130, 130, 350, 330);
    const struct { int x, y; LPCWSTR pszCursor; UINT nHitTest = HTCLIENT; } rows[] = {
        { 125, 125, IDC_SIZENWSE }, { 352, 332, IDC_SIZENWSE }, { 352, 125, IDC_SIZENESW }, { 125, 332, IDC_SIZENESW },
        { 240, 125, IDC_SIZENS },   { 352, 230, IDC_SIZEWE },   { 240, 230, IDC_SIZEALL },  { 129, 200, IDC_SIZEALL },
        { 128, 200, IDC_ARROW },    { 800, 800, IDC_ARROW },    { 240, 230, IDC_ARROW, HTCAPTION },
    };
    for (const auto& row : rows) {
        SetCursorPos(row.x, row.y);
        SendMessageW(g_hWndMain, WM_SETCURSOR, (WPARAM)g_hWndMain, MAKELPARAM(row.nHitTest, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(NULL, row.pszCursor)) << row.x << ", " << row.y;
    }
    // Moved to another monitor of another DPI, Windows proposes a size for it: the window stays over its own.
    RECT rcProposed = { 100, 100, 700, 500 };
    SendMessageW(g_hWndMain, WM_DPICHANGED, MAKEWPARAM(144, 144), (LPARAM)&rcProposed);
    EXPECT_TRUE(CoversItsMonitor(g_hWndMain)) << "the window took the size a new DPI proposed";
}

// As Windows documents and Wine does not, a starter in the background hiding its children: the first ShowWindow takes
// the show command of its STARTUPINFO, and the foreground is refused until the process has made the last input. The
// picker still covers its monitor, and takes the foreground with an input that changes nothing.
static int s_nStarterShow;
static HWND s_hForeground;
static bool s_bMadeLastInput, s_bInputChangedSomething;
static BOOL WINAPI ShowWindowAsStarted(HWND hWnd, int nCmdShow)
{
    static auto s_pfnShowWindow = reinterpret_cast<decltype(&ShowWindow)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "ShowWindow")));
    return s_pfnShowWindow(hWnd, std::exchange(s_nStarterShow, -1) < 0 ? nCmdShow : s_nStarterShow);
}
static HWND WINAPI LockedGetForegroundWindow() { return s_hForeground; }
static BOOL WINAPI LockedSetForegroundWindow(HWND hWnd) { return s_bMadeLastInput && (s_hForeground = hWnd) != NULL; }
static UINT WINAPI LockedSendInput(UINT nInputs, INPUT* pInputs, int)
{
    for (UINT i = 0; i < nInputs; i++)
        s_bInputChangedSomething |= pInputs[i].type != INPUT_MOUSE || pInputs[i].mi.dx || pInputs[i].mi.dy ||
                                    (pInputs[i].mi.dwFlags & ~MOUSEEVENTF_MOVE) || pInputs[i].mi.mouseData;
    return s_bMadeLastInput = true, nInputs;
}

TEST(Picker, StartedHiddenFromTheBackground)
{
    ScopedRoute show("ShowWindow", ShowWindowAsStarted), get("GetForegroundWindow", LockedGetForegroundWindow);
    ScopedRoute set("SetForegroundWindow", LockedSetForegroundWindow), input("SendInput", LockedSendInput);
    for (int nShow : { SW_HIDE, SW_SHOWMINNOACTIVE }) {
        s_nStarterShow = nShow, s_hForeground = GetDesktopWindow(), s_bMadeLastInput = false;  // another window holds it
        MakePickerWindow();
        EXPECT_TRUE(CoversItsMonitor(g_hWndMain)) << "started with show command " << nShow;
        EXPECT_EQ(s_hForeground, g_hWndMain) << "started with show command " << nShow;
    }
    EXPECT_FALSE(s_bInputChangedSomething);
}
