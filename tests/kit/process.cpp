#include "tests/kit/process.h"

#include "tests/kit/screen.h"

std::wstring SiblingPath(const wchar_t* pszFile)
{
    WCHAR szPath[MAX_PATH];
    std::wstring path(szPath, GetModuleFileNameW(NULL, szPath, MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + pszFile;
}

bool ChildProcess::Start(const std::wstring& exePath, const std::wstring& args, StdoutMode mode)
{
    SECURITY_ATTRIBUTES sa = { sizeof(sa), NULL, TRUE };
    HANDLE hWrite = NULL;
    if (mode != StdoutMode::None && CreatePipe(&m_hRead, &hWrite, &sa, 0))
        SetHandleInformation(m_hRead, HANDLE_FLAG_INHERIT, 0);
    if (mode == StdoutMode::BrokenPipe && m_hRead)
        CloseHandle(m_hRead), m_hRead = NULL;
    STARTUPINFOW si = { sizeof(si) };
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hWrite;
    std::wstring commandLine = L"\"" + exePath + L"\" " + args;
    BOOL bStarted = CreateProcessW(exePath.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &m_pi);
    if (hWrite)
        CloseHandle(hWrite);
    if (bStarted && m_hRead)
        m_reader = std::thread([this] {
            char buffer[65536];
            DWORD cb;
            while (ReadFile(m_hRead, buffer, sizeof(buffer), &cb, NULL) && cb)
                m_out.append(buffer, cb);
        });
    return bStarted != FALSE;
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
    result.bExited = WaitForSingleObject(m_pi.hProcess, dwTimeoutMs) == WAIT_OBJECT_0;
    if (!result.bExited)
        TerminateProcess(m_pi.hProcess, 1), WaitForSingleObject(m_pi.hProcess, 5000);
    GetExitCodeProcess(m_pi.hProcess, &result.dwExitCode);
    if (m_reader.joinable())
        m_reader.join();
    for (HANDLE h : { m_hRead, m_pi.hThread, m_pi.hProcess })
        if (h)
            CloseHandle(h);
    m_hRead = NULL;
    m_pi = {};
    result.out.swap(m_out);
    return result;
}

void SetProfile(DWORD dwDpi, const wchar_t* pszHandleWidth)
{
    const wchar_t* pszWindows = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dwDpi, sizeof(dwDpi));
    if (!pszHandleWidth)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, pszWindows, L"oleinplaceborderwidth");
    else
        RegSetKeyValueW(HKEY_CURRENT_USER, pszWindows, L"oleinplaceborderwidth", REG_SZ, pszHandleWidth,
                        (DWORD)(wcslen(pszHandleWidth) + 1) * sizeof(wchar_t));
}
