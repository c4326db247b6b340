#include "tests/kit/driver.h"

#include <algorithm>
#include <memory>

std::wstring SiblingPath(const wchar_t* pszFile)
{
    WCHAR szPath[MAX_PATH];
    std::wstring path(szPath, GetModuleFileNameW(NULL, szPath, MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + pszFile;
}

bool ChildProcess::Start(const std::wstring& exePath, StdoutMode mode, int nShow)
{
    SECURITY_ATTRIBUTES sa = { sizeof(sa), NULL, TRUE };
    HANDLE hWrite = NULL;
    if (mode != StdoutMode::None && CreatePipe(&m_hRead, &hWrite, &sa, 0))
        SetHandleInformation(m_hRead, HANDLE_FLAG_INHERIT, 0);
    if (mode == StdoutMode::BrokenPipe && m_hRead)
        CloseHandle(m_hRead), m_hRead = NULL;
    STARTUPINFOW si = { sizeof(si) };
    si.dwFlags = STARTF_USESTDHANDLES | (nShow >= 0 ? STARTF_USESHOWWINDOW : 0);
    si.wShowWindow = (WORD)nShow;
    si.hStdOutput = hWrite;
    std::wstring commandLine = L"\"" + exePath + L"\"";
    BOOL bStarted = CreateProcessW(exePath.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &m_pi);
    if (hWrite)
        CloseHandle(hWrite);
    if (bStarted && m_hRead && mode != StdoutMode::LateReader)
        StartReading();
    return bStarted != FALSE;
}

void ChildProcess::StartReading()
{
    m_reader = std::thread([this] {
        char buffer[65536];
        DWORD cb;
        while (ReadFile(m_hRead, buffer, sizeof(buffer), &cb, NULL) && cb)
            m_out.append(buffer, cb);
    });
}

HWND ChildProcess::WaitForWindow(const wchar_t* pszClass)
{
    HWND hWnd = NULL;
    WaitFor([&] {
        for (hWnd = FindWindowExW(NULL, NULL, pszClass, NULL); hWnd; hWnd = FindWindowExW(NULL, hWnd, pszClass, NULL))
            if (DWORD dwId = 0; GetWindowThreadProcessId(hWnd, &dwId), dwId == m_pi.dwProcessId && IsWindowVisible(hWnd))
                return "";
        return WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0 ? "" : "none";  // or it ended without one
    }, 30000);
    return hWnd;
}

ProcessResult ChildProcess::Finish(DWORD dwTimeoutMs)
{
    ProcessResult result;
    if (!m_pi.hProcess)
        return result;
    if (m_hRead && !m_reader.joinable())
        StartReading();
    result.bExited = WaitForSingleObject(m_pi.hProcess, dwTimeoutMs) == WAIT_OBJECT_0;
    if (!result.bExited)
        TerminateProcess(m_pi.hProcess, 1), WaitForSingleObject(m_pi.hProcess, 5000);
    GetExitCodeProcess(m_pi.hProcess, &result.dwExitCode);
    if (m_reader.joinable())
        m_reader.join();
    for (HANDLE h : { m_hRead, m_pi.hThread, m_pi.hProcess })
        if (h)
            CloseHandle(h);
    m_hRead = NULL, m_pi = {}, result.out.swap(m_out);
    return result;
}

void SendMouseAt(int x, int y, DWORD dwFlags)
{
    // 0..65535 spans the virtual screen: aim at the pixel's middle so rounding cannot miss it.
    int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN), cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT input = { INPUT_MOUSE };
    input.mi.dx = (LONG)(((long long)(x - vx) * 2 + 1) * 65536 / (2LL * cx));
    input.mi.dy = (LONG)(((long long)(y - vy) * 2 + 1) * 65536 / (2LL * cy));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | dwFlags;
    SendInput(1, &input, sizeof(INPUT));
}

void SendKey(WORD wVk, bool bUp)
{
    INPUT input = { INPUT_KEYBOARD };
    input.ki = { wVk, (WORD)MapVirtualKeyW(wVk, MAPVK_VK_TO_VSC), (DWORD)(bUp ? KEYEVENTF_KEYUP : 0) };
    SendInput(1, &input, sizeof(INPUT));
}

// The profile's DPI and handle width (null: none) set from scratch, whatever an earlier, perhaps killed, test left.
static void SetProfile(DWORD dwDpi, const wchar_t* pszHandleWidth)
{
    const wchar_t* pszWindows = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dwDpi, sizeof(dwDpi));
    if (!pszHandleWidth)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, pszWindows, L"oleinplaceborderwidth");
    else
        RegSetKeyValueW(HKEY_CURRENT_USER, pszWindows, L"oleinplaceborderwidth", REG_SZ, pszHandleWidth,
                        (DWORD)(wcslen(pszHandleWidth) + 1) * sizeof(wchar_t));
}

// A monitor and its pattern, distinct from every other monitor's.
struct Monitor {
    RECT rc;
    std::unique_ptr<PatternWindow> pPattern;
};

static BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT prc, LPARAM lParam)
{
    uint32_t (*pfnPixel)(int x, int y) = TestPattern;
    if (prc->left != 0 || prc->top != 0)
        pfnPixel = [](int x, int y) { return ~TestPattern(x, y) & 0xFFFFFF; };
    reinterpret_cast<std::vector<Monitor>*>(lParam)->push_back({ *prc, std::make_unique<PatternWindow>(*prc, pfnPixel) });
    return TRUE;
}

// The X screen resized with RandR, as a display change does, once Wine reports the new size.
static void ResizeDisplay(int cx, int cy)
{
    auto pfnSpawn = reinterpret_cast<int(CDECL*)(char* const*, int)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));  // runs a program of the host
    std::string size = std::to_string(cx) + "x" + std::to_string(cy);
    char szXrandr[] = "xrandr", szS[] = "-s";
    char* argv[] = { szXrandr, szS, &size[0], NULL };
    if (pfnSpawn && pfnSpawn(argv, TRUE) == 0)
        WaitFor([&] { return GetSystemMetrics(SM_CXSCREEN) == cx && GetSystemMetrics(SM_CYSCREEN) == cy ? "" : "old size"; });
}

// What a run keeps while its steps act: the monitor it covers, the picker's window, the windows put over it.
struct Stage {
    const Monitor& monitor;
    HWND hWnd;
    std::vector<std::unique_ptr<PatternWindow>> covers;
};

static void Do(Stage& stage, const Step& s)
{
    const RECT& rcMonitor = stage.monitor.rc;
    switch (s.kind) {
    case Step::Kind::Mouse:
        // Each button event carries its position: Wine reports each SendInput move back through X as a later move.
        for (const auto& [pt, dwFlags] : s.mouse)
            SendMouseAt(rcMonitor.left + pt.x, rcMonitor.top + pt.y, dwFlags);
        return;
    case Step::Kind::Key:
        if (s.bDown)
            SendKey(s.wVk, false);
        if (s.bUp)
            SendKey(s.wVk, true);
        return;
    case Step::Kind::Post: return (void)PostMessageW(stage.hWnd, s.uMsg, s.wParam, s.lParam);
    case Step::Kind::Repattern: return stage.monitor.pPattern->ShowInverse(true);
    case Step::Kind::ResizeDisplay: return ResizeDisplay(s.rc.right, s.rc.bottom);
    case Step::Kind::CoverWithTopmost:
        stage.covers.push_back(std::make_unique<PatternWindow>(s.rc, [](int, int) { return 0x808080u; }));
        return (void)stage.covers.back()->WaitUntilShown();
    default: return;
    }
}

std::string RunScript(const Script& script)
{
    static std::vector<Monitor> s_monitors;  // shown once per executable: each costs seconds under emulation
    if (s_monitors.empty())
        EnumDisplayMonitors(NULL, NULL, AddMonitor, reinterpret_cast<LPARAM>(&s_monitors));
    for (const Monitor& monitor : s_monitors) {  // the previous picker has gone, the screen is as it was
        monitor.pPattern->ShowInverse(false);
        if (std::string failure = monitor.pPattern->WaitUntilShown(); !failure.empty())
            return failure;
    }
    const POINT pt = script.ptCursor;
    auto it = std::find_if(s_monitors.begin(), s_monitors.end(), [&](auto& m) { return PtInRect(&m.rc, pt); });
    const Monitor& monitor = it != s_monitors.end() ? *it : s_monitors.front();
    SetProfile(script.look.nDpi, script.pszHandleWidth);
    SendMouseAt(pt.x, pt.y);  // the picker freezes the monitor under the cursor
    std::unique_ptr<WindowInFront> pInFront(script.bWindowInFront ? new WindowInFront : nullptr);
    if (pInFront && !pInFront->HoldsTheForeground())
        return "the test's window did not take the foreground";
    // The picker covers that monitor, takes the foreground, where the keys go, and shows its first frame.
    ChildProcess process;  // ended at once on an early return
    HWND hWnd = NULL;
    RECT rc = {};
    if (!process.Start(SiblingPath(script.exe.c_str()), script.mode, script.nStarterShow) ||
        !(hWnd = process.WaitForWindow(L"OCRKelvane")))
        return "no picker window";
    if (GetWindowRect(hWnd, &rc), IsIconic(hWnd) || !EqualRect(&rc, &monitor.rc))
        return "the window does not cover the monitor under the cursor";
    auto check = [&](const Step& s) {
        return WaitFor([&] {
            GUITHREADINFO info = { sizeof(info) };
            if (s.kind == Step::Kind::DragHoldsTheMouse)
                return GetGUIThreadInfo(GetWindowThreadProcessId(hWnd, NULL), &info) && info.hwndCapture == hWnd
                           ? std::string() : "no drag holds the mouse";
            return CompareOverlay(ReadScreen(monitor.rc), monitor.pPattern->Expected(), s.rc, script.look);
        });
    };
    Stage stage = { monitor, hWnd, {} };
    std::string failure = check(ShowsNoSelection());
    if (failure.empty() && !WaitFor([&] { return GetForegroundWindow() == hWnd ? "" : "behind"; }).empty())
        failure = "the picker did not take the foreground by its first frame";
    for (size_t i = 0; i < script.steps.size() && failure.empty(); i++)
        if (const Step& s = script.steps[i]; s.kind < Step::Kind::Shows)
            Do(stage, s);
        else if (!(failure = check(s)).empty())
            failure = "step " + std::to_string(i + 1) + ": " + failure;
    // A caller reading only after the exit: the text outgrows the pipe, so its write waits, and the window is hidden.
    if (failure.empty() && script.mode == StdoutMode::LateReader)
        failure = !WaitFor([&] { return IsWindowVisible(hWnd) ? "shown" : ""; }).empty() ? "the window stayed while the write waited"
                  : process.HasEnded() ? "the picker ended before its reader came: its text fits the pipe" : "";
    ProcessResult result = process.Finish(failure.empty() ? 60000 : 0);  // after a failed step, ended at once
    if (failure.empty() && pInFront && pInFront->Keys())
        failure = std::to_string(pInFront->Keys()) + " key messages reached the window in front";
    if (!failure.empty() || !result.bExited || result.dwExitCode != 0)
        return !failure.empty() ? failure : result.bExited ? "exit status " + std::to_string(result.dwExitCode)
                                                           : "the picker did not end by itself";
    Image crop;  // stays empty, as the blank rectangle, unless a text was due
    if (!IsRectEmpty(&script.rcExport))
        failure = DecodeSinglePngText(result.out, &crop);
    else if (!result.out.empty())
        failure = "wrote " + std::to_string(result.out.size()) + " bytes";
    return failure.empty() ? CompareCrop(crop, monitor.pPattern->Expected(), script.rcExport) : failure;
}
