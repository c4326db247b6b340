// Callers that treat standard output badly: none at all, or a pipe whose
// reader has gone before the export. The export still ends the run with
// status 0, and the process neither crashes nor writes to its error output.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/hardening/picker_driver.h"
#include "tests/kit/process.h"
#include "tests/kit/process.h"

namespace {

enum class Output {
    None,               // no standard output handle at all
    ClosedAtStart,      // a pipe whose read end is closed as soon as the process starts
    ClosedBeforeExport, // a pipe whose read end is closed once the window shows
};

struct Outcome {
    bool bStarted = false;
    bool bWindow = false;
    bool bExited = false;
    DWORD dwExitCode = 0;
    std::string err;    // everything the process wrote to its error output
};

struct FindData {
    DWORD dwProcessId;
    HWND hWnd;
};

BOOL CALLBACK FindPickerWindow(HWND hWnd, LPARAM lParam)
{
    auto* pData = reinterpret_cast<FindData*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    WCHAR szClass[64];
    if (dwProcessId == pData->dwProcessId && IsWindowVisible(hWnd) && GetClassNameW(hWnd, szClass, 64) &&
        lstrcmpW(szClass, L"OCRKelvane") == 0) {
        pData->hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForPickerWindow(const PROCESS_INFORMATION& pi, DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    do {
        FindData data = { pi.dwProcessId, NULL };
        EnumWindows(FindPickerWindow, reinterpret_cast<LPARAM>(&data));
        if (data.hWnd)
            return data.hWnd;
        if (WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0)
            return NULL;
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return NULL;
}

// Starts the program with the given standard output and its error output on
// a pipe that is read to the end, draws a selection, releases Enter and waits.
Outcome RunWithOutput(const std::wstring& exePath, const std::wstring& args, Output output, bool bSelectAndExport)
{
    Outcome outcome;
    SECURITY_ATTRIBUTES sa = { sizeof(sa), NULL, TRUE };
    HANDLE hErrRead = NULL, hErrWrite = NULL, hOutRead = NULL, hOutWrite = NULL;
    CreatePipe(&hErrRead, &hErrWrite, &sa, 0);
    SetHandleInformation(hErrRead, HANDLE_FLAG_INHERIT, 0);
    if (output != Output::None) {
        CreatePipe(&hOutRead, &hOutWrite, &sa, 0);
        SetHandleInformation(hOutRead, HANDLE_FLAG_INHERIT, 0);
    }

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hOutWrite;
    si.hStdError = hErrWrite;
    std::wstring commandLine = L"\"" + exePath + L"\"" + (args.empty() ? L"" : L" " + args);
    PROCESS_INFORMATION pi = {};
    SetCursorPos(5, 5);
    outcome.bStarted = CreateProcessW(exePath.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi) != 0;
    CloseHandle(hErrWrite);
    if (hOutWrite)
        CloseHandle(hOutWrite);
    std::thread errReader([&] {
        char buffer[4096];
        DWORD cb;
        while (ReadFile(hErrRead, buffer, sizeof(buffer), &cb, NULL) && cb)
            outcome.err.append(buffer, cb);
    });
    if (output == Output::ClosedAtStart && hOutRead) {
        CloseHandle(hOutRead);
        hOutRead = NULL;
    }

    if (outcome.bStarted) {
        if (bSelectAndExport) {
            HWND hWnd = WaitForPickerWindow(pi, 30000);
            outcome.bWindow = hWnd != NULL;
            if (output == Output::ClosedBeforeExport && hOutRead) {
                CloseHandle(hOutRead);
                hOutRead = NULL;
            }
            if (hWnd) {
                PostBand(hWnd, 100, 100, 300, 250);
                PostKeyUp(hWnd, VK_RETURN);
            }
        }
        outcome.bExited = WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
        if (!outcome.bExited) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        GetExitCodeProcess(pi.hProcess, &outcome.dwExitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    errReader.join();
    CloseHandle(hErrRead);
    if (hOutRead)
        CloseHandle(hOutRead);
    return outcome;
}

// A process that dies of an access violation.
KELVANE_CHILD(crash)
{
    volatile int* p = nullptr;
    *p = (int)args.size();
    return 0;
}

// Ending only by the export: nothing else in these runs posts the quit, so a
// process that exits has written its text (into the void) and carried on.
void ExpectCleanExport(const Outcome& outcome)
{
    ASSERT_TRUE(outcome.bStarted);
    EXPECT_TRUE(outcome.bWindow) << "the window never showed";
    EXPECT_TRUE(outcome.bExited) << "the export did not end the run";
    EXPECT_EQ(outcome.dwExitCode, 0u);
    EXPECT_EQ(outcome.err, "") << "the process wrote to its error output";
}

TEST(BrokenCallers, ACrashShowsInTheExitCodeThisHarnessReads)
{
    // Without this the clean outcomes below would prove little.
    Outcome outcome = RunWithOutput(ThisExePath(), ChildArguments("crash"), Output::None, false);
    ASSERT_TRUE(outcome.bStarted);
    ASSERT_TRUE(outcome.bExited) << "a crashed process must not hang (no crash dialog)";
    EXPECT_NE(outcome.dwExitCode, 0u);
    std::printf("a crash ends with exit code 0x%08lX and %u bytes of error output\n",
                (unsigned long)outcome.dwExitCode, (unsigned)outcome.err.size());
}

TEST(BrokenCallers, NoStandardOutputAtAll)
{
    ExpectCleanExport(RunWithOutput(SiblingPath(L"OCRKelvane.exe"), L"", Output::None, true));
}

TEST(BrokenCallers, APipeWhoseReaderIsGoneFromTheStart)
{
    ExpectCleanExport(RunWithOutput(SiblingPath(L"OCRKelvane.exe"), L"", Output::ClosedAtStart, true));
}

TEST(BrokenCallers, APipeWhoseReaderGoesAwayBeforeTheExport)
{
    ExpectCleanExport(RunWithOutput(SiblingPath(L"OCRKelvane.exe"), L"", Output::ClosedBeforeExport, true));
}

}  // namespace
