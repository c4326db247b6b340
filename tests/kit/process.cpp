#include "tests/kit/process.h"

#include <map>

static std::map<std::string, ChildFunction>& Children()
{
    static std::map<std::string, ChildFunction> children;
    return children;
}

ChildRegistrar::ChildRegistrar(const char* pszName, ChildFunction pfn)
{
    Children()[pszName] = pfn;
}

ChildFunction FindChild(const char* pszName)
{
    auto it = Children().find(pszName);
    return it == Children().end() ? nullptr : it->second;
}

std::wstring ChildArguments(const char* pszName, const std::vector<std::string>& args)
{
    std::string line = std::string("--child ") + pszName;
    for (const std::string& arg : args)
        line += " " + arg;
    return std::wstring(line.begin(), line.end());
}

std::wstring ThisExePath()
{
    WCHAR szPath[MAX_PATH];
    GetModuleFileNameW(NULL, szPath, MAX_PATH);
    return szPath;
}

std::wstring SiblingPath(const wchar_t* pszFile)
{
    std::wstring path = ThisExePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1) + pszFile;
}

ChildProcess::~ChildProcess()
{
    if (m_pi.hProcess) {
        if (!HasExited())
            TerminateProcess(m_pi.hProcess, 1);
        Finish(5000);
    }
}

bool ChildProcess::Start(const std::wstring& exePath, const std::wstring& args, StdoutMode mode)
{
    SECURITY_ATTRIBUTES sa = { sizeof(sa), NULL, TRUE };
    HANDLE hWrite = NULL;
    if (mode != StdoutMode::None) {
        if (!CreatePipe(&m_hRead, &hWrite, &sa, 0))
            return false;
        SetHandleInformation(m_hRead, HANDLE_FLAG_INHERIT, 0);
    }

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hWrite;

    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (!args.empty())
        commandLine += L" " + args;
    BOOL bStarted = CreateProcessW(exePath.c_str(), &commandLine[0], NULL, NULL, TRUE, 0,
                                   NULL, NULL, &si, &m_pi);
    if (hWrite)
        CloseHandle(hWrite);
    if (!bStarted) {
        ZeroMemory(&m_pi, sizeof(m_pi));
        return false;
    }
    AllowSetForegroundWindow(m_pi.dwProcessId);

    if (mode == StdoutMode::BrokenPipe) {
        CloseHandle(m_hRead);
        m_hRead = NULL;
    } else if (m_hRead) {
        m_reader = std::thread([this] {
            char buffer[65536];
            DWORD cbRead;
            while (ReadFile(m_hRead, buffer, sizeof(buffer), &cbRead, NULL) && cbRead)
                m_out.append(buffer, cbRead);
        });
    }
    return true;
}

struct FindWindowData {
    DWORD dwProcessId;
    const wchar_t* pszClass;
    HWND hWnd;
};

static BOOL CALLBACK FindProcessWindow(HWND hWnd, LPARAM lParam)
{
    auto* pData = reinterpret_cast<FindWindowData*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    WCHAR szClass[256];
    if (dwProcessId == pData->dwProcessId && IsWindowVisible(hWnd) &&
        GetClassNameW(hWnd, szClass, 256) && lstrcmpW(szClass, pData->pszClass) == 0) {
        pData->hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND ChildProcess::WaitForWindow(const wchar_t* pszClass, DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    do {
        FindWindowData data = { m_pi.dwProcessId, pszClass, NULL };
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&data));
        if (data.hWnd)
            return data.hWnd;
        if (HasExited(20))
            return NULL;
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return NULL;
}

bool ChildProcess::HasExited(DWORD dwWaitMs) const
{
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, dwWaitMs) == WAIT_OBJECT_0;
}

ProcessResult ChildProcess::Finish(DWORD dwTimeoutMs)
{
    ProcessResult result;
    if (!m_pi.hProcess)
        return result;
    result.bExited = WaitForSingleObject(m_pi.hProcess, dwTimeoutMs) == WAIT_OBJECT_0;
    if (!result.bExited) {
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    GetExitCodeProcess(m_pi.hProcess, &result.dwExitCode);
    if (m_reader.joinable())
        m_reader.join();
    if (m_hRead)
        CloseHandle(m_hRead);
    m_hRead = NULL;
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
    ZeroMemory(&m_pi, sizeof(m_pi));
    result.out.swap(m_out);
    return result;
}

ProcessResult RunChild(const char* pszName, const std::wstring& extraArgs, DWORD dwTimeoutMs)
{
    ChildProcess child;
    std::wstring args = ChildArguments(pszName);
    if (!extraArgs.empty())
        args += L" " + extraArgs;
    if (!child.Start(ThisExePath(), args))
        return ProcessResult();
    return child.Finish(dwTimeoutMs);
}
